#include "adapter_information.h"

#include <optional>

namespace netpanel {
namespace {

constexpr std::string_view kSection = "[ADAPTER_INFORMATION]";
constexpr int kMaxKeys = 14;

// Lines of the text; a line ends at LF, CR LF or CR.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    std::optional<std::string_view> next() {
        if (text_.empty()) return std::nullopt;
        ++number_;
        size_t end = text_.find_first_of("\r\n");
        std::string_view line = text_.substr(0, end);
        if (end == std::string_view::npos) {
            text_ = {};
        } else {
            bool crlf = text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n';
            text_.remove_prefix(end + (crlf ? 2 : 1));
        }
        return line;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    int number_ = 0;
};

bool startsWith(std::string_view line, std::string_view key) {
    return line.substr(0, key.size()) == key;
}

// The text after the first "=" (the whole line when there is none).
std::string_view valueOf(std::string_view line) {
    size_t equals = line.find('=');
    return equals == std::string_view::npos ? line : line.substr(equals + 1);
}

// A limit: its two-character prefix skipped, then the leading hexadecimal digits.
int32_t limitOf(std::string_view line) {
    std::string_view digits = valueOf(line);
    digits.remove_prefix(digits.size() < 2 ? digits.size() : 2);
    uint32_t value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                           : -1;
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

// Applies one line of the section; true when it held a recognised key.
bool applyLine(std::string_view line, AdapterInformation& info) {
    struct Limit {
        std::string_view key;
        int32_t AdapterInformation::*field;
    };
    static constexpr Limit kLimits[] = {
        {"Signal_Strength_Max", &AdapterInformation::signalStrengthMax},
        {"Signal_Strength_Min", &AdapterInformation::signalStrengthMin},
        {"Communication_Quality_Max", &AdapterInformation::communicationQualityMax},
        {"Communication_Quality_Min", &AdapterInformation::communicationQualityMin},
    };
    for (const Limit& limit : kLimits) {
        if (startsWith(line, limit.key)) {
            info.*limit.field = limitOf(line);
            return true;
        }
    }
    if (startsWith(line, "MatchingDeviceId")) {
        if (info.matchingDeviceIds.size() < kMaxMatchingDeviceIds) {
            info.matchingDeviceIds.emplace_back(valueOf(line));
        }
        return true;
    }
    return false;
}

}  // namespace

std::variant<AdapterInformation, std::string> readAdapterInformation(std::string_view text,
                                                                     const std::string& fileName) {
    Lines lines(text);
    std::optional<std::string_view> line;
    do {
        line = lines.next();
        if (!line) return fileName + ": no line \"" + std::string(kSection) + "\"";
    } while (*line != kSection);

    AdapterInformation info;
    int keys = 1;
    line = lines.next();
    while (line && keys <= kMaxKeys && !startsWith(*line, "[")) {
        if (applyLine(*line, info)) ++keys;
        line = lines.next();
    }
    if (!line) {
        return fileName + ":" + std::to_string(lines.number()) +
               ": the file ends inside the section " + std::string(kSection) +
               " (a line beginning with \"[\" must end it)";
    }
    return info;
}

}  // namespace netpanel
