#include <win32/win32.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "kernel.h"

using namespace kvwin32;

namespace {

using Clock = std::chrono::steady_clock;

// Owns the calling thread's state; when the thread ends, its handle goes away and routines
// still queued to it are dropped.
class ThreadHolder {
public:
    ThreadHolder() : state_(std::make_shared<ThreadState>()) {}
    ThreadHolder(const ThreadHolder&) = delete;
    ThreadHolder& operator=(const ThreadHolder&) = delete;
    ~ThreadHolder() {
        std::lock_guard lock(kernelLock());
        state_->ended = true;
        state_->apcs.clear();
        if (handle_ != nullptr) removeThread(handle_);
    }

    ThreadState& state() { return *state_; }

    // Expects kernelLock() held.
    HANDLE handle() {
        if (handle_ == nullptr) handle_ = addHandle(state_);
        return handle_;
    }

private:
    std::shared_ptr<ThreadState> state_;
    HANDLE handle_ = nullptr;
};

ThreadHolder& holder() {
    thread_local ThreadHolder instance;
    return instance;
}

bool tryAcquire(Event& event) {
    if (!event.signalled) return false;
    if (!event.manualReset) event.signalled = false;
    return true;
}

// Runs every queued routine, including those queued meanwhile, without the lock held.
void runApcs(ThreadState& self, std::unique_lock<std::mutex>& lock) {
    while (!self.apcs.empty()) {
        auto [routine, data] = self.apcs.front();
        self.apcs.pop_front();
        lock.unlock();
        routine(data);
        lock.lock();
    }
}

std::optional<Clock::time_point> deadlineAfter(DWORD milliseconds) {
    if (milliseconds == INFINITE) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// Waits for `event` (or only for time and routines when null); WAIT_TIMEOUT when time is up.
DWORD waitOn(Event* event, DWORD milliseconds, bool alertable) {
    ThreadState& self = currentThread();
    const auto deadline = deadlineAfter(milliseconds);
    std::unique_lock lock(kernelLock());
    for (;;) {
        if (event != nullptr && tryAcquire(*event)) return WAIT_OBJECT_0;
        if (alertable && !self.apcs.empty()) {
            runApcs(self, lock);
            return WAIT_IO_COMPLETION;
        }
        if (deadline && Clock::now() >= *deadline) return WAIT_TIMEOUT;
        if (event != nullptr) event->waiters.push_back(&self);
        if (deadline) {
            self.wake.wait_until(lock, *deadline);
        } else {
            self.wake.wait(lock);
        }
        if (event != nullptr) std::erase(event->waiters, &self);
    }
}

}  // namespace

namespace kvwin32 {

ThreadState& currentThread() {
    return holder().state();
}

}  // namespace kvwin32

DWORD WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) {
    std::shared_ptr<Event> event;
    {
        std::lock_guard lock(kernelLock());
        event = findEvent(handle);
    }
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return waitOn(event.get(), milliseconds, alertable != FALSE);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForSingleObjectEx(handle, milliseconds, FALSE);
}

DWORD SleepEx(DWORD milliseconds, BOOL alertable) {
    const DWORD result = waitOn(nullptr, milliseconds, alertable != FALSE);
    return result == WAIT_IO_COMPLETION ? WAIT_IO_COMPLETION : 0;
}

void Sleep(DWORD milliseconds) {
    SleepEx(milliseconds, FALSE);
}

DWORD QueueUserAPC(PAPCFUNC routine, HANDLE thread, ULONG_PTR data) {
    if (routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(kernelLock());
    auto target = findThread(thread);
    if (!target || target->ended) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    target->apcs.emplace_back(routine, data);
    target->wake.notify_one();
    return 1;
}

HANDLE GetCurrentThreadApcTarget() {
    ThreadHolder& self = holder();
    std::lock_guard lock(kernelLock());
    return self.handle();
}
