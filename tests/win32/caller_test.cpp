// The DLLs as a Windows program that knows only their names finds and calls them: each library
// is loaded with LoadLibraryA, each entry found with GetProcAddress, and every call measures
// what the entry did to the stack. The VB twins (and Passphrase64/128) must pop their arguments
// (stdcall), the decorated C++ entries must leave them to the caller (cdecl), and both must
// answer what the Linux build answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include <nicapi/nicapi.h>
#include <phrasekey/phrasekey.h>

#include <support/alertable_wait.h>

#include "call_words.h"

namespace {

// --- Calling an entry ------------------------------------------------------------------------

// One stack word: an integer or a pointer as the 32-bit value the entry reads.
struct Word {
    template <typename T>
    Word(T value) {
        if constexpr (std::is_null_pointer_v<T>)
            bits = 0;
        else if constexpr (std::is_pointer_v<T>)
            bits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
        else
            bits = static_cast<uint32_t>(value);
    }
    uint32_t bits;
};
using Words = std::vector<Word>;

// A double argument takes two words, the low one first.
Words doubleWords(double value) {
    uint32_t halves[2];
    std::memcpy(halves, &value, sizeof value);
    return {halves[0], halves[1]};
}

enum class Convention { CalleeCleans, CallerCleans, ThisCall };

class Dll {
public:
    explicit Dll(const char* file) : module_(LoadLibraryA(file)), error_(GetLastError()) {}
    ~Dll() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    bool loaded() const { return module_ != nullptr; }
    DWORD error() const { return error_; }
    const void* entry(const std::string& name) const {
        return reinterpret_cast<const void*>(GetProcAddress(module_, name.c_str()));
    }

private:
    HMODULE module_;
    DWORD error_;
};

// Calls `name` and checks the stack after it: a callee-cleans or thiscall entry pops all its
// words, a caller-cleans entry none.
CallResult call(const Dll& dll, const std::string& name, Convention convention, const Words& args,
                bool floatResult = false, const void* self = nullptr) {
    CallResult result{};
    const void* fn = dll.entry(name);
    if (fn == nullptr) {
        ADD_FAILURE() << name << " is not exported";
        return result;
    }
    std::vector<uint32_t> words;
    for (const Word& word : args)
        words.push_back(word.bits);
    kvCallWords(fn, words.data(), static_cast<uint32_t>(words.size()), self, floatResult ? 1 : 0,
                &result);
    const bool callerCleans = convention == Convention::CallerCleans;
    EXPECT_EQ(result.popped, callerCleans ? 0u : 4 * words.size())
        << name
        << (callerCleans ? " must leave its arguments to the caller" : " must pop its arguments");
    return result;
}

// An operation's two entries: the callee-cleans VB twin and the caller-cleans C++ entry.
struct Twin {
    std::string vb;
    std::string decorated;
};
enum class Side { VB, Decorated };
void PrintTo(Side side, std::ostream* out) {
    *out << (side == Side::VB ? "the VB twins" : "the decorated entries");
}

CallResult call(const Dll& dll, Side side, const Twin& twin, const Words& args) {
    return side == Side::VB ? call(dll, twin.vb, Convention::CalleeCleans, args)
                            : call(dll, twin.decorated, Convention::CallerCleans, args);
}

// Both entries with the same arguments, the VB twin first.
std::array<CallResult, 2> callBoth(const Dll& dll, const Twin& twin, const Words& args) {
    return {call(dll, Side::VB, twin, args), call(dll, Side::Decorated, twin, args)};
}

bool flag(const CallResult& result) {
    return (result.eax & 0xFF) != 0;  // bool comes back in al
}

using testsupport::waitUntil;

// One fixture per library: the DLL is loaded once for the program, from beside it.
template <const char* kFile>
class DllTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll().loaded()) << kFile << ": LoadLibraryA error " << dll().error();
    }
    static const Dll& dll() {
        static const Dll loaded(kFile);
        return loaded;
    }
};

// --- phrasekey.dll ---------------------------------------------------------------------------

constexpr char kPhrasekeyFile[] = "phrasekey.dll";
using PhrasekeyDll = DllTest<kPhrasekeyFile>;

struct PhraseCase {
    const char* phrase;
    const char* key64;
    const char* key128;  // empty: no key, result 0
};
// The Linux build's keys (phrasekey/tests/phrasekey_test.cpp).
const PhraseCase kPhrases[] = {
    {"", "2627f6859715ad1dd294ddc476193931f1adb558", ""},
    {"a", "63cace42d9f201f42a09d275059af9b4721c60fd", "014842d480b571495a4a036379"},
    {"secret", "c93ca31ecadc1124096faf8c5062bfdd15219276", "1c064922046d6517dfef3b7ef3"},
    {"Hello, world!", "c8c8cedfb1d780619b0a5cb6270ab000ba39a7cc", "5bff536b1e1d5bd082d3eb8a96"},
    {"\xff\x80\x01", "62a0314f73be28b89584918e1f00126f88da7e78", "c11c0aaf840eac71b272cd20d0"},
};

TEST_F(PhrasekeyDll, PassphraseEntriesPopTheirArgumentsAndGiveTheLinuxKeys) {
    for (const PhraseCase& c : kPhrases) {
        SCOPED_TRACE(testing::Message() << '"' << c.phrase << '"');
        char key64[PHRASEKEY_KEY64_TEXT_SIZE] = {};
        char key128[PHRASEKEY_KEY128_TEXT_SIZE] = {};
        EXPECT_EQ(call(dll(), "Passphrase64", Convention::CalleeCleans, {c.phrase, key64}).eax, 1u);
        EXPECT_STREQ(key64, c.key64);
        const CallResult result =
            call(dll(), "Passphrase128", Convention::CalleeCleans, {c.phrase, key128});
        EXPECT_EQ(result.eax, c.key128[0] == '\0' ? 0u : 1u);
        EXPECT_STREQ(key128, c.key128);
    }
}

TEST_F(PhrasekeyDll, DecoratedFunctionVariableAndClass) {
    EXPECT_EQ(call(dll(), "_Z11fnPhrasekeyv", Convention::CallerCleans, {}).eax, 42u);
    const void* variable = dll().entry("nPhrasekey");
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(*static_cast<const int*>(variable), 0);
    // Member functions take the object in ecx and pop their other arguments (thiscall).
    alignas(4) char object[4] = {};
    const char other[4] = {};
    for (const char* constructor : {"_ZN10CPhrasekeyC1Ev", "_ZN10CPhrasekeyC2Ev"})
        call(dll(), constructor, Convention::ThisCall, {}, false, object);
    EXPECT_EQ(
        call(dll(), "_ZN10CPhrasekeyaSERKS_", Convention::ThisCall, {other}, false, object).eax,
        reinterpret_cast<uintptr_t>(object));
}

// --- labrig.dll on the simulated bus ----------------------------------------------------------

constexpr char kLabrigFile[] = "labrig.dll";

class LabrigDll : public DllTest<kLabrigFile> {
protected:
    static void SetUpTestSuite() {
        config_ =
            testing::TempDir() + "caller_test_" + std::to_string(GetCurrentProcessId()) + ".conf";
        _putenv_s("LABRIG_GPIB_LIBRARY", "gpibsim.dll");
        _putenv_s("GPIBSIM_CONFIG", config_.c_str());
    }
    static void TearDownTestSuite() { std::remove(config_.c_str()); }

    // The bus reads its description again at every device open.
    static void describeBus(const char* config) { std::ofstream(config_) << config; }

    static std::string config_;
};
std::string LabrigDll::config_;

// Entries of labrig: the VB twin is the name with the prefix VB.
Twin labrig(const char* name, const char* decorated) {
    return {std::string("VB") + name, decorated};
}

struct Measurement {
    const char* name;
    const char* decorated;
    std::vector<int> args;
    int expected;
};
struct Bench {
    const char* config;
    std::vector<Measurement> steps;
};

constexpr const char* kQuietCarrier =
    "[analyser]\nnoise_dbm = -140\ncarrier_mhz = 2437\ncarrier_dbm = -20\n"
    "sidelobe = 11 -33.5 -32.0\nsidelobe = 22 -54.0 -53.2\n";

// Benches and results of the Linux build (labrig/tests/labrig_sim_test.cpp). Each step runs
// through both entries, VB first: the instruments answer the same twice.
const Bench kBenches[] = {
    {"[analyser]\ncarrier_mhz = 2437.012\ncarrier_dbm = -20.5\n",
     {
         {"ChkSpecAna", "_Z10ChkSpecAnav", {}, 1},
         {"SetSpecRST", "_Z10SetSpecRSTv", {}, 1},
         {"SetSpecDispON", "_Z13SetSpecDispONv", {}, 1},
         {"SetSpecCenFrq", "_Z13SetSpecCenFrqi", {2437}, 1},
         {"SetSpecRLATT", "_Z12SetSpecRLATTii", {0, 10}, 1},
         {"SetSpecBW", "_Z9SetSpecBWii", {1, 100}, 1},
         {"SetSpecPars", "_Z11SetSpecParsiii", {2437, 60, 0}, 1},
         {"ReadSpecCarrierFrq", "_Z18ReadSpecCarrierFrqv", {}, 2437},
         {"ReadSpecCarrierFrqAcc", "_Z21ReadSpecCarrierFrqAccs", {2437}, 5},
         {"ReadSpecCarrierFrqAcc", "_Z21ReadSpecCarrierFrqAccs", {2412}, 10370},
     }},
    {kQuietCarrier,
     {
         {"ChkSpecAna", "_Z10ChkSpecAnav", {}, 1},
         {"SetSpecPars", "_Z11SetSpecParsiii", {2437, 60, 0}, 1},
         {"StartSpurSweetTest", "_Z18StartSpurSweetTestv", {}, 1},
     }},
    {"[analyser]\ncarrier_mhz = 2437\ncarrier_dbm = -36\n",
     {
         {"ChkSpecAna", "_Z10ChkSpecAnav", {}, 1},
         {"SetSpecPars", "_Z11SetSpecParsiii", {2437, 60, 0}, 1},
         {"ReadSpecCarrierFrq", "_Z18ReadSpecCarrierFrqv", {}, 0},
         {"ReadSpecCarrierFrqAcc", "_Z21ReadSpecCarrierFrqAccs", {2437}, 100},
     }},
    {"[powermeter]\npower_dbm = 15.3\n",
     {
         {"ChkPowMeter", "_Z11ChkPowMeterv", {}, 1},
         {"ReadPowerMeter", "_Z14ReadPowerMeterv", {}, 1530},
         {"LabrigDLLVersion", "_Z16LabrigDLLVersionv", {}, 100},
     }},
};

TEST_F(LabrigDll, MeasurementsThroughBothEntries) {
    for (const Bench& bench : kBenches) {
        describeBus(bench.config);
        for (const Measurement& step : bench.steps) {
            SCOPED_TRACE(testing::Message() << step.name << " on " << bench.config);
            const Words args(step.args.begin(), step.args.end());
            for (const CallResult& result :
                 callBoth(dll(), labrig(step.name, step.decorated), args))
                EXPECT_EQ(static_cast<int>(result.eax), step.expected);
        }
    }
}

// Taking an instrument off line twice answers 0 the second time: each entry gets its own open.
TEST_F(LabrigDll, OffLineThroughBothEntries) {
    struct Instrument {
        const char* config;
        Twin open, offLine;
    };
    const Instrument instruments[] = {
        {kQuietCarrier, labrig("ChkSpecAna", "_Z10ChkSpecAnav"),
         labrig("SpecOffLine", "_Z11SpecOffLinev")},
        {"[powermeter]\npower_dbm = 15.3\n", labrig("ChkPowMeter", "_Z11ChkPowMeterv"),
         labrig("PwrOffLine", "_Z10PwrOffLinev")},
    };
    for (const Instrument& instrument : instruments) {
        describeBus(instrument.config);
        for (Side side : {Side::VB, Side::Decorated}) {
            SCOPED_TRACE(side == Side::VB ? instrument.offLine.vb : instrument.offLine.decorated);
            ASSERT_EQ(call(dll(), side, instrument.open, {}).eax, 1u);
            EXPECT_EQ(call(dll(), side, instrument.offLine, {}).eax, 1u);
        }
    }
}

TEST_F(LabrigDll, SideLobesThroughBothEntries) {
    describeBus(kQuietCarrier);
    ASSERT_EQ(call(dll(), "VBChkSpecAna", Convention::CalleeCleans, {}).eax, 1u);
    for (const Twin& twin : {labrig("ReadSpecSideLobePwr", "_Z19ReadSpecSideLobePwrPiS_"),
                             labrig("ReadSpecSideLobePwr1", "_Z20ReadSpecSideLobePwr1PiS_")}) {
        for (Side side : {Side::VB, Side::Decorated}) {
            SCOPED_TRACE(side == Side::VB ? twin.vb : twin.decorated);
            ASSERT_EQ(
                call(dll(), Side::VB, labrig("SetSpecPars", "_Z11SetSpecParsiii"), {2437, 60, 0})
                    .eax,
                1u);
            int first = 0, second = 0;
            EXPECT_EQ(call(dll(), side, twin, {&first, &second}).eax, 1u);
            EXPECT_EQ(first, -3200);
            EXPECT_EQ(second, -5320);
        }
    }
}

TEST_F(LabrigDll, DecoratedOnlyEntries) {
    struct Rounding {
        double x, expected;
    };
    // x + 1 from a fraction of 0.5 up, away from zero; the caller truncates.
    for (const Rounding& c : {Rounding{2.5, 3.5}, Rounding{-2.5, -3.5}, Rounding{2.25, 2.25}}) {
        EXPECT_EQ(call(dll(), "_Z5roundd", Convention::CallerCleans, doubleWords(c.x), true).st0,
                  c.expected)
            << c.x;
    }
    call(dll(), "_Z11GPIBCleanupi", Convention::CallerCleans, {-1});
    call(dll(), "_Z6Delay1i", Convention::CallerCleans, {1});
}

// --- loopkit.dll on the in-memory medium -----------------------------------------------------

constexpr char kLoopkitFile[] = "loopkit.dll";
constexpr char kPktdrvFile[] = "pktdrv.dll";

const Twin kTxCreate{"VBKvTxCreate", "_Z10KvTxCreateP13WLAdapterInfo"};
const Twin kTxSend{"VBKvTxSend", "_Z8KvTxSendPviPKcimibbbhPFjS_ES_"};
const Twin kTxSendStop{"VBKvTxSendStop", "_Z12KvTxSendStopPv"};
const Twin kTxIsSending{"VBKvTxIsSending", "_Z13KvTxIsSendingPv"};
const Twin kTxGetPacketSent{"VBKvTxGetPacketSent", "_Z17KvTxGetPacketSentPv"};
const Twin kTxGetTotalBytes{"VBKvTxGetTotalBytes", "_Z17KvTxGetTotalBytesPv"};
const Twin kTxGetSendDuration{"VBKvTxGetSendDuration", "_Z19KvTxGetSendDurationPv"};
const Twin kTxSetPattern{"VBKvTxSetPattern", "_Z14KvTxSetPatternPvPKci"};
const Twin kTxClose{"VBKvTxClose", "_Z9KvTxClosePv"};
const Twin kRxCreate{"VBKvRxCreate", "_Z10KvRxCreateP13WLAdapterInfo"};
const Twin kRxStartCapture{
    "VBKvRxStartCapture",
    "_Z16KvRxStartCapturePvPKcmbbbbPFjS_ES_iS3_P22_Rx_Frame_Report_QuietmS3_P21_Rx_Frame_"
    "Report_DumpmPc"};
const Twin kRxStopCapture{"VBKvRxStopCapture", "_Z15KvRxStopCapturePv"};
const Twin kRxIsReading{"VBKvRxIsReading", "_Z13KvRxIsReadingPv"};
const Twin kRxSetStartPattern{"VBKvRxSetStartPattern", "_Z19KvRxSetStartPatternPvPKci"};
const Twin kRxSetEndPattern{"VBKvRxSetEndPattern", "_Z17KvRxSetEndPatternPvPKci"};
const Twin kRxSetExpectedPattern{"VBKvRxSetExpectedPattern", "_Z22KvRxSetExpectedPatternPvPKci"};
const Twin kRxGetPacketsGood{"VBKvRxGetPacketsGood", "_Z18KvRxGetPacketsGoodPv"};
const Twin kRxGetPacketsBad{"VBKvRxGetPacketsBad", "_Z17KvRxGetPacketsBadPv"};
const Twin kRxGetPacketsLost{"VBKvRxGetPacketsLost", "_Z18KvRxGetPacketsLostPv"};
const Twin kRxGetTotalBytes{"VBKvRxGetTotalBytes", "_Z17KvRxGetTotalBytesPv"};
const Twin kRxGetDurationRead{"VBKvRxGetDurationRead", "_Z19KvRxGetDurationReadPv"};
const Twin kRxClose{"VBKvRxClose", "_Z9KvRxClosePv"};
// Windows spells the driver's types in these two names: DWORD is unsigned long, the routine
// stdcall.
const Twin kPacketSendEx{"VBKvRasTRPacketSendEx",
                         "_Z20KvRasTR_PacketSendExiPKhmPmP11_OVERLAPPEDPU7stdcallFvmmS3_E"};
const Twin kPacketReadEx{
    "VBKvRasTRPacketReadEx",
    "_Z20KvRasTR_PacketReadExiP12KvRAS_PACKETPmP11_OVERLAPPEDPU7stdcallFvmmS3_E"};
const Twin kGetLastError{"VBKvRasTRGetLastError", "_Z20KvRasTR_GetLastErrorv"};

// A completion routine as the engines start it (caller-cleans): counts its calls.
unsigned int countCall(void* counter) {
    static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    return 0;
}

constexpr uint8_t kTxMac[6] = {0x02, 0, 0, 0, 0, 0x0A};
constexpr uint8_t kRxMac[6] = {0x02, 0, 0, 0, 0, 0x0B};

// A good numbered test frame for the receive engine: code 3, a payload of 36 x 0x41.
std::vector<uint8_t> testFrame(uint16_t sequence) {
    std::vector<uint8_t> frame(24 + 36, 0x41);
    std::memcpy(frame.data(), kRxMac, 6);
    std::memcpy(frame.data() + 6, kTxMac, 6);
    const uint8_t header[12] = {0x60,
                                0,
                                0,
                                0,
                                0x24,
                                0x5A,
                                0xED,
                                static_cast<uint8_t>(sequence),
                                static_cast<uint8_t>(sequence >> 8),
                                3,
                                0,
                                0};
    std::memcpy(frame.data() + 12, header, sizeof header);
    return frame;
}

class LoopkitDll : public DllTest<kLoopkitFile>, public testing::WithParamInterface<Side> {
protected:
    void SetUp() override {
        DllTest::SetUp();
        ASSERT_TRUE(pktdrv().loaded())
            << kPktdrvFile << ": LoadLibraryA error " << pktdrv().error();
        static int media = 0;
        const std::string medium = "mem:callers" + std::to_string(++media);
        tx_.AdapterHandle = open(medium + "/02:00:00:00:00:0a");
        rx_.AdapterHandle = open(medium + "/02:00:00:00:00:0b");
        ASSERT_GT(tx_.AdapterHandle, 0);
        ASSERT_GT(rx_.AdapterHandle, 0);
    }
    void TearDown() override {
        for (int32_t handle : {tx_.AdapterHandle, rx_.AdapterHandle}) {
            if (handle > 0) call(pktdrv(), "W32N_CloseAdapter", Convention::CalleeCleans, {handle});
        }
    }

    static const Dll& pktdrv() {
        static const Dll loaded(kPktdrvFile);
        return loaded;
    }
    static int32_t open(const std::string& name) {
        return static_cast<int32_t>(
            call(pktdrv(), "W32N_OpenAdapter", Convention::CalleeCleans, {name.c_str()}).eax);
    }
    // The entry of the side under test.
    CallResult at(const Twin& twin, const Words& args) {
        return call(dll(), GetParam(), twin, args);
    }

    WLAdapterInfo tx_{};
    WLAdapterInfo rx_{};
};

TEST_P(LoopkitDll, FramesFromATransmitEngineReachAReceiveEngine) {
    constexpr unsigned kFrames = 10;
    constexpr unsigned kFrameBytes = 24 + 50;
    void* const tx = reinterpret_cast<void*>(at(kTxCreate, {&tx_}).eax);
    void* const rx = reinterpret_cast<void*>(at(kRxCreate, {&rx_}).eax);
    ASSERT_NE(tx, nullptr);
    ASSERT_NE(rx, nullptr);

    // Pattern set-up answers as documented; null data removes a pattern.
    EXPECT_TRUE(flag(at(kTxSetPattern, {tx, "abc", 3})));
    for (const Twin* setter : {&kRxSetStartPattern, &kRxSetEndPattern, &kRxSetExpectedPattern})
        EXPECT_TRUE(flag(at(*setter, {rx, nullptr, 0})));

    std::atomic<int> captured = 0, sent = 0;
    ASSERT_TRUE(
        flag(at(kRxStartCapture, {rx, nullptr, 0, true, true, false, false, &countCall, &captured,
                                  0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr})));
    EXPECT_TRUE(flag(at(kRxIsReading, {rx})));
    EXPECT_FALSE(flag(at(kRxSetStartPattern, {rx, "x", 1})));  // not while capturing
    // Pattern code 1 (0xFF), to the receiver, 50-byte payloads, numbered and summed.
    ASSERT_TRUE(flag(
        at(kTxSend, {tx, 1, kRxMac, 50, kFrames, 0, true, true, false, 0, &countCall, &sent})));
    ASSERT_TRUE(waitUntil([&] { return sent == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !flag(at(kTxIsSending, {tx})); }));
    EXPECT_EQ(at(kTxGetPacketSent, {tx}).eax, kFrames);
    EXPECT_EQ(at(kTxGetTotalBytes, {tx}).wide(), uint64_t{kFrames} * kFrameBytes);
    EXPECT_LT(at(kTxGetSendDuration, {tx}).eax, 10000u);
    EXPECT_TRUE(flag(at(kTxSendStop, {tx})));

    // One more good frame by hand through the driver's pass-through entry, numbered next.
    const std::vector<uint8_t> frame = testFrame(kFrames);
    unsigned long transferred = 0;
    OVERLAPPED overlapped{};
    EXPECT_NE(at(kPacketSendEx, {tx_.AdapterHandle, frame.data(), frame.size(), &transferred,
                                 &overlapped, nullptr})
                  .eax,
              0u);
    EXPECT_EQ(transferred, frame.size());
    // A frame shorter than a header, and a read without a record, are refused.
    EXPECT_EQ(
        at(kPacketSendEx, {tx_.AdapterHandle, frame.data(), 5, &transferred, &overlapped, nullptr})
            .eax,
        0u);
    EXPECT_EQ(at(kGetLastError, {}).eax, 87u);  // ERROR_INVALID_PARAMETER
    EXPECT_EQ(
        at(kPacketReadEx, {tx_.AdapterHandle, nullptr, &transferred, &overlapped, nullptr}).eax,
        0u);
    EXPECT_EQ(at(kGetLastError, {}).eax, 87u);

    ASSERT_TRUE(waitUntil([&] { return at(kRxGetPacketsGood, {rx}).eax == kFrames + 1; }));
    EXPECT_EQ(at(kRxGetPacketsBad, {rx}).eax, 0u);
    EXPECT_EQ(at(kRxGetPacketsLost, {rx}).eax, 0u);
    EXPECT_EQ(at(kRxGetTotalBytes, {rx}).wide(), uint64_t{kFrames} * kFrameBytes + frame.size());
    EXPECT_TRUE(flag(at(kRxStopCapture, {rx})));
    ASSERT_TRUE(waitUntil([&] { return captured == 1; }));
    EXPECT_FALSE(flag(at(kRxIsReading, {rx})));
    EXPECT_LT(at(kRxGetDurationRead, {rx}).eax, 10000u);
    at(kTxClose, {tx});
    at(kRxClose, {rx});
}

INSTANTIATE_TEST_SUITE_P(Entries, LoopkitDll, testing::Values(Side::VB, Side::Decorated),
                         [](const testing::TestParamInfo<Side>& info) {
                             return info.param == Side::VB ? "VB" : "Decorated";
                         });

}  // namespace
