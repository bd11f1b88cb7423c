// A device on the bus that speaks SCPI: messages in, replies out, an error queue in between.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scpi_parser.h"

namespace gpibsim {

struct ScpiError {
    int code;
    std::string_view message;
};

inline constexpr ScpiError kParameterNotAllowed{-108, "Parameter not allowed"};
inline constexpr ScpiError kMissingParameter{-109, "Missing parameter"};
inline constexpr ScpiError kUndefinedHeader{-113, "Undefined header"};
inline constexpr ScpiError kHeaderSuffixOutOfRange{-114, "Header suffix out of range"};
inline constexpr ScpiError kNoPeakFound{-200, "Execution error;No peak found"};
inline constexpr ScpiError kSettingsConflict{-221, "Settings conflict"};
inline constexpr ScpiError kIllegalParameter{-224, "Illegal parameter value"};
inline constexpr ScpiError kQueueOverflow{-350, "Queue overflow"};

// What a handler gets: the header's numeric suffixes in pattern order and the parameter text.
struct Invocation {
    std::vector<int> suffixes;
    std::string_view parameters;
};

// The part of a reply a read takes.
struct ReplyChunk {
    std::string bytes;
    bool end = false;  // the chunk holds the reply's last byte
};

class ScpiInstrument {
public:
    ScpiInstrument(const ScpiInstrument&) = delete;
    ScpiInstrument& operator=(const ScpiInstrument&) = delete;
    virtual ~ScpiInstrument() = default;

    // Takes the bytes of one write: each "\n" ends a message, and so does the end of the bytes.
    void receive(std::string_view bytes);

    // Device clear: forgets the unread reply; settings and the error queue stay.
    void clear();

    bool hasReply() const { return replyOffset_ < reply_.size(); }
    ReplyChunk read(std::size_t maxBytes);

protected:
    using Handler = std::function<void(const Invocation&)>;

    explicit ScpiInstrument(std::string identity);

    void addCommand(std::string_view spec, Handler handler);
    void addQuery(std::string_view spec, Handler handler);

    void reply(std::string text);
    void fail(ScpiError error);

    // The parameter as a number of the quantity; queues -109/-224 and gives nullopt when bad.
    std::optional<double> quantity(const Invocation& invocation, scpi::Quantity unit);
    std::optional<bool> boolean(const Invocation& invocation);
    // The parameter as one of the mnemonics (index into the list); queues -224 when none fits.
    std::optional<std::size_t> choice(const Invocation& invocation,
                                      const std::vector<std::string_view>& mnemonics);

    // *RST: the instrument's default settings.
    virtual void reset() = 0;

private:
    struct Route {
        scpi::HeaderPattern pattern;
        bool query;
        Handler handler;
    };

    void addCommonRoutes();
    void handleMessage(std::string_view message);
    void execute(const scpi::Command& command);
    std::string popError();

    std::string identity_;
    std::vector<Route> routes_;
    std::deque<ScpiError> errors_;
    std::vector<std::string> replies_;  // of the message being handled
    std::string reply_;
    std::size_t replyOffset_ = 0;
};

// printf-style formatting of one number.
std::string formatNumber(const char* format, double value);

}  // namespace gpibsim
