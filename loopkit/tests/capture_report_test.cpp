// The report file of a capture, byte for byte, and the report arrays filled beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "loopkit_fixture.h"
#include "rx_engine.h"
#include "support/temp_dir.h"

namespace {

using namespace loopkit_test;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

const std::regex kHeaderLine(
    R"(Data Captured by Loopkit start at (\d{4}):\d{1,2}:\d{1,2}:\d{1,2}:\d{1,2}:\d{1,2}\r\n)");
const std::string kRule = "-----------------------------------------------\r\n";

// --- Header ----------------------------------------------------------------------------------

struct HeaderCase {
    int condition;
    std::string line;
};

class ReportHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(ReportHeader, NamesTheConditionAndTheStartTime) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "report.txt").string();
    {
        std::ofstream old(path);
        old << "stale content that the capture start truncates";
    }
    loopkit::RxEngine engine;
    ASSERT_TRUE(
        engine.prepareCapture({.condition = GetParam().condition, .reportPath = path.c_str()}));
    engine.concludeCapture();
    const std::string text = readFile(path);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match, kHeaderLine)) << text;
    EXPECT_EQ(match.position(0), 0);
    SYSTEMTIME now{};
    GetSystemTime(&now);
    EXPECT_EQ(std::stoi(match[1]), now.wYear);
    EXPECT_EQ(text.substr(match.length(0)), GetParam().line + kRule);
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ReportHeader,
    testing::Values(HeaderCase{REPORT_ALL, "Report Condition: REPORT_ALL\r\n"},
                    HeaderCase{REPORT_ONLY_BAD, "Report Condition: REPORT_ONLY_BAD\r\n"},
                    HeaderCase{REPORT_ONLY_LOST, "Report Condition: REPORT_ONLY_LOST\r\n"},
                    HeaderCase{3, ""}));

// --- Records through a capture ---------------------------------------------------------------

class CaptureReport : public MediumTest {
protected:
    void SetUp() override {
        MediumTest::SetUp();
        rx = KvRxCreate(&rxInfo);
        ASSERT_NE(rx, nullptr);
        path = (dir.path() / "capture.txt").string();
    }
    void TearDown() override {
        KvRxClose(rx);
        MediumTest::TearDown();
    }
    // The file's text after the header.
    std::string records() {
        const std::string text = readFile(path);
        const size_t body = text.find(kRule);
        return body == std::string::npos ? text : text.substr(body + kRule.size());
    }

    testsupport::TempDir dir;
    std::string path;
    void* rx = nullptr;
    CallLog done;
};

const std::string kGoodDump =
    "802.3    Dest: FF.FF.FF.FF.FF.FF   Src:  02.00.00.00.00.0A    Length: 24576\r\n"
    "000000:  FF FF FF FF FF FF 02 00 : 00 00 00 0A 60 00 00 00    ............`...\r\n"
    "000010:  24 5A ED 01 00 03 00 00 : 41 41 41 41 41 41 41 41    $Z......AAAAAAAA\r\n"
    "000020:  41 41 41 41 41 41 41 41 : 41 41 41 41 41 41 41 41    AAAAAAAAAAAAAAAA\r\n"
    "000030:  41 41 41 41 41 41 41 41 : 41 41 41 41                AAAAAAAAAAAA....\r\n"
    "\r\n";
const std::string kBadDump =
    "802.3    Dest: FF.FF.FF.FF.FF.FF   Src:  02.00.00.00.00.0A    Length: 24576\r\n"
    "000000:  FF FF FF FF FF FF 02 00 : 00 00 00 0A 60 00 00 00    ............`...\r\n"
    "000010:  24 5A ED 02 00 03 00 00 : 41 41 41 41 41 41 41 41    $Z......AAAAAAAA\r\n"
    "000020:  41 41 41 41 41 41 41 41 : 41 41 41 41 42 41 41 41    AAAAAAAAAAAABAAA\r\n"
    "000030:  41 41 41 41 41 41 41 41 : 41 41 41 41                AAAAAAAAAAAA....\r\n"
    "\r\n";

TEST_F(CaptureReport, WritesQuietAndDumpRecordsByteForByte) {
    std::array<_Rx_Frame_Report_Quiet, 4> quiet{};
    std::array<_Rx_Frame_Report_Dump, 4> dump{};
    const size_t quietBefore = quietLog().count();
    const size_t dumpBefore = dumpLog().count();
    ASSERT_TRUE(KvRxStartCapture(rx, nullptr, 0, true, true, false, false, CallLog::record, &done,
                                 REPORT_ALL, recordQuiet, quiet.data(), quiet.size(), recordDump,
                                 dump.data(), dump.size(), path.data()));
    sendRaw(goodFrame(1));
    sendRaw(badFrame(2));
    ASSERT_TRUE(quietLog().waitFor(quietBefore + 2));
    ASSERT_TRUE(dumpLog().waitFor(dumpBefore + 2));
    KvRxStopCapture(rx);
    ASSERT_TRUE(done.waitFor(1));

    const std::string good = "Frame Number: 1\r\nIsGood: 1\r\nFrame Size: 60\r\nHave Lost: 0\r\n";
    const std::string bad = "Frame Number: XXX\r\nIsGood: 0\r\nFrame Size: 60\r\nHave Lost: 0\r\n";
    EXPECT_EQ(records(), good + "\r\n" + good + "Frame DATA:\r\n" + kGoodDump +  //
                             bad + "\r\n" + bad + "Frame DATA:\r\n" + kBadDump);
    EXPECT_EQ(quiet[0].IsGood, 1);
    EXPECT_EQ(quiet[1].IsGood, 0);
    EXPECT_EQ(dump[1].FrameSize, 60u);
    EXPECT_EQ(Bytes(dump[1].FrameBytes, dump[1].FrameBytes + 60), badFrame(2));
}

TEST_F(CaptureReport, AFullArrayStopsRecordsButNotTheFile) {
    std::array<_Rx_Frame_Report_Quiet, 4> quiet{};
    const size_t before = quietLog().count();
    ASSERT_TRUE(KvRxStartCapture(rx, nullptr, 0, true, true, false, false, CallLog::record, &done,
                                 REPORT_ALL, recordQuiet, quiet.data(), 3, nullptr, nullptr, 0,
                                 path.data()));
    for (uint16_t s = 0; s < 10; ++s)
        sendRaw(goodFrame(s));
    ASSERT_TRUE(waitUntil([&] { return KvRxGetPacketsGood(rx) == 10; }));
    KvRxStopCapture(rx);
    ASSERT_TRUE(done.waitFor(1));
    ASSERT_TRUE(quietLog().waitFor(before + 3));

    const std::string text = records();
    EXPECT_EQ(occurrences(text, "Frame Number: "), 10u);
    EXPECT_NE(text.find("Frame Number: 10\r\nIsGood: 1\r\nFrame Size: 60\r\nHave Lost: 0\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(occurrences(text, "Frame DATA:"), 0u);
    EXPECT_EQ(quiet[2].FrameSize, 60u);
    EXPECT_EQ(quiet[3].FrameSize, 0u);
}

TEST_F(CaptureReport, AFileThatCannotBeCreatedLeavesTheCaptureRunning) {
    std::string missing = (dir.path() / "no" / "such" / "dir.txt").string();
    ASSERT_TRUE(KvRxStartCapture(rx, nullptr, 0, true, true, false, false, CallLog::record, &done,
                                 REPORT_ALL, recordQuiet, nullptr, 0, nullptr, nullptr, 0,
                                 missing.data()));
    sendRaw(goodFrame(0));
    ASSERT_TRUE(waitUntil([&] { return KvRxGetPacketsGood(rx) == 1; }));
    KvRxStopCapture(rx);
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
