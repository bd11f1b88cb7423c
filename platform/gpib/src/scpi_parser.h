// Splitting SCPI program messages into commands, matching their headers and reading parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::scpi {

// One node of a program header: "MARK1" is {"MARK", 1}. Names are upper case.
struct HeaderNode {
    std::string name;
    std::optional<int> suffix;
};

// One command of a program message, its header resolved to an absolute path.
struct Command {
    bool valid = true;    // false when the header is not well formed
    bool common = false;  // a common command: "*RST", "*IDN?"
    bool query = false;
    std::vector<HeaderNode> nodes;  // for a common command, its name without '*'
    std::string parameters;         // the text after the header, trimmed
};

// Parses one message ("CALC1:MARK1:X?;Y?"). A header that starts with neither ':' nor '*'
// continues the path of the previous command's header.
std::vector<Command> parseMessage(std::string_view message);

// A header a device understands, written as in instrument manuals: upper case is the short form,
// the whole word the long form, '#' allows a numeric suffix, [...] marks an optional node.
// Examples: "CALCulate#:MARKer#[:STATe]", "[SENSe:]FREQuency:CENTer", "*IDN".
class HeaderPattern {
public:
    explicit HeaderPattern(std::string_view spec);

    // The suffix of each '#' node in pattern order (1 when left out), or nullopt.
    std::optional<std::vector<int>> match(const Command& command) const;

private:
    struct Node {
        std::string shortForm;
        std::string longForm;
        bool numbered = false;
        bool optional = false;
    };

    bool matchFrom(std::size_t patternIndex, std::size_t commandIndex,
                   const std::vector<HeaderNode>& nodes, std::vector<int>& suffixes) const;

    bool common_ = false;
    std::vector<Node> nodes_;
};

// True when text is the short or the long form of a mnemonic written like "MAXHold".
bool matchesMnemonic(std::string_view text, std::string_view mnemonic);

enum class Quantity {
    kFrequency,   // Hz; suffixes HZ, KHZ, MHZ, GHZ
    kPowerLevel,  // dBm; suffix DBM
    kRatio,       // dB; suffix DB
};

// A number with an optional unit suffix, converted to the quantity's base unit.
std::optional<double> parseQuantity(std::string_view text, Quantity quantity);

// ON, OFF, 1 or 0.
std::optional<bool> parseBoolean(std::string_view text);

std::string_view trim(std::string_view text);

}  // namespace gpibsim::scpi
