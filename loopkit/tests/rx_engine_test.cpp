// The receive engine through the exported entries, on the in-memory medium: frames crafted by
// hand and sent from another handle.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "loopkit_fixture.h"

namespace {

using namespace loopkit_test;

class RxEngineTest : public MediumTest {
protected:
    void SetUp() override {
        MediumTest::SetUp();
        rx = KvRxCreate(&rxInfo);
        ASSERT_NE(rx, nullptr);
    }
    void TearDown() override {
        KvRxClose(rx);
        MediumTest::TearDown();
    }

    // A capture with the payload and sequence checks on, the completion routine logged.
    void capture(unsigned long autoStop = 0, const char* remote = nullptr) {
        ASSERT_TRUE(KvRxStartCapture(rx, remote, autoStop, true, true, false, false,
                                     CallLog::record, &done, REPORT_ALL, nullptr, nullptr, 0,
                                     nullptr, nullptr, 0, nullptr));
    }
    // Sends the frames, then a good frame numbered `sentinel`, and waits until the good counter
    // reaches `goodAfter` (the sentinel included): frames are classified in the order sent, so
    // the frames before the sentinel have been classified by then.
    void deliver(const std::vector<Bytes>& frames, uint16_t sentinel, unsigned goodAfter) {
        for (const Bytes& frame : frames)
            sendRaw(frame);
        sendRaw(goodFrame(sentinel));
        ASSERT_TRUE(waitUntil([&] { return KvRxGetPacketsGood(rx) >= goodAfter; }));
    }
    void stopAndWait(size_t completions = 1) {
        EXPECT_TRUE(KvRxStopCapture(rx));
        ASSERT_TRUE(done.waitFor(completions));
        EXPECT_FALSE(KvRxIsReading(rx));
    }

    void* rx = nullptr;
    CallLog done;
};

TEST_F(RxEngineTest, CountsGoodBadAndLostFramesAndTheirBytes) {
    capture();
    EXPECT_TRUE(KvRxIsReading(rx));
    deliver({goodFrame(5), goodFrame(6, 0x41, 100), badFrame(7), goodFrame(9)}, 10, 4);
    EXPECT_EQ(KvRxGetPacketsGood(rx), 4u);
    EXPECT_EQ(KvRxGetPacketsBad(rx), 1u);
    EXPECT_EQ(KvRxGetPacketsLost(rx), 2u);
    EXPECT_EQ(KvRxGetTotalBytes(rx), 60u + 124u + 60u + 60u);
    stopAndWait();
    EXPECT_EQ(KvRxGetPacketsGood(rx), 4u);  // counters keep their values after the end
    EXPECT_GE(KvRxGetDurationRead(rx), 0u);
}

TEST_F(RxEngineTest, TakesOnlyTheRemoteAndOnlyFramesForItself) {
    const char* remote = reinterpret_cast<const char*>(kTxMac.data());
    capture(0, remote);
    deliver({buildFrame({.src = kStrangerMac, .code = 3, .payload = filled(36, 1)}),
             buildFrame({.dest = kStrangerMac, .code = 3, .payload = filled(36, 1)}),
             buildFrame({.code = 3, .signature = false, .payload = filled(36, 1)}),
             buildFrame({.dest = kRxMac, .sequence = 1, .code = 3, .payload = filled(36, 1)})},
            2, 2);
    EXPECT_EQ(KvRxGetPacketsGood(rx), 2u);
    EXPECT_EQ(KvRxGetPacketsBad(rx), 0u);
    stopAndWait();
}

TEST_F(RxEngineTest, AutoStopEndsTheCaptureAndStartsTheCompletionOnce) {
    capture(100);
    std::vector<Bytes> frames(5, badFrame(0));
    for (uint16_t s = 0; s < 85; ++s)
        frames.push_back(goodFrame(s));
    for (uint16_t s = 90; s < 100; ++s)
        frames.push_back(goodFrame(s));  // 5 lost first
    for (const Bytes& frame : frames)
        sendRaw(frame);
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_FALSE(KvRxIsReading(rx));
    EXPECT_EQ(KvRxGetPacketsGood(rx), 90u);
    EXPECT_EQ(KvRxGetPacketsBad(rx), 5u);
    EXPECT_EQ(KvRxGetPacketsLost(rx), 5u);
    EXPECT_EQ(done.arguments().front(), &done);
}

TEST_F(RxEngineTest, StartAndEndPatternsHoldForOneCaptureOnly) {
    ASSERT_TRUE(KvRxSetStartPattern(rx, "BEGIN", 5));
    ASSERT_TRUE(KvRxSetEndPattern(rx, "END", 3));
    capture();
    for (uint16_t s = 0; s < 3; ++s)
        sendRaw(goodFrame(s));
    sendRaw(buildFrame({.payload = concat(textBytes("BEGIN"), filled(31, 0))}));
    sendRaw(goodFrame(3));
    sendRaw(goodFrame(4));
    sendRaw(buildFrame({.payload = concat(textBytes("END"), filled(33, 0))}));
    sendRaw(goodFrame(5));
    ASSERT_TRUE(done.waitFor(1));  // the end pattern stopped the capture
    EXPECT_EQ(KvRxGetPacketsGood(rx), 2u);
    EXPECT_EQ(KvRxGetPacketsLost(rx), 0u);

    // Captured again without setting them: every frame counts, none ends the capture.
    capture();
    deliver({buildFrame({.code = 5, .payload = concat(textBytes("END"), filled(33, 0))})}, 1, 2);
    EXPECT_TRUE(KvRxIsReading(rx));
    EXPECT_EQ(KvRxGetPacketsGood(rx), 2u);
    stopAndWait(2);
}

TEST_F(RxEngineTest, FramesNotBeginningWithTheExpectedPatternLeaveNoTrace) {
    ASSERT_TRUE(KvRxSetExpectedPattern(rx, "\x41\x41", 2));
    capture();
    deliver({goodFrame(1, 0x42), badFrame(2), goodFrame(3, 0x42)}, 1, 1);
    EXPECT_EQ(KvRxGetPacketsGood(rx), 1u);
    EXPECT_EQ(KvRxGetPacketsBad(rx), 1u);  // the bad frame begins with 41 41
    EXPECT_EQ(KvRxGetPacketsLost(rx), 0u);
    stopAndWait();
}

TEST_F(RxEngineTest, PatternSettersAnswerAsDocumented) {
    EXPECT_TRUE(KvRxSetStartPattern(rx, nullptr, 3));
    EXPECT_FALSE(KvRxSetEndPattern(rx, "x", 0));
    EXPECT_TRUE(KvRxSetExpectedPattern(rx, "x", 1));
    EXPECT_FALSE(KvRxSetStartPattern(nullptr, "x", 1));
}

TEST_F(RxEngineTest, ACaptureRightAfterAStopStartsAfresh) {
    capture();
    deliver({goodFrame(1)}, 2, 2);
    KvRxStopCapture(rx);
    capture();
    EXPECT_EQ(KvRxGetPacketsGood(rx), 0u);
    stopAndWait(2);
    // The next capture starts on a later tick than the last one ended. Stopped, its worker not
    // yet ended, it runs on from its own start and never reads the end of the capture before
    // (which would wrap to about 49 days).
    const DWORD ended = GetTickCount();
    ASSERT_TRUE(waitUntil([&] { return GetTickCount() - ended >= 2; }));
    capture();
    KvRxStopCapture(rx);
    EXPECT_LT(KvRxGetDurationRead(rx), 60'000u);
    stopAndWait(3);
    capture();
    deliver({goodFrame(7)}, 8, 2);
    EXPECT_EQ(KvRxGetPacketsLost(rx), 0u);  // a fresh capture: 7 is its first number
    stopAndWait(4);
}

// A lab script calls one entry after the other, without pauses.
TEST_F(RxEngineTest, CountsFromTheMomentTheStartReturnsInEveryCapture) {
    for (size_t round = 1; round <= 20; ++round) {
        capture();
        EXPECT_LT(KvRxGetDurationRead(rx), 1000u) << "timed from this start";
        deliver({goodFrame(0)}, 1, 2);
        KvRxStopCapture(rx);
        ASSERT_TRUE(done.waitFor(round));
    }
}

TEST_F(RxEngineTest, APatternSetRightAfterAStopHoldsForTheNextCapture) {
    const Bytes begin = buildFrame({.payload = concat(textBytes("BEGIN"), filled(31, 0))});
    capture();
    for (size_t round = 1; round <= 40; ++round) {
        KvRxStopCapture(rx);
        ASSERT_TRUE(KvRxSetStartPattern(rx, "BEGIN", 5));
        capture();
        // Counting starts after the frame with the start pattern.
        deliver({goodFrame(1), begin}, 2, 1);
        ASSERT_EQ(KvRxGetPacketsGood(rx), 1u) << "round " << round;
    }
    // While a capture runs, its patterns stay as they are.
    EXPECT_FALSE(KvRxSetEndPattern(rx, "END", 3));
    deliver({buildFrame({.payload = concat(textBytes("END"), filled(33, 0))})}, 3, 2);
    EXPECT_TRUE(KvRxIsReading(rx));
    stopAndWait(41);
}

TEST_F(RxEngineTest, ClosingTheHandleAsACaptureEndsLeavesItsReadsAlone) {
    // The driver withdraws the reads while the worker withdraws and frees them, at varying
    // moments of the worker's end.
    for (int round = 0; round < 20; ++round) {
        const int32_t handle = W32N_OpenAdapter(("mem:closing" + std::to_string(round)).c_str());
        WLAdapterInfo info{};
        info.AdapterHandle = handle;
        void* engine = KvRxCreate(&info);
        ASSERT_TRUE(KvRxStartCapture(engine, nullptr, 0, true, true, false, false, nullptr, nullptr,
                                     REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0,
                                     nullptr));
        KvRxStopCapture(engine);
        for (int turn = 0; turn < round * 20; ++turn)  // give way to the worker a little longer
            std::this_thread::yield();                 // in every round
        EXPECT_TRUE(W32N_CloseAdapter(handle));
        KvRxClose(engine);
    }
}

TEST_F(RxEngineTest, CloseWhileCapturingEndsTheWorkerFirst) {
    capture();
    deliver({}, 0, 1);
    KvRxClose(rx);
    rx = nullptr;
    EXPECT_TRUE(done.waitFor(1));
}

TEST_F(RxEngineTest, NoEngineForAZeroHandleAndNoCaptureOnMinusOne) {
    WLAdapterInfo none{};
    EXPECT_EQ(KvRxCreate(&none), nullptr);
    EXPECT_EQ(KvRxCreate(nullptr), nullptr);
    KvRxClose(nullptr);

    none.AdapterHandle = -1;
    void* engine = KvRxCreate(&none);
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(KvRxStartCapture(engine, nullptr, 0, true, true, false, false, CallLog::record,
                                  &done, REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0,
                                  nullptr));
    EXPECT_FALSE(KvRxIsReading(engine));
    KvRxClose(engine);
    EXPECT_EQ(done.count(), 0u);
}

}  // namespace
