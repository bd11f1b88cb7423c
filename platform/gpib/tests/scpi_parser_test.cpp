#include "scpi_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gpibsim::scpi {
namespace {

// "CALC:MARK1:X?" back from a parsed command, for compact expectations.
std::string render(const Command& command) {
    if (!command.valid) return "invalid";
    std::string text = command.common ? "*" : "";
    for (std::size_t i = 0; i < command.nodes.size(); ++i) {
        if (i > 0) text += ':';
        text += command.nodes[i].name;
        if (command.nodes[i].suffix) text += std::to_string(*command.nodes[i].suffix);
    }
    if (command.query) text += '?';
    if (!command.parameters.empty()) text += " <" + command.parameters + ">";
    return text;
}

std::vector<std::string> renderMessage(std::string_view message) {
    std::vector<std::string> rendered;
    for (const auto& command : parseMessage(message))
        rendered.push_back(render(command));
    return rendered;
}

TEST(ScpiParser, ResolvesCompoundHeaders) {
    using Expected = std::vector<std::string>;
    const std::pair<const char*, Expected> cases[] = {
        {"CALC1:MARK1:X?;Y?", {"CALC1:MARK1:X?", "CALC1:MARK1:Y?"}},
        {"calc1:mark2:x?; y?", {"CALC1:MARK2:X?", "CALC1:MARK2:Y?"}},
        {"FREQ:CENT 1GHZ;*IDN?;SPAN 2 MHz", {"FREQ:CENT <1GHZ>", "*IDN?", "FREQ:SPAN <2 MHz>"}},
        {"FREQ:CENT 1;:BAND 3;VID 4", {"FREQ:CENT <1>", "BAND <3>", "VID <4>"}},
        {"DISP:TRAC:MODE\tWRIT", {"DISP:TRAC:MODE <WRIT>"}},
        {"MEAS2? DEF,DEF,(@1)", {"MEAS2? <DEF,DEF,(@1)>"}},
        {"  *RST ;; *CLS\r", {"*RST", "*CLS"}},
        {"FREQ::CENT 1;X?Y;*1;FREQ:CENT 1", {"invalid", "invalid", "invalid", "FREQ:CENT <1>"}},
        {"", {}},
    };
    for (const auto& [message, expected] : cases)
        EXPECT_EQ(renderMessage(message), expected);
}

TEST(ScpiParser, MatchesPatterns) {
    const struct {
        const char* pattern;
        const char* header;
        std::optional<std::vector<int>> suffixes;
    } cases[] = {
        {"CALCulate#:MARKer#[:STATe]", "CALC1:MARK3", std::vector{1, 3}},
        {"CALCulate#:MARKer#[:STATe]", "calculate:marker:state", std::vector{1, 1}},
        {"CALCulate#:MARKer#[:STATe]", "CALC:MARKE", std::nullopt},
        {"[SENSe:]FREQuency:CENTer", "SENS:FREQ:CENT", std::vector<int>{}},
        {"[SENSe:]FREQuency:CENTer", "FREQ2:CENT", std::nullopt},
        {"DISPlay[:WINDow#]:TRACe#:MODE", "DISP:WIND2:TRAC3:MODE", std::vector{2, 3}},
        {"*IDN", "IDN", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto commands = parseMessage(c.header);
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(HeaderPattern(c.pattern).match(commands[0]), c.suffixes)
            << c.pattern << " / " << c.header;
    }
}

TEST(ScpiParser, ReadsQuantitiesAndBooleans) {
    const struct {
        const char* text;
        Quantity quantity;
        std::optional<double> value;
    } cases[] = {
        {"2.5 GHz", Quantity::kFrequency, 2.5e9},    {"100khz", Quantity::kFrequency, 1e5},
        {"-10dBm", Quantity::kPowerLevel, -10},      {"30dBm", Quantity::kRatio, std::nullopt},
        {"1dB", Quantity::kFrequency, std::nullopt}, {"1 2", Quantity::kFrequency, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseQuantity(c.text, c.quantity), c.value) << c.text;
    }
    EXPECT_EQ(parseBoolean("on"), true);
    EXPECT_EQ(parseBoolean("0"), false);
    EXPECT_EQ(parseBoolean("yes"), std::nullopt);
    EXPECT_TRUE(matchesMnemonic("maxh", "MAXHold"));
    EXPECT_TRUE(matchesMnemonic("MAXHOLD", "MAXHold"));
    EXPECT_FALSE(matchesMnemonic("MAXHO", "MAXHold"));
}

}  // namespace
}  // namespace gpibsim::scpi
