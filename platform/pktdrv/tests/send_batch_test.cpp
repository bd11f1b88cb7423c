// Sends with a completion routine, through the driver's entries on the in-memory medium: held
// until the sender would sleep, or a full batch, or its close; completed in order once they
// left.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "driver_fixture.h"

namespace {

using namespace pktdrv_test;

constexpr Mac kBroadcastMac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Mac kOther{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

class BatchedSends : public testing::Test {
protected:
    void SetUp() override {
        static int media = 0;
        name_ = "mem:batch" + std::to_string(++media);
        sender = W32N_OpenAdapter(name_.c_str());
        receiver = W32N_OpenAdapter(name_.c_str());
        ASSERT_GT(sender, 0);
        ASSERT_GT(receiver, 0);
        ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_ALL_LOCAL), ERROR_SUCCESS);
        listener = std::make_unique<Listener>(receiver);
        Send::finished() = 0;
    }
    void TearDown() override {
        listener.reset();
        if (sender > 0) W32N_CloseAdapter(sender);
        W32N_CloseAdapter(receiver);
        runCompletions();
    }
    static std::vector<uint8_t> frame(uint8_t tag) { return frameTo(kBroadcastMac, kOther, tag); }

    std::string name_;
    int32_t sender = -1;
    int32_t receiver = -1;
    std::unique_ptr<Listener> listener;
};

TEST_F(BatchedSends, LeaveWhenTheSenderWouldSleepAndCompleteInOrder) {
    Send sends[3];
    for (uint8_t i = 0; i < 3; ++i)
        ASSERT_TRUE(sends[i].post(sender, frameTo(kBroadcastMac, kOther, i + 1, 100 + i)));
    EXPECT_EQ(sends[0].transferred, 0u);
    // The first wait returns at once, so a sender can hand over its next frame.
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(sends[2].completions, 0);
    // The next one would time out: the frames leave and their routines run.
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sends[i].completions, 1);
        EXPECT_EQ(sends[i].order, i);
        EXPECT_EQ(sends[i].error, 0u);
        EXPECT_EQ(sends[i].bytes, 100u + i);
        EXPECT_EQ(sends[i].transferred, 100u + i);
        EXPECT_EQ(sends[i].overlapped.InternalHigh, 100u + i);
    }
    ASSERT_TRUE(listener->waitFor(3));
    EXPECT_EQ(listener->tags(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(BatchedSends, AFullBatchLeavesWithoutAWaitAndAnyWaitSendsTheRest) {
    constexpr uint8_t kFull = PKTDRV_SEND_BATCH;
    std::vector<Send> sends(kFull + 3);
    for (uint8_t i = 0; i < kFull; ++i)
        ASSERT_TRUE(sends[i].post(sender, frame(i)));
    ASSERT_TRUE(listener->waitFor(kFull));
    EXPECT_EQ(sends[0].completions, 0);  // routines run only in alertable waits

    ASSERT_TRUE(sends[kFull].post(sender, frame(kFull)));
    Sleep(0);  // a wait that is not alertable sends too
    ASSERT_TRUE(listener->waitFor(kFull + 1));
    // A frame without a routine goes out at once, after the frames held before it.
    ASSERT_TRUE(sends[kFull + 1].post(sender, frame(kFull + 1)));
    ASSERT_TRUE(send(sender, frame(kFull + 2)));
    ASSERT_TRUE(listener->waitFor(kFull + 3));
    const std::vector<uint8_t> tags = listener->tags();
    for (uint8_t i = 0; i < kFull + 3; ++i)
        EXPECT_EQ(tags[i], i);
    ASSERT_TRUE(waitAlertably([&] { return sends[kFull + 1].completions == 1; }));
    EXPECT_EQ(sends[0].order, 0);
    EXPECT_EQ(sends[kFull + 1].order, kFull + 1);
}

TEST_F(BatchedSends, CloseSendsWhatItsThreadHoldsAndWithdrawsWhatOthersHold) {
    Send own[2];
    ASSERT_TRUE(own[0].post(sender, frame(1)));
    ASSERT_TRUE(own[1].post(sender, frame(2)));
    ASSERT_TRUE(W32N_CloseAdapter(sender));
    sender = -1;
    ASSERT_TRUE(listener->waitFor(2));
    ASSERT_TRUE(waitAlertably([&] { return own[1].completions == 1; }));
    EXPECT_EQ(own[1].error, 0u);

    // Another thread holds frames for a handle that this thread closes.
    const int32_t shared = W32N_OpenAdapter(name_.c_str());
    Send theirs[2];
    std::promise<void> held, closed;
    BOOL laterSend = TRUE;
    DWORD laterError = 0;
    std::thread other([&] {
        theirs[0].post(shared, frame(3));
        theirs[1].post(shared, frame(4));
        held.set_value();
        closed.get_future().wait();
        waitAlertably([&] { return theirs[1].completions == 1; });
        laterSend = theirs[0].post(shared, frame(5));
        laterError = W32N_GetLastError();
    });
    held.get_future().wait();
    EXPECT_TRUE(W32N_CloseAdapter(shared));
    closed.set_value();
    other.join();
    EXPECT_EQ(theirs[0].error, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(theirs[1].error, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(theirs[1].transferred, 0u);
    EXPECT_FALSE(laterSend);
    EXPECT_EQ(laterError, ERROR_INVALID_HANDLE);

    const int32_t marker = W32N_OpenAdapter(name_.c_str());
    ASSERT_TRUE(send(marker, frame(9)));
    ASSERT_TRUE(listener->waitFor(3));
    EXPECT_EQ(listener->tags(), (std::vector<uint8_t>{1, 2, 9}));
    W32N_CloseAdapter(marker);
}

TEST_F(BatchedSends, FramesOfAThreadThatEndsNeverLeave) {
    std::thread([&] {
        Send sends[2];
        sends[0].post(sender, frame(1));
        sends[1].post(sender, frame(2));
    }).join();
    ASSERT_TRUE(send(sender, frame(3)));
    ASSERT_TRUE(listener->waitFor(1));
    EXPECT_EQ(listener->tags(), (std::vector<uint8_t>{3}));
}

}  // namespace
