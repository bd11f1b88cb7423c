// The receive engine's classification, fed with frames already in memory: filters, payload
// checks, lost counting, reports and a fuzz run.
#include <gtest/gtest.h>

#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif
#include <random>

#include "loopkit_fixture.h"
#include "rx_engine.h"

namespace {

using namespace loopkit_test;
using loopkit::CaptureSettings;

enum class Outcome { Good, Bad, Ignored };

class Classifier : public testing::Test {
protected:
    void start(const CaptureSettings& settings) {
        ASSERT_TRUE(engine.prepareCapture(settings));
        engine.setRunning(true);
    }
    void feed(const Bytes& frame, uint32_t status = 0) {
        packet = KvRAS_PACKET{};
        packet.Status = status;
        packet.Capacity = PKTDRV_MAX_FRAME;
        packet.Length = static_cast<uint32_t>(frame.size());
        std::copy(frame.begin(), frame.end(), packet.Data);
        engine.classify(packet);
    }
    Outcome outcomeOf(const Bytes& frame, uint32_t status = 0) {
        const uint32_t good = engine.good();
        const uint32_t bad = engine.bad();
        feed(frame, status);
        if (engine.good() != good) return Outcome::Good;
        if (engine.bad() != bad) return Outcome::Bad;
        return Outcome::Ignored;
    }

    loopkit::RxEngine engine;  // unopened: its own address is 00:00:00:00:00:00
    KvRAS_PACKET packet{};
};

// --- Filters and payload checks --------------------------------------------------------------

struct FrameCase {
    const char* name;
    Bytes frame;
    Outcome outcome;
    bool payloadCheck = true;
    bool swap = false;
    bool acceptAll = false;
    std::optional<Mac> remote = std::nullopt;
    uint32_t status = 0;
};

class ClassifyFrame : public Classifier, public testing::WithParamInterface<FrameCase> {};

TEST_P(ClassifyFrame, CountsOrIgnoresIt) {
    const FrameCase& c = GetParam();
    start({.remote = c.remote,
           .payloadCheck = c.payloadCheck,
           .acceptAll = c.acceptAll,
           .swap = c.swap});
    EXPECT_EQ(outcomeOf(c.frame, c.status), c.outcome) << c.name;
}

Bytes truncated(Bytes frame, size_t size) {
    frame.resize(size);
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ClassifyFrame,
    testing::Values(
        FrameCase{"zeros", buildFrame({.code = 0, .payload = filled(36, 0)}), Outcome::Good},
        FrameCase{"ones", buildFrame({.code = 1, .payload = filled(100, 0xFF)}), Outcome::Good},
        FrameCase{"incrementing", buildFrame({.code = 2, .payload = incrementing(1490, 9)}),
                  Outcome::Good},
        FrameCase{"fill", buildFrame({.code = 3, .payload = filled(50, 0x3C)}), Outcome::Good},
        FrameCase{"zeros broken", buildFrame({.code = 0, .payload = concat(filled(35, 0), {1})}),
                  Outcome::Bad},
        FrameCase{"incrementing broken",
                  buildFrame({.code = 2, .payload = concat(incrementing(40, 0), {0})}),
                  Outcome::Bad},
        FrameCase{"code 4 on the wire", buildFrame({.code = 4}), Outcome::Bad},
        FrameCase{"code 6", buildFrame({.code = 6}), Outcome::Bad},
        FrameCase{"code 0x80", buildFrame({.code = 0x80}), Outcome::Bad},
        FrameCase{"checksum right",
                  buildFrame({.code = 1, .checksum = true, .payload = filled(36, 0xFF)}),
                  Outcome::Good},
        FrameCase{
            "checksum wrong",
            buildFrame(
                {.code = 1, .checksum = true, .badChecksum = true, .payload = filled(36, 0xFF)}),
            Outcome::Bad},
        FrameCase{"no payload check",
                  buildFrame({.code = 4, .checksum = true, .badChecksum = true}), Outcome::Good,
                  false},
        FrameCase{
            "swapped",
            buildFrame({.code = 2, .checksum = true, .swap = true, .payload = incrementing(60, 0)}),
            Outcome::Good, true, true},
        FrameCase{"swapped but not expected", buildFrame({.swap = true}), Outcome::Ignored},
        FrameCase{"swap with a frame under 48 bytes", truncated(goodFrame(0), 47), Outcome::Ignored,
                  true, true},
        FrameCase{"directed to us", buildFrame({.dest = Mac{}}), Outcome::Good},
        FrameCase{"directed elsewhere", buildFrame({.dest = kStrangerMac}), Outcome::Ignored},
        FrameCase{"elsewhere, accept all", buildFrame({.dest = kStrangerMac}), Outcome::Good, true,
                  false, true},
        FrameCase{"no signature", buildFrame({.signature = false}), Outcome::Ignored},
        FrameCase{"no signature, accept all", buildFrame({.signature = false}), Outcome::Good, true,
                  false, true},
        FrameCase{"from the remote", goodFrame(0), Outcome::Good, true, false, false, kTxMac},
        FrameCase{"from another source", goodFrame(0), Outcome::Ignored, true, false, false,
                  kStrangerMac},
        FrameCase{"failed receive", goodFrame(0), Outcome::Ignored, true, false, false,
                  std::nullopt, 995},
        FrameCase{"header only", truncated(goodFrame(0), 24), Outcome::Good, false},
        FrameCase{"shorter than the header", truncated(goodFrame(0), 23), Outcome::Ignored, false,
                  false, true}));

TEST_F(Classifier, IgnoresFramesWhileNotRunningAndLengthsBeyondTheCapacity) {
    start({.payloadCheck = true});
    engine.setRunning(false);
    EXPECT_EQ(outcomeOf(goodFrame(0)), Outcome::Ignored);
    engine.setRunning(true);

    feed(goodFrame(0));
    packet.Capacity = packet.Length - 1;  // the same frame, claimed longer than its buffer
    engine.classify(packet);
    packet.Capacity = 5000;
    packet.Length = 1515;
    engine.classify(packet);
    EXPECT_EQ(engine.good(), 1u);
    EXPECT_EQ(engine.bytes(), 60u);
}

TEST_F(Classifier, TheFirstCustomPayloadBecomesTheReference) {
    start({.payloadCheck = true});
    const Bytes reference = concat(textBytes("LOOPKIT-REFERENCE"), filled(40, 0));
    EXPECT_EQ(outcomeOf(buildFrame({.code = 5, .payload = reference})), Outcome::Good);
    EXPECT_EQ(outcomeOf(buildFrame({.code = 5, .payload = concat(reference, {7, 7})})),
              Outcome::Good);
    EXPECT_EQ(outcomeOf(buildFrame(
                  {.code = 5, .payload = Bytes(reference.begin(), reference.end() - 1)})),
              Outcome::Bad);
    EXPECT_EQ(outcomeOf(buildFrame({.code = 5, .payload = concat(textBytes("X"), reference)})),
              Outcome::Bad);
    // The next capture starts without a reference.
    engine.concludeCapture();
    start({.payloadCheck = true});
    EXPECT_EQ(outcomeOf(buildFrame({.code = 5, .payload = filled(36, 9)})), Outcome::Good);
}

// --- Lost frames -----------------------------------------------------------------------------

struct SequenceCase {
    const char* name;
    std::vector<int> frames;  // sequence numbers; -1 is a bad frame
    uint32_t lost;
};

class LostFrames : public Classifier, public testing::WithParamInterface<SequenceCase> {};

TEST_P(LostFrames, CountsGapsInTheSequence) {
    const SequenceCase& c = GetParam();
    start({.payloadCheck = true, .sequenceCheck = true});
    for (int sequence : c.frames)
        feed(sequence < 0 ? badFrame(0) : goodFrame(static_cast<uint16_t>(sequence)));
    EXPECT_EQ(engine.lost(), c.lost) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, LostFrames,
    testing::Values(SequenceCase{"no gap", {0, 1, 2, 3}, 0}, SequenceCase{"5, 6, 9", {5, 6, 9}, 2},
                    SequenceCase{"wrap 0xFFFF to 0", {0xFFFE, 0xFFFF, 0}, 0},
                    SequenceCase{"0xFFFE then 1", {0xFFFE, 1}, 1},
                    SequenceCase{"bad frame between good ones", {4, -1, 6}, 1},
                    SequenceCase{"first number is free", {1000, 1001}, 0},
                    SequenceCase{"backwards adds 65535 less the step", {10, 3}, 65527},
                    SequenceCase{"a repeat counts 65534", {7, 7}, 65534}));

TEST_F(Classifier, SequenceCheckOffCountsNoLoss) {
    start({.payloadCheck = true});
    for (uint16_t sequence : {5, 6, 9, 200})
        feed(goodFrame(sequence));
    EXPECT_EQ(engine.lost(), 0u);
    EXPECT_EQ(engine.good(), 4u);
}

// --- Auto-stop ------------------------------------------------------------------------------

struct AutoStopCase {
    const char* name;
    unsigned long limit;
    std::vector<int> frames;  // sequence numbers; -1 bad
    size_t stopsAfter;        // frames fed when the capture stops; 0 = never
};

class AutoStop : public Classifier, public testing::WithParamInterface<AutoStopCase> {};

TEST_P(AutoStop, StopsOnTheGoodFrameThatReachesTheLimit) {
    const AutoStopCase& c = GetParam();
    start({.autoStop = c.limit, .payloadCheck = true, .sequenceCheck = true});
    size_t fed = 0;
    for (int sequence : c.frames) {
        if (!engine.isRunning()) break;
        feed(sequence < 0 ? badFrame(0) : goodFrame(static_cast<uint16_t>(sequence)));
        ++fed;
    }
    EXPECT_EQ(engine.isRunning(), c.stopsAfter == 0) << c.name;
    if (c.stopsAfter != 0) {
        EXPECT_EQ(fed, c.stopsAfter) << c.name;
    }
}

std::vector<int> ninetyGoodFiveBadFiveLost() {
    std::vector<int> frames(5, -1);  // 5 bad
    for (int s = 0; s < 85; ++s)
        frames.push_back(s);  // 85 good
    for (int s = 90; s < 100; ++s)
        frames.push_back(s);  // 5 lost, then 10 good
    return frames;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, AutoStop,
    testing::Values(AutoStopCase{"90 good, 5 bad, 5 lost", 100, ninetyGoodFiveBadFiveLost(), 95},
                    AutoStopCase{"bad frames alone never stop", 4, {0, 1, 2, -1, -1, -1, 3}, 7},
                    AutoStopCase{"no limit", 0, {0, 1, 2, 3, 4}, 0}));

// --- Reports ---------------------------------------------------------------------------------

class Reports : public Classifier {
protected:
    void SetUp() override {
        for (auto& entry : quiet)
            entry.UserData = 0xC0FFEE;
    }
    std::array<_Rx_Frame_Report_Quiet, 8> quiet{};
    CallLog log;
};

struct ConditionCase {
    int condition;
    std::vector<uint8_t> reported;  // IsGood of each report, in order
};

class ReportCondition : public Reports, public testing::WithParamInterface<ConditionCase> {};

TEST_P(ReportCondition, ChoosesTheFramesReported) {
    const ConditionCase& c = GetParam();
    const size_t before = quietLog().count();
    start({.payloadCheck = true,
           .sequenceCheck = true,
           .condition = c.condition,
           .quiet = recordQuiet,
           .quietArray = quiet.data(),
           .quietCapacity = quiet.size()});
    for (int sequence : {0, -1, 1, 3, -1, 4})
        feed(sequence < 0 ? badFrame(0) : goodFrame(static_cast<uint16_t>(sequence)));
    ASSERT_TRUE(quietLog().waitFor(before + c.reported.size()));
    for (size_t i = 0; i < c.reported.size(); ++i)
        EXPECT_EQ(quiet[i].IsGood, c.reported[i]);
    EXPECT_EQ(quiet[c.reported.size()].FrameSize, 0u);  // nothing beyond
    EXPECT_EQ(quiet[0].UserData, 0xC0FFEEu);
}

INSTANTIATE_TEST_SUITE_P(Conditions, ReportCondition,
                         testing::Values(ConditionCase{REPORT_ALL, {1, 0, 1, 1, 0, 1}},
                                         ConditionCase{REPORT_ONLY_BAD, {0, 0}},
                                         ConditionCase{REPORT_ONLY_LOST, {1, 0, 1}},
                                         ConditionCase{7, {1, 0, 1, 1, 0, 1}}));

TEST_F(Reports, AFullArrayTakesNoMoreRecordsNorCalls) {
    const size_t before = quietLog().count();
    start({.payloadCheck = true,
           .sequenceCheck = true,
           .quiet = recordQuiet,
           .quietArray = quiet.data(),
           .quietCapacity = 3});
    for (uint16_t s = 0; s < 10; ++s)
        feed(goodFrame(s < 5 ? s : s + 1));  // one lost
    ASSERT_TRUE(quietLog().waitFor(before + 3));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(quiet[i].IsGood, 1);
        EXPECT_EQ(quiet[i].FrameSize, 60u);
        EXPECT_EQ(quiet[i].LostCount, 0u);
    }
    EXPECT_EQ(quiet[3].FrameSize, 0u);
    EXPECT_EQ(engine.lost(), 1u);
}

TEST_F(Reports, DumpRecordsCarryTheFrameAfterTheSwapBack) {
    std::array<_Rx_Frame_Report_Dump, 2> dump{};
    dump[0].UserData = 0xABCD;
    dump[0].FrameBytes[62] = 0xEE;
    const size_t before = dumpLog().count();
    start({.payloadCheck = true,
           .swap = true,
           .dump = recordDump,
           .dumpArray = dump.data(),
           .dumpCapacity = dump.size()});
    const Bytes plain = buildFrame({.sequence = 3, .code = 3, .payload = filled(38, 0x61)});
    feed(buildFrame({.sequence = 3, .code = 3, .swap = true, .payload = filled(38, 0x61)}));
    ASSERT_TRUE(dumpLog().waitFor(before + 1));
    EXPECT_EQ(dumpLog().arguments().back(), &dump[0]);
    EXPECT_EQ(dump[0].IsGood, 1);
    EXPECT_EQ(dump[0].FrameSize, 62u);
    EXPECT_EQ(Bytes(dump[0].FrameBytes, dump[0].FrameBytes + 62), plain);
    EXPECT_EQ(dump[0].UserData, 0xABCDu);
    EXPECT_EQ(dump[0].FrameBytes[62], 0xEE);
    EXPECT_EQ(dump[1].FrameSize, 0u);
}

// --- Fuzz ------------------------------------------------------------------------------------

// Random and truncated frames with random status, length and capacity: frames the engine must
// ignore leave no trace, and nothing past the received bytes is read (under AddressSanitizer the
// rest of the buffer is poisoned).
TEST(ClassifyFuzz, RandomFramesStayWithinTheirBytes) {
    std::mt19937 random(20240517);
    auto chance = [&](unsigned percent) { return random() % 100 < percent; };
    auto packet = std::make_unique<KvRAS_PACKET>();
    constexpr size_t kRounds = 60000;
    for (size_t round = 0; round < kRounds; round += 2000) {
        loopkit::RxEngine engine;
        if (chance(30)) engine.setPattern(loopkit::PatternKind::Expected, "\x01", 1);
        loopkit::CaptureSettings settings{.autoStop = chance(20) ? random() % 50 : 0,
                                          .payloadCheck = chance(70),
                                          .sequenceCheck = chance(70),
                                          .acceptAll = chance(50),
                                          .swap = chance(40)};
        ASSERT_TRUE(engine.prepareCapture(settings));
        engine.setRunning(true);
        for (size_t i = 0; i < 2000; ++i) {
            Bytes frame = goodFrame(static_cast<uint16_t>(random()), static_cast<uint8_t>(random()),
                                    random() % 1491);
            frame[21] = static_cast<uint8_t>(random() % 8);
            for (unsigned flips = random() % 4; flips > 0; --flips)
                frame[random() % frame.size()] = static_cast<uint8_t>(random());
            frame.resize(random() % (PKTDRV_MAX_FRAME + 1));
            *packet = KvRAS_PACKET{};
            std::copy(frame.begin(), frame.end(), packet->Data);
            packet->Status = chance(5) ? static_cast<uint32_t>(random()) : 0;
            packet->Length = chance(5) ? static_cast<uint32_t>(random()) : frame.size();
            packet->Capacity = chance(10) ? static_cast<uint32_t>(random() % 2000) : 1514;
            const size_t readable =
                std::min<size_t>({packet->Length, packet->Capacity, PKTDRV_MAX_FRAME});
            ASAN_POISON_MEMORY_REGION(packet->Data + readable, PKTDRV_MAX_FRAME - readable);
            const uint64_t before = engine.good() + uint64_t{engine.bad()};
            engine.setRunning(true);
            engine.classify(*packet);
            ASAN_UNPOISON_MEMORY_REGION(packet->Data, PKTDRV_MAX_FRAME);
            const bool mustIgnore = packet->Status != 0 || packet->Length < 24 ||
                                    packet->Length > packet->Capacity || packet->Length > 1514;
            if (mustIgnore) {
                ASSERT_EQ(engine.good() + uint64_t{engine.bad()}, before);
            }
        }
        EXPECT_LE(engine.good() + uint64_t{engine.bad()}, 2000u);
    }
}

}  // namespace
