#include <win32/win32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct ResetCase {
    const char* name;
    BOOL manualReset;
    BOOL initialState;
    std::vector<DWORD> pollResults;  // three waits of 0 ms in a row
};

TEST(EventTest, ResetModesDecideWhatAWaitLeavesBehind) {
    const ResetCase cases[] = {
        {"auto, signalled", FALSE, TRUE, {WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_TIMEOUT}},
        {"auto, clear", FALSE, FALSE, {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT}},
        {"manual, signalled", TRUE, TRUE, {WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_OBJECT_0}},
        {"manual, clear", TRUE, FALSE, {WAIT_TIMEOUT, WAIT_TIMEOUT, WAIT_TIMEOUT}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE event = CreateEventA(nullptr, c.manualReset, c.initialState, nullptr);
        ASSERT_NE(event, nullptr);
        for (DWORD expected : c.pollResults)
            EXPECT_EQ(WaitForSingleObject(event, 0), expected);
        EXPECT_TRUE(SetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        EXPECT_TRUE(CloseHandle(event));
    }
}

TEST(EventTest, AutoResetReleasesOneWaiterPerSet) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "ignored");
    std::atomic<int> released = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++released;
        });
    }
    std::this_thread::sleep_for(20ms);
    SetEvent(event);
    while (released == 0)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(released, 1);
    SetEvent(event);
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released, 2);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> released = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            if (WaitForSingleObjectEx(event, INFINITE, TRUE) == WAIT_OBJECT_0) ++released;
        });
    }
    std::this_thread::sleep_for(20ms);
    SetEvent(event);
    for (auto& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released, 3);
    CloseHandle(event);
}

TEST(EventTest, WaitsLastAtLeastTheirTimeout) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const auto timed = [](auto wait) {
        const auto start = std::chrono::steady_clock::now();
        const DWORD result = wait();
        EXPECT_GE(std::chrono::steady_clock::now() - start, 40ms);
        return result;
    };
    EXPECT_EQ(timed([&] { return WaitForSingleObject(event, 40); }), WAIT_TIMEOUT);
    EXPECT_EQ(timed([&] { return WaitForSingleObjectEx(event, 40, TRUE); }), WAIT_TIMEOUT);
    EXPECT_EQ(timed([] { return SleepEx(40, TRUE); }), 0u);
    EXPECT_EQ(timed([] {
                  Sleep(40);
                  return DWORD{0};
              }),
              0u);
    CloseHandle(event);
}

TEST(EventTest, BadHandlesFailWithInvalidHandle) {
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    const HANDLE thread = GetCurrentThreadApcTarget();
    const HANDLE bad[] = {nullptr, closed, reinterpret_cast<HANDLE>(uintptr_t{0x123457}), thread};
    for (HANDLE handle : bad) {
        SCOPED_TRACE(reinterpret_cast<uintptr_t>(handle));
        const auto failsWithInvalidHandle = [](auto result, auto failure) {
            SetLastError(0);
            EXPECT_EQ(result(), failure);
            EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        };
        failsWithInvalidHandle([&] { return SetEvent(handle); }, FALSE);
        failsWithInvalidHandle([&] { return ResetEvent(handle); }, FALSE);
        failsWithInvalidHandle([&] { return CloseHandle(handle); }, FALSE);
        failsWithInvalidHandle([&] { return WaitForSingleObjectEx(handle, 0, TRUE); }, WAIT_FAILED);
    }
    EXPECT_EQ(GetCurrentThreadApcTarget(), thread);  // a thread's handle survives CloseHandle
}

TEST(EventTest, LastErrorBelongsToItsThread) {
    SetLastError(1234);
    DWORD seenByOther = 1;
    std::thread([&] {
        seenByOther = GetLastError();
        SetLastError(77);
    }).join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
