// Bus-level behaviour: descriptors, errors, reads and writes, configuration loading.
#include <chrono>
#include <cstring>

#include "bus_fixture.h"

namespace gpibsim::test {
namespace {

using BusTest = BusFixture;

struct BadOpen {
    const char* what;
    int board, pad, sad, tmo;
    int iberr;
};

TEST_F(BusTest, IbdevRejectsBadBoardAndArguments) {
    const BadOpen cases[] = {
        {"board 1", 1, kAnalyser, 0, 11, GPIBSIM_ENEB}, {"pad 31", 0, 31, 0, 11, GPIBSIM_EARG},
        {"pad -1", 0, -1, 0, 11, GPIBSIM_EARG},         {"sad 0x5F", 0, 1, 0x5f, 11, GPIBSIM_EARG},
        {"sad 0x7F", 0, 1, 0x7f, 11, GPIBSIM_EARG},     {"tmo 18", 0, 1, 0, 18, GPIBSIM_EARG},
        {"tmo -1", 0, 1, 0, -1, GPIBSIM_EARG},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ibdev(c.board, c.pad, c.sad, c.tmo, 1, 0), -1) << c.what;
        EXPECT_EQ(ThreadIbsta(), kFailed) << c.what;
        EXPECT_EQ(ThreadIberr(), c.iberr) << c.what;
    }
}

TEST_F(BusTest, MissingListenerShowsOnFirstTransfer) {
    const int nobody = open(5);
    EXPECT_EQ(ThreadIbsta(), GPIBSIM_CMPL);
    EXPECT_NE(open(5), nobody) << "descriptors are not reused";
    const int secondary = ibdev(0, kAnalyser, 0x60, 11, 1, 0);
    ASSERT_GE(secondary, 0);
    opened_.push_back(secondary);
    for (const int ud : {nobody, secondary}) {
        EXPECT_EQ(ibwrt(ud, "*IDN?\n", 6), kFailed);
        EXPECT_EQ(ThreadIberr(), GPIBSIM_ENOL);
        EXPECT_EQ(ThreadIbcntl(), 0);
        EXPECT_EQ(ibclr(ud), kFailed);
        EXPECT_EQ(ThreadIberr(), GPIBSIM_ENOL);
        char buffer[16];
        EXPECT_EQ(ibrd(ud, buffer, sizeof buffer), kTimedOut);
        EXPECT_EQ(ThreadIberr(), GPIBSIM_EABO);
    }
}

TEST_F(BusTest, UnknownDescriptorIsEdvr) {
    char buffer[8];
    const int results[] = {ibclr(9999), ibonl(9999, 1), ibwrt(9999, "x", 1),
                           ibrd(9999, buffer, sizeof buffer), ibonl(-1, 0)};
    for (const int status : results)
        EXPECT_EQ(status, kFailed);
    EXPECT_EQ(ThreadIberr(), GPIBSIM_EDVR);
}

TEST_F(BusTest, IbonlZeroFreesTheDescriptor) {
    const int ud = open(kAnalyser);
    EXPECT_EQ(ibonl(ud, 1), GPIBSIM_CMPL);
    send(ud, "*CLS\n");
    EXPECT_EQ(ibonl(ud, 0), GPIBSIM_CMPL);
    EXPECT_EQ(ibwrt(ud, "*CLS\n", 5), kFailed);
    EXPECT_EQ(ThreadIberr(), GPIBSIM_EDVR);
    EXPECT_EQ(ibonl(ud, 0), kFailed);
}

TEST_F(BusTest, BadBufferArgumentsAreEarg) {
    const int ud = openReset(kAnalyser);
    EXPECT_EQ(ibwrt(ud, "x", -1), kFailed);
    EXPECT_EQ(ThreadIberr(), GPIBSIM_EARG);
    send(ud, "*IDN?\n");
    EXPECT_EQ(ibrd(ud, nullptr, 10), kFailed);
    EXPECT_EQ(ThreadIberr(), GPIBSIM_EARG);
}

TEST_F(BusTest, WriteDeliversCountBytes) {
    const int ud = openReset(kAnalyser);
    const char message[] = "*IDN?\nGARBAGE";
    EXPECT_EQ(ibwrt(ud, message, 6), kOk);
    EXPECT_EQ(ThreadIbcntl(), 6);
    EXPECT_EQ(readReply(ud), "Simulated,Spectrum Analyser,0,1.0\n");
    EXPECT_EQ(query(ud, "SYST:ERR?"), "0,\"No error\"\n") << "a message may end without newline";
}

TEST_F(BusTest, PartialReadsSetEndOnlyOnTheLastPart) {
    const int ud = openReset(kAnalyser);
    send(ud, "*IDN?\n");
    const std::string expected = "Simulated,Spectrum Analyser,0,1.0\n";
    std::string reply;
    char buffer[8];
    for (std::size_t part = 0; part < 5; ++part) {
        const int status = ibrd(ud, buffer, sizeof buffer);
        reply.append(buffer, static_cast<std::size_t>(ThreadIbcnt()));
        const bool last = reply.size() == expected.size();
        EXPECT_EQ(status, kOk | (last ? GPIBSIM_END : 0)) << part;
        EXPECT_EQ(ThreadIbcnt(), last ? 2 : 8);
    }
    EXPECT_EQ(reply, expected);
    EXPECT_EQ(ibrd(ud, buffer, sizeof buffer), kTimedOut);
}

TEST_F(BusTest, ReadWithoutReplyTimesOutAtOnce) {
    const int ud = ibdev(0, kAnalyser, 0, 17, 1, 0);  // a 1000 s time-out
    opened_.push_back(ud);
    send(ud, "*RST\n");
    char buffer[8];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ibrd(ud, buffer, sizeof buffer), kTimedOut);
    EXPECT_EQ(ThreadIberr(), GPIBSIM_EABO);
    EXPECT_EQ(ThreadIbcntl(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(BusTest, NewMessageOrClearDiscardsUnreadReply) {
    const int ud = openReset(kAnalyser);
    send(ud, "*IDN?\n");
    EXPECT_EQ(query(ud, "FREQ:CENT?\n"), "3.750000000E+09\n");
    send(ud, "FREQ:CENT 1GHZ\n*IDN?\n");
    EXPECT_EQ(ibclr(ud), kOk);
    EXPECT_EQ(readReply(ud), std::nullopt);
    EXPECT_EQ(query(ud, "FREQ:CENT?\n"), "1.000000000E+09\n") << "clear keeps settings";
}

TEST_F(BusTest, ConfigurationErrorsRemoveTheBoard) {
    const int before = open(kAnalyser);
    struct Case {
        const char* text;
        const char* message;
    } const cases[] = {
        {"[analyser]\nspur = 1 2\nbogus = 1\n", "gpibsim.conf:3: unknown key \"bogus\""},
        {"[scope]\n", "gpibsim.conf:1: unknown section [scope]"},
    };
    for (const auto& c : cases) {
        useConfig(c.text);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ibdev(0, kAnalyser, 0, 11, 1, 0), -1);
        const std::string diagnostics = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(ThreadIberr(), GPIBSIM_ENEB);
        EXPECT_TRUE(diagnostics.starts_with("gpibsim: " + dir_.string())) << diagnostics;
        EXPECT_NE(diagnostics.find(c.message), std::string::npos) << diagnostics;
        EXPECT_EQ(ibwrt(before, "*RST\n", 5), kFailed);
        EXPECT_EQ(ThreadIberr(), GPIBSIM_ENEB);
    }
    setenv("GPIBSIM_CONFIG", path("absent.conf").c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ibdev(0, kAnalyser, 0, 11, 1, 0), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("absent.conf: cannot open"),
              std::string::npos);
    unsetenv("GPIBSIM_CONFIG");
    open(kMeter);
    EXPECT_EQ(ibwrt(before, "*RST\n", 5), kOk) << "a good configuration brings the board back";
}

TEST_F(BusTest, ConfiguredAddressesMoveTheInstruments) {
    useConfig("[analyser]\naddress = 7\n[powermeter]\naddress = 8\n");
    EXPECT_EQ(query(open(7), "*IDN?\n"), "Simulated,Spectrum Analyser,0,1.0\n");
    EXPECT_EQ(query(open(8), "*IDN?\n"), "Simulated,Power Meter,0,1.0\n");
    EXPECT_EQ(ibwrt(open(kAnalyser), "*IDN?\n", 6), kFailed);
}

TEST_F(BusTest, PowerMeterMeasuresTheConfiguredPower) {
    const int meter = openReset(kMeter);
    EXPECT_EQ(query(meter, "MEAS2? DEF,DEF,(@1)\n"), "+1.53000000E+01\n");
    EXPECT_EQ(query(meter, "*IDN?\n"), "Simulated,Power Meter,0,1.0\n");
    EXPECT_EQ(query(meter, "FREQ:CENT 1GHZ;:MEAS?\n"), "+1.53000000E+01\n");
    EXPECT_EQ(query(meter, "SYST:ERR?;ERR?\n"), "-113,\"Undefined header\";0,\"No error\"\n");
    useConfig("[powermeter]\npower_dbm = -3.25\n");
    EXPECT_EQ(query(open(kMeter), "MEAS2? DEF,DEF,(@1)\n"), "-3.25000000E+00\n");
}

}  // namespace
}  // namespace gpibsim::test
