// The command line of loopkit: the mode, the interface and the options of each mode, checked
// and turned into the values the engines take.
#pragma once

#include <field_text.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loopkit_cli {

enum class Mode { kTx, kRx, kTwoWay };

inline constexpr int kMinFrameLength = 60;  // on the wire, the test frame's 24-byte header included
inline constexpr int kMaxFrameLength = 1514;
inline constexpr int kHeaderLength = 24;
inline constexpr int kRandomLength = 0;  // the engines' "a new random length for every frame"

struct TxOptions {
    unsigned long frames = 1000;          // 0: until stopped
    int frameLength = 1514;               // on the wire; kRandomLength for random lengths
    int pattern = 2;                      // 0..5
    std::string text;                     // the payload's start for pattern 5
    unsigned char fill = 0;               // the first fill byte of pattern 3
    std::optional<loopkit::MacBytes> to;  // none: broadcast
    int intervalMs = 0;
    bool numbering = true;
    bool checksum = true;
    bool swap = false;
};

struct RxOptions {
    unsigned long frames = 0;  // stop once good + bad + lost reach it; 0: never
    std::optional<loopkit::MacBytes> from;
    int idleMs = 0;  // stop when nothing new was counted for this long after a first frame
    std::string report;
    int condition = 0;  // REPORT_ALL, REPORT_ONLY_BAD or REPORT_ONLY_LOST
    bool dump = false;  // report records with the frame's hex dump
    bool payloadCheck = true;
    bool sequenceCheck = true;
    bool acceptAll = false;
    bool swap = false;
    std::optional<std::string> startPattern, endPattern, expectedPattern;
};

struct TwoWayOptions {
    bool server = false;
    unsigned long frames = 1000;  // of this station's stream; 0: until stopped
    int frameLength = 1048;       // on the wire
    int intervalMs = 0;           // pause before each frame of the stream
};

struct Request {
    Mode mode = Mode::kTx;
    bool help = false;
    std::string interface;
    bool json = false;
    int timeoutMs = 0;  // 0: none
    TxOptions tx;
    RxOptions rx;
    TwoWayOptions twoWay;
};

// What the arguments after the program's name ask for: a request, or why they do not fit.
struct Parsed {
    std::optional<Request> request;  // with help set, nothing else needs to hold
    std::optional<Mode> mode;        // as far as it was read, for the hint
    bool help = false;               // "loopkit --help" (no mode)
    std::string error;
};

Parsed parseCommandLine(const std::vector<std::string>& args);

const char* modeName(Mode mode);

// "02:00:00:00:00:07", "02-00-00-00-00-07", "02 00 00 00 00 07" or "020000000007" (any case):
// six bytes, or none for any other text.
std::optional<loopkit::MacBytes> parseMac(std::string_view text);

}  // namespace loopkit_cli
