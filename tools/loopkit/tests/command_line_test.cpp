#include "command_line.h"

#include <gtest/gtest.h>

#include <loopkit/loopkit.h>

#include <functional>
#include <sstream>

namespace {

using namespace loopkit_cli;

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

struct GoodLine {
    const char* line;
    std::function<bool(const Request&)> holds;
};

TEST(CommandLine, GoodLinesGiveTheirValues) {
    const GoodLine cases[] = {
        {"tx eth1",
         [](const Request& r) {
             return r.mode == Mode::kTx && r.interface == "eth1" && r.tx.frames == 1000 &&
                    r.tx.frameLength == 1514 && r.tx.pattern == 2 && r.tx.checksum &&
                    r.tx.numbering && !r.tx.swap && !r.tx.to && !r.json && r.timeoutMs == 0;
         }},
        {"tx --frames 0 mem:x --length random --json",
         [](const Request& r) {
             return r.interface == "mem:x" && r.tx.frames == 0 &&
                    r.tx.frameLength == kRandomLength && r.json;
         }},
        {"tx eth1 --length=60 --frames=4294967295 --interval 10",
         [](const Request& r) {
             return r.tx.frameLength == 60 && r.tx.frames == 4294967295UL && r.tx.intervalMs == 10;
         }},
        {"tx eth1 --text hello",
         [](const Request& r) { return r.tx.pattern == 5 && r.tx.text == "hello"; }},
        {"tx eth1 --pattern 3 --fill 254 --no-checksum --no-numbering --swap",
         [](const Request& r) {
             return r.tx.pattern == 3 && r.tx.fill == 254 && !r.tx.checksum && !r.tx.numbering &&
                    r.tx.swap;
         }},
        {"tx eth1 --to 02:00:00:00:00:07 --timeout 1.5",
         [](const Request& r) {
             return r.tx.to == loopkit::MacBytes{2, 0, 0, 0, 0, 7} && r.timeoutMs == 1500;
         }},
        {"rx eth2",
         [](const Request& r) {
             return r.mode == Mode::kRx && r.rx.frames == 0 && r.rx.payloadCheck &&
                    r.rx.sequenceCheck && !r.rx.acceptAll && r.rx.report.empty();
         }},
        {"rx eth2 --report f --condition bad --dump --idle 2",
         [](const Request& r) {
             return r.rx.report == "f" && r.rx.condition == REPORT_ONLY_BAD && r.rx.dump &&
                    r.rx.idleMs == 2000;
         }},
        {"rx eth2 --report f --condition good",
         [](const Request& r) { return r.rx.condition == REPORT_ALL; }},
        {"rx eth2 --report f --condition lost",
         [](const Request& r) { return r.rx.condition == REPORT_ONLY_LOST; }},
        {"rx eth2 --accept-all --from 0200000000AB",
         [](const Request& r) {
             return r.rx.acceptAll && !r.rx.payloadCheck && !r.rx.sequenceCheck &&
                    r.rx.from == loopkit::MacBytes{2, 0, 0, 0, 0, 0xAB};
         }},
        {"rx eth2 --start-pattern go --end-pattern stop --expected-pattern lab",
         [](const Request& r) {
             return r.rx.startPattern == "go" && r.rx.endPattern == "stop" &&
                    r.rx.expectedPattern == "lab";
         }},
        {"2way eth1 --client",
         [](const Request& r) {
             return r.mode == Mode::kTwoWay && !r.twoWay.server && r.twoWay.frames == 1000 &&
                    r.twoWay.frameLength == 1048;
         }},
        {"2way eth1 --server --length 60",
         [](const Request& r) {
             return r.twoWay.server && r.twoWay.frames == 0 && r.twoWay.frameLength == 60;
         }},
        {"2way eth1 --server --frames 7 --interval 5",
         [](const Request& r) { return r.twoWay.frames == 7 && r.twoWay.intervalMs == 5; }},
        {"rx eth2 --help --frames nonsense", [](const Request& r) { return r.help; }},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parseCommandLine(words(c.line));
        ASSERT_TRUE(parsed.request) << c.line << ": " << parsed.error;
        EXPECT_TRUE(c.holds(*parsed.request)) << c.line;
    }
}

struct BadLine {
    const char* line;
    const char* error;  // a part of the message
};

TEST(CommandLine, BadLinesSayWhatIsWrong) {
    const BadLine cases[] = {
        {"", "no mode"},
        {"send eth1", "unknown mode 'send'"},
        {"tx", "no interface"},
        {"tx eth1 eth2", "unexpected argument: eth2"},
        {"tx eth1 --frames", "--frames needs a value"},
        {"tx eth1 --frames -1", "--frames takes a count"},
        {"tx eth1 --frames 4294967296", "--frames takes"},
        {"tx eth1 --frames 12x", "--frames takes"},
        {"tx eth1 --length 59", "60..1514 or 'random'"},
        {"tx eth1 --length 1515", "--length"},
        {"2way eth1 --client --length random", "60..1514, not 'random'"},
        {"tx eth1 --pattern 6", "--pattern takes a code from 0 to 5"},
        {"tx eth1 --pattern 5", "pattern 5 needs --text"},
        {"tx eth1 --pattern 1 --text x", "--text goes with pattern 5"},
        {"tx eth1 --fill 7", "--fill goes with pattern 3"},
        {"tx eth1 --pattern 3 --fill 256", "--fill takes a byte"},
        {"tx eth1 --to 02:00:00:00:00", "--to takes an address"},
        {"tx eth1 --to 02:00:00:00:00:07:09", "--to takes"},
        {"tx eth1 --to 02::00:00:00:00:07", "--to takes"},
        {"tx eth1 --to 0200000000g7", "--to takes"},
        {"tx eth1 --interval 3600001", "--interval takes"},
        {"2way eth1 --client --interval -1", "--interval takes"},
        {"tx eth1 --timeout 0", "--timeout takes a number of seconds above 0"},
        {"tx eth1 --timeout soon", "--timeout takes"},
        {"rx eth1 --idle 2000001", "at most 2000000"},
        {"tx eth1 --frames 1 --frames 2", "--frames given twice"},
        {"tx eth1 --json=yes", "--json takes no value"},
        {"tx eth1 --report f", "unknown option --report for tx"},
        {"rx eth1 --condition bad", "give --report FILE"},
        {"rx eth1 --dump", "give --report FILE"},
        {"rx eth1 --report f --condition some", "all, good, bad or lost"},
        {"rx eth1 --start-pattern=", "at least one character"},
        {"2way eth1", "either --server or --client"},
        {"2way eth1 --server --client", "either --server or --client"},
        {"--help tx", "unexpected argument: tx"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parseCommandLine(words(c.line));
        EXPECT_FALSE(parsed.request) << c.line;
        EXPECT_NE(parsed.error.find(c.error), std::string::npos)
            << c.line << " gave: " << parsed.error;
    }
}

TEST(CommandLine, TheHintNamesTheModeAsFarAsItWasRead) {
    EXPECT_FALSE(parseCommandLine(words("tx")).request);
    EXPECT_EQ(parseCommandLine(words("tx")).mode, Mode::kTx);
    EXPECT_EQ(parseCommandLine(words("2way eth1")).mode, Mode::kTwoWay);
    EXPECT_FALSE(parseCommandLine(words("nonsense")).mode);
    EXPECT_TRUE(parseCommandLine(words("--help")).help);
    EXPECT_TRUE(parseCommandLine(words("-h")).help);
}

TEST(CommandLine, AddressesInTheirUsualSpellings) {
    const struct {
        const char* text;
        std::optional<loopkit::MacBytes> mac;
    } cases[] = {
        {"02:00:00:00:00:07", loopkit::MacBytes{2, 0, 0, 0, 0, 7}},
        {"ff-ff-ff-ff-ff-fe", loopkit::MacBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
        {"02 0 0 0 a 7", loopkit::MacBytes{2, 0, 0, 0, 0xA, 7}},
        {"0a1b2c3d4e5f", loopkit::MacBytes{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
        {"", std::nullopt},
        {"02:00:00:00:00:07:", std::nullopt},
        {":02:00:00:00:00:07", std::nullopt},
        {"020:00:00:00:00:07", std::nullopt},
        {"0a1b2c3d4e5", std::nullopt},
        {"02:00:00:00:00:0x", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseMac(c.text), c.mac) << "'" << c.text << "'";
}

}  // namespace
