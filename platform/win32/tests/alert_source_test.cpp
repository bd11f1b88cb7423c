// The driver-facing extensions: I/O completions queued with the thread's routines, and alert
// sources that a thread's alertable waits drain and watch.
#include <win32/completion.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::vector<int> order;

void KV_STDCALL completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
    order.push_back(static_cast<int>(error * 1000 + bytes));
    if (overlapped != nullptr) overlapped->Offset = 1;
}

void user(ULONG_PTR value) {
    order.push_back(static_cast<int>(value));
}

TEST(IoCompletion, RunsInQueueOrderWithUserRoutinesAndItsArguments) {
    order.clear();
    OVERLAPPED block{};
    HANDLE self = GetCurrentThreadApcTarget();
    ASSERT_TRUE(KvQueueIoCompletion(self, completed, 0, 60, &block));
    ASSERT_NE(QueueUserAPC(user, self, 7), 0u);
    ASSERT_TRUE(KvQueueIoCompletion(self, completed, 2, 5, nullptr));
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(order, (std::vector<int>{60, 7, 2005}));
    EXPECT_EQ(block.Offset, 1u);
    EXPECT_FALSE(KvQueueIoCompletion(self, nullptr, 0, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// A source whose work is a counter; its fd is an eventfd that is readable while work waits.
struct CountingSource {
    int fd = eventfd(0, EFD_NONBLOCK);
    std::atomic<unsigned> waiting{0};
    std::atomic<unsigned> drained{0};
    std::thread::id drainedOn;

    ~CountingSource() { close(fd); }
    void add(unsigned count) {
        waiting += count;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(fd, &one, sizeof one);
    }
};

CountingSource* source = nullptr;

unsigned drain(ULONG_PTR key) {
    EXPECT_EQ(key, 42u);
    const unsigned count = source->waiting.exchange(0);
    uint64_t value = 0;
    [[maybe_unused]] ssize_t n = read(source->fd, &value, sizeof value);
    source->drained += count;
    if (count > 0) source->drainedOn = std::this_thread::get_id();
    return count;
}

TEST(AlertSource, AWaitingThreadWakesForItsSourceAndDrainsItItself) {
    CountingSource counting;
    source = &counting;
    HANDLE self = GetCurrentThreadApcTarget();
    ASSERT_TRUE(KvAddAlertSource(self, counting.fd, drain, 42));

    std::thread producer([&] {
        std::this_thread::sleep_for(30ms);
        counting.add(3);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    producer.join();
    EXPECT_EQ(counting.drained, 3u);
    EXPECT_EQ(counting.drainedOn, std::this_thread::get_id());

    // Work that waits is taken before the thread would sleep; nothing waiting, nothing ends
    // the wait early.
    counting.add(2);
    EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(counting.drained, 5u);
    EXPECT_EQ(SleepEx(20, TRUE), 0u);

    // Non-alertable waits leave the source alone; a removed source is not drained any more.
    counting.add(1);
    Sleep(20);
    EXPECT_EQ(counting.drained, 5u);
    KvRemoveAlertSource(self, 42);
    EXPECT_EQ(SleepEx(20, TRUE), 0u);
    EXPECT_EQ(counting.drained, 5u);
}

TEST(AlertSource, ASourceIsAddedOncePerKeyAndNotToAnEndedThread) {
    CountingSource counting;
    source = &counting;
    HANDLE self = GetCurrentThreadApcTarget();
    ASSERT_TRUE(KvAddAlertSource(self, counting.fd, drain, 42));
    ASSERT_TRUE(KvAddAlertSource(self, counting.fd, drain, 42));
    counting.add(1);
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(counting.drained, 1u);
    KvRemoveAlertSource(self, 42);
    counting.add(1);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);

    HANDLE ended = nullptr;
    std::thread([&] { ended = GetCurrentThreadApcTarget(); }).join();
    EXPECT_FALSE(KvAddAlertSource(ended, counting.fd, drain, 42));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// An idle routine that queues `completionsDue` completions once `callsDue` calls came; until
// then its work waits for `wait`.
struct IdleWork {
    HANDLE thread = nullptr;
    int calls = 0;
    int callsDue = 1;
    int completionsDue = 0;
    KvIdleWait wait;
    bool putOff = false;  // answer TRUE once, doing nothing
};
IdleWork* idleWork = nullptr;

BOOL idle(ULONG_PTR key, KvIdleWait* wait) {
    EXPECT_EQ(key, 7u);
    if (wait->alertable && std::exchange(idleWork->putOff, false)) return TRUE;
    if (++idleWork->calls < idleWork->callsDue) {
        wait->fd = idleWork->wait.fd;
        wait->retryMs = idleWork->wait.retryMs;
        return FALSE;
    }
    for (; idleWork->completionsDue > 0; --idleWork->completionsDue)
        KvQueueIoCompletion(idleWork->thread, completed, 0, 1, nullptr);
    return FALSE;
}

TEST(IdleRoutine, RunsBeforeEveryWaitSleepsAndWakesItForItsWork) {
    // On a thread of its own: a routine stays for the life of its thread.
    std::thread([] {
        IdleWork work;
        idleWork = &work;
        work.thread = GetCurrentThreadApcTarget();
        ASSERT_TRUE(KvAddIdleRoutine(idle, 7));
        ASSERT_TRUE(KvAddIdleRoutine(idle, 7));
        order.clear();

        // Its completions end an alertable wait at once; nothing due, the wait times out.
        work.completionsDue = 2;
        EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(order, (std::vector<int>{1, 1}));
        EXPECT_EQ(SleepEx(0, TRUE), 0u);
        EXPECT_EQ(work.calls, 2);  // added once

        // A wait that is not alertable runs it too, and leaves its completions queued.
        work.completionsDue = 1;
        Sleep(0);
        EXPECT_EQ(order.size(), 2u);
        EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(order.size(), 3u);

        // Work put off ends an alertable wait at once; a wait that is not alertable goes on.
        work.completionsDue = 1;
        work.putOff = true;
        EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(order.size(), 3u);
        work.putOff = true;
        Sleep(0);
        EXPECT_EQ(order.size(), 3u);
        EXPECT_TRUE(work.putOff);
        EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(order.size(), 4u);

        // Work that must wait: the sleep ends at the retry time, or when the fd is writable.
        for (const KvIdleWait wait :
             {KvIdleWait{FALSE, -1, 2}, KvIdleWait{FALSE, STDOUT_FILENO, INFINITE}}) {
            work = IdleWork{work.thread, 0, 3, 1, wait};
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
            EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
            EXPECT_EQ(work.calls, 3);
        }
    }).join();
}

}  // namespace
