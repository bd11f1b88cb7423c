#include <win32/win32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr DWORD kLongWait = 10000;  // fails instead of hanging when a wake-up is missed

struct Record {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
};

Record record;

void KV_STDCALL note(ULONG_PTR value) {
    record.order.push_back(static_cast<int>(value));
    record.threads.push_back(std::this_thread::get_id());
}

class ApcTest : public testing::Test {
protected:
    void SetUp() override { record = {}; }
    void TearDown() override { SleepEx(0, TRUE); }  // leave no routine behind
};

TEST_F(ApcTest, AlertableWaitRunsRoutineQueuedFromAnotherThreadOnTheWaiter) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE self = GetCurrentThreadApcTarget();
    DWORD queued = 0;
    std::thread other([&] {
        std::this_thread::sleep_for(30ms);
        queued = QueueUserAPC(note, self, 7);
    });
    // Only the queued routine can end this wait before its long time-out.
    EXPECT_EQ(WaitForSingleObjectEx(event, kLongWait, TRUE), WAIT_IO_COMPLETION);
    other.join();
    EXPECT_NE(queued, 0u);
    EXPECT_EQ(record.order, std::vector<int>{7});
    EXPECT_EQ(record.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    CloseHandle(event);
}

TEST_F(ApcTest, AlertableSleepWakesForARoutine) {
    HANDLE self = GetCurrentThreadApcTarget();
    std::thread other([&] {
        std::this_thread::sleep_for(30ms);
        QueueUserAPC(note, self, 3);
    });
    EXPECT_EQ(SleepEx(kLongWait, TRUE), WAIT_IO_COMPLETION);
    other.join();
    EXPECT_EQ(record.order, std::vector<int>{3});
}

TEST_F(ApcTest, RoutinesRunOnlyInAlertableWaits) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(QueueUserAPC(note, GetCurrentThreadApcTarget(), 1), 0u);
    EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObjectEx(event, 20, FALSE), WAIT_TIMEOUT);
    EXPECT_EQ(SleepEx(10, FALSE), 0u);
    Sleep(10);
    EXPECT_TRUE(record.order.empty());
    SetEvent(event);  // a signalled object is taken before queued routines run
    EXPECT_EQ(WaitForSingleObjectEx(event, 0, TRUE), WAIT_OBJECT_0);
    EXPECT_TRUE(record.order.empty());
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObjectEx(event, 0, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(record.order, std::vector<int>{1});
    CloseHandle(event);
}

TEST_F(ApcTest, OneAlertableWaitRunsAllQueuedRoutinesInOrder) {
    HANDLE self = GetCurrentThreadApcTarget();
    std::thread([&] {
        for (int i = 1; i <= 5; ++i)
            QueueUserAPC(note, self, i);
    }).join();
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(record.order, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
}

TEST_F(ApcTest, QueuingToAnEndedThreadFails) {
    HANDLE ended = nullptr;
    std::thread([&] { ended = GetCurrentThreadApcTarget(); }).join();
    ASSERT_NE(ended, nullptr);
    EXPECT_NE(ended, GetCurrentThreadApcTarget());
    SetLastError(0);
    EXPECT_EQ(QueueUserAPC(note, ended, 1), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ApcTest, QueuingNeedsAThreadAndARoutine) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const struct {
        PAPCFUNC routine;
        HANDLE target;
        DWORD error;
    } cases[] = {
        {note, event, ERROR_INVALID_HANDLE},
        {note, nullptr, ERROR_INVALID_HANDLE},
#ifndef _WIN32  // Windows queues a null routine and faults when it runs
        {nullptr, GetCurrentThreadApcTarget(), ERROR_INVALID_PARAMETER},
#endif
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(QueueUserAPC(c.routine, c.target, 1), 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
    CloseHandle(event);
}

}  // namespace
