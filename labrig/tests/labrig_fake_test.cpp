// The instrument library against a scripted GPIB library: exact bus calls, reply handling and
// the results of each operation.
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <labrig/labrig.h>

#include "portable.h"

namespace {

using namespace labrigtest;

constexpr int kDevice = 7;
constexpr int kEndCmpl = 0x2100;
constexpr int kErrTimo = 0xC100;

// The scripted library, loaded by the instrument library from LABRIG_GPIB_LIBRARY; loading
// the same path gives the same instance, so the test reaches its controls.
class FakeGpib {
public:
    FakeGpib() {
        setEnv("LABRIG_GPIB_LIBRARY", FAKE_GPIB_PATH);
        handle_ = openModule(FAKE_GPIB_PATH);
        if (!handle_) throw std::runtime_error(moduleError());
        reset_ = fn<void(int, int)>("fakeGpibReset");
        queueRead_ = fn<void(const char*, long, int)>("fakeGpibQueueRead");
        queueReply_ = fn<void(const char*)>("fakeGpibQueueReply");
        calls_ = fn<const char*()>("fakeGpibCalls");
    }
    ~FakeGpib() { closeModule(handle_); }

    void reset(int nextDevice = kDevice, bool failClear = false) {
        reset_(nextDevice, failClear ? 1 : 0);
    }
    void reply(const char* text) { queueReply_(text); }
    void read(const std::string& bytes, int status) {
        queueRead_(bytes.data(), static_cast<long>(bytes.size()), status);
    }
    std::string calls() const { return calls_(); }

private:
    template <class F>
    F* fn(const char* name) {
        return reinterpret_cast<F*>(moduleSymbol(handle_, name));
    }
    Module handle_;
    void (*reset_)(int, int);
    void (*queueRead_)(const char*, long, int);
    void (*queueReply_)(const char*);
    const char* (*calls_)();
};

class LabrigTest : public ::testing::Test {
protected:
    void SetUp() override {
        bus.reset();
        ASSERT_EQ(ChkSpecAna(), 1);
        bus.reset();  // the analyser stays current; only the calls after this are recorded
    }
    FakeGpib bus;
};

std::string writes(std::initializer_list<const char*> commands) {
    std::string out;
    for (const char* c : commands)
        out += "ibwrt 7 " + std::string(c) + "\n";
    return out;
}

std::string markerQuery(const char* query) {
    return "ibwrt 7 " + std::string(query) + "\nibrd 7 1024\n";
}

TEST_F(LabrigTest, OpensEachInstrumentWithItsAddressAndClearsIt) {
    EXPECT_EQ(ChkSpecAna(), 1);
    EXPECT_EQ(ChkPowMeter(), 1);
    EXPECT_EQ(bus.calls(), "ibdev 0 20 0 13 1 0\nibclr 7\nibdev 0 13 0 13 1 0\nibclr 7\n");
}

TEST_F(LabrigTest, AFailedClearTakesTheDeviceOffLine) {
    bus.reset(9, true);
    EXPECT_EQ(ChkSpecAna(), 0);
    EXPECT_EQ(bus.calls(), "ibdev 0 20 0 13 1 0\nibclr 9\nibonl 9 0\n");

    bus.reset(-1, true);  // no descriptor at all: nothing to take off line
    EXPECT_EQ(VBChkPowMeter(), 0);
    EXPECT_EQ(bus.calls(), "ibdev 0 13 0 13 1 0\nibclr -1\n");
}

TEST_F(LabrigTest, OffLineAndCleanup) {
    EXPECT_EQ(SpecOffLine(), 1);
    EXPECT_EQ(PwrOffLine(), 1);
    GPIBCleanup(-1);
    GPIBCleanup(4);
    EXPECT_EQ(bus.calls(), "ibonl 7 0\nibonl 7 0\nibonl 4 0\n");
}

struct SetUpCase {
    const char* name;
    std::function<int()> call;
    std::string expected;
};

TEST_F(LabrigTest, SetUpCommandsAreSentAsExactlyTheirBytesInOrder) {
    const SetUpCase cases[] = {
        {"SetSpecPars", [] { return SetSpecPars(2437, 20, -10); },
         writes({"DISP:TRAC:Y:RLEV -10dBm\\n", "INP:ATT 0dB\\n", "FREQ:CENT 2437MHZ\\n",
                 "FREQ:SPAN 20MHZ\\n", "BAND 1MHZ\\n", "BAND:VID 100KHZ\\n",
                 "CALC1:MARK:PEXC 2dB\\n"})},
        {"SetSpecRST", [] { return SetSpecRST(); },
         writes({"*CLS\\n", "*RST\\n", "SYST:DISP:UPD ON\\n"})},
        {"SetSpecDispON", [] { return VBSetSpecDispON(); }, writes({"SYST:DISP:UPD ON\\n"})},
        {"SetSpecCenFrq", [] { return SetSpecCenFrq(-5); }, writes({"FREQ:CENT -5MHZ\\n"})},
        {"SetSpecRLATT", [] { return VBSetSpecRLATT(-30, 25); },
         writes({"DISP:TRAC:Y:RLEV -30dBm\\n", "INP:ATT 25dB\\n"})},
        {"SetSpecBW", [] { return SetSpecBW(3, 300); },
         writes({"BAND 3MHZ\\n", "BAND:VID 300KHZ\\n"})},
    };
    for (const SetUpCase& c : cases) {
        bus.reset();
        EXPECT_EQ(c.call(), 1) << c.name;
        EXPECT_EQ(bus.calls(), c.expected) << c.name;
    }
}

TEST_F(LabrigTest, CarrierFrequencySequenceAndResult) {
    bus.reply("2.437012000E+09;-20.50\n");
    EXPECT_EQ(ReadSpecCarrierFrq(), 2437);
    EXPECT_EQ(bus.calls(),
              writes({"DISP:TRAC:MODE\\tWRIT\\n", "CALC1:MARK:AOFF\\n", "CALC1:MARK:PEXC 3dB\\n",
                      "DISP:TRAC:Y:RLEV 20dBm\\n", "INP:ATT 30dB\\n", "BAND 1MHZ\\n",
                      "BAND:VID 100KHZ\\n", "FREQ:SPAN 10MHZ\\n", "DISP:TRAC:MODE MAXH\\n",
                      "CALC1:MARK1 ON\\n", "DISP:TRAC:MODE AVER\\n"}) +
                  markerQuery("CALC1:MARK1:X?;Y?\\n") + writes({"DISP:TRAC:MODE\\tWRIT\\n"}));
}

TEST_F(LabrigTest, FrequencyAccuracyUsesTheLow16BitsOfTheNominalFrequency) {
    bus.reply("2437012000;-20.5\n");
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 5);  // 4.92 ppm
    bus.reply("2436987000;-20.5\n");
    EXPECT_EQ(VBReadSpecCarrierFrqAcc(2437), -5);  // -5.33 ppm
    bus.reply("2437001218.5;-20.5\n");
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 1);  // exactly 0.5 ppm
}

TEST_F(LabrigTest, NoCarrierGivesZeroAndAccuracy100) {
    bus.reply("2437012000;-36\n");
    EXPECT_EQ(ReadSpecCarrierFrq(), 0);
    bus.reply("2437012000;-36\n");
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 100);
    EXPECT_NE(bus.calls().rfind("DISP:TRAC:MODE\\tWRIT\\n\n"), std::string::npos);
}

// Replies the bus delivers but that hold no marker: an empty reply, one without ';', a lone
// line feed, a full buffer with no line feed, and a read that failed.
class BrokenReply : public LabrigTest, public ::testing::WithParamInterface<int> {
protected:
    void queue() {
        switch (GetParam()) {
            case 0:
                bus.read("", kEndCmpl);
                break;
            case 1:
                bus.read("2437012000\n", kEndCmpl);
                break;
            case 2:
                bus.read("\n", kEndCmpl);
                break;
            case 3:
                bus.read(std::string(1500, '7'), 0x0100);
                break;
            case 4:
                bus.read(";;;\n", kEndCmpl);
                break;
            case 5:
                bus.read("2437012000;-20.5\n", kErrTimo);
                break;
        }
    }
};

TEST_P(BrokenReply, FailsTheCarrierMeasurementsWithoutReadingPastTheReply) {
    queue();
    EXPECT_EQ(ReadSpecCarrierFrq(), 0);
    queue();
    EXPECT_EQ(ReadSpecCarrierFrqAcc(2437), 0);
}

TEST_P(BrokenReply, LeavesTheSideLobeOutputsUntouched) {
    int first = 1111, second = 2222;
    queue();
    EXPECT_EQ(ReadSpecSideLobePwr(&first, &second), 0);
    bus.reply("2.437E+09;-20.0\n");
    queue();
    EXPECT_EQ(ReadSpecSideLobePwr1(&first, &second), 0);
    EXPECT_EQ(first, 1111);
    EXPECT_EQ(second, 2222);
}

INSTANTIATE_TEST_SUITE_P(Replies, BrokenReply, ::testing::Range(0, 6));

TEST_F(LabrigTest, SideLobesFromThreeDeltaMarkers) {
    for (const char* reply :
         {"2.437E+09;-20.0\n", "2.426E+09;-33.50\n", "2.448E+09;-32.125\n", "2.459E+09;-53.2\n"}) {
        bus.reply(reply);
    }
    int first = 0, second = 0;
    EXPECT_EQ(ReadSpecSideLobePwr(&first, &second), 1);
    EXPECT_EQ(first, -3213);  // the larger of -3350 and -3212.5, rounded away from zero
    EXPECT_EQ(second, -5320);
    std::string calls = bus.calls();
    EXPECT_NE(calls.find(writes({"CALC1:MARK1 ON\\n", "CALC1:DELT2 ON\\n", "CALC1:DELT3 ON\\n",
                                 "CALC1:DELT4 ON\\n", "DISP:TRAC:MODE AVER\\n"})),
              std::string::npos);
    EXPECT_NE(
        calls.find(markerQuery("CALC1:DELT4:X?;Y?\\n") + writes({"DISP:TRAC:MODE\\tWRIT\\n"})),
        std::string::npos);
}

TEST_F(LabrigTest, SideLobesByPeakSearchSkipPeaksWithin6dB) {
    // Marker 1, then the delta marker walking down the peaks.
    for (const char* reply : {"2.437E+09;-20.0\n", "2.448E+09;-32.0\n", "2.426E+09;-33.5\n",
                              "2.459E+09;-53.2\n", "2.415E+09;-60.0\n"}) {
        bus.reply(reply);
    }
    int first = 0, second = 0;
    EXPECT_EQ(ReadSpecSideLobePwr1(&first, &second), 1);
    EXPECT_EQ(first, -3200);
    EXPECT_EQ(second, -5320);
    std::string calls = bus.calls();
    size_t nexts = 0;
    for (size_t at = calls.find("MAX:NEXT"); at != std::string::npos;
         at = calls.find("MAX:NEXT", at + 1))
        ++nexts;
    EXPECT_EQ(nexts, 3u);  // stops once two peaks are counted
}

TEST_F(LabrigTest, PeakSearchGivesUpAfterNineRoundsAndWritesOnlyWhatItFound) {
    bus.reply("2.437E+09;-20.0\n");
    bus.reply("2.448E+09;-32.0\n");
    for (int i = 0; i < 8; ++i)
        bus.reply("2.448E+09;-33.0\n");
    int first = 0, second = 4242;
    EXPECT_EQ(ReadSpecSideLobePwr1(&first, &second), 1);
    EXPECT_EQ(first, -3200);
    EXPECT_EQ(second, 4242);
}

TEST_F(LabrigTest, SpuriousSweepChecksFiveMarkers) {
    struct Case {
        const char* low2;
        const char* low3;
        const char* high1;
        int expected;
    } cases[] = {
        {"1.0E+08;-60\n", "2.437E+09;-10\n", "4.874E+09;-62\n", 1},  // marker 3 on the carrier
        {"1.2E+09;-30\n", "2.2E+08;-60\n", "4.874E+09;-62\n", 0},    // low-band spur
        {"1.0E+08;-60\n", "2.2E+08;-60\n", "4.874E+09;-45\n", 0},    // -45 dBm is not clean
    };
    for (const Case& c : cases) {
        for (const char* reply :
             {"2.437E+09;-10\n", c.low2, c.low3, c.high1, "3.0E+09;-70\n", "5.0E+09;-70\n"}) {
            bus.reply(reply);
        }
        EXPECT_EQ(StartSpurSweetTest(), c.expected) << c.low2 << c.low3 << c.high1;
    }
}

TEST_F(LabrigTest, PowerReadingIsPrintedAndRoundedHalfAwayFromZero) {
    struct Case {
        const char* reply;
        int expected;
        const char* printed;
    } cases[] = {
        {"+1.53000000E+01\n", 1530, "Data read: +1.53000000E+01\n"},
        {"-0.125\n", -13, "Data read: -0.125\n"},
        {"0.125\n", 13, "Data read: 0.125\n"},
        {"-7.004\n", -700, "Data read: -7.004\n"},
    };
    for (const Case& c : cases) {
        bus.reply(c.reply);
        testing::internal::CaptureStdout();
        EXPECT_EQ(ReadPowerMeter(), c.expected);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
    bus.reset();
    EXPECT_EQ(VBReadPowerMeter(), 0);  // no reply: a failed read
    EXPECT_EQ(bus.calls(), "ibwrt 7 MEAS2? DEF,DEF,(@1)\\n\nibrd 7 1024\n");
}

TEST(LabrigRound, RoundingStepAndItsTruncation) {
    // round(double) has C++ linkage and the C library's name; fetch it by its mangled name
    // rather than declare it beside <cmath>.
    auto* labrigRound = reinterpret_cast<double(KV_CDECL*)(double)>(ownSymbol("_Z5roundd"));
    ASSERT_NE(labrigRound, nullptr);
    struct Case {
        double x, rounded;
        int truncated;
    } cases[] = {
        {-2.5, -3.5, -3}, {2.4, 2.4, 2},    {2.5, 3.5, 3}, {-2.4, -2.4, -2},
        {0.5, 1.5, 1},    {-0.5, -1.5, -1}, {0.0, 0.0, 0}, {1e6 + 0.49, 1e6 + 0.49, 1000000}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(labrigRound(c.x), c.rounded) << c.x;
        EXPECT_EQ(static_cast<int>(labrigRound(c.x)), c.truncated) << c.x;
    }
}

TEST(LabrigMisc, VersionAndDelay) {
    EXPECT_EQ(LabrigDLLVersion(), 100);
    EXPECT_EQ(VBLabrigDLLVersion(), 100);
    Delay1(0);
    Delay1(3);
}

}  // namespace
