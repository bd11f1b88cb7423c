#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
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
        {
            std::lock_guard lock(state_->lock);
            state_->ended = true;
            state_->apcs.clear();
            state_->queued = 0;
            state_->ownApcs.clear();
            state_->ownNext = 0;
            state_->sources.clear();
            state_->sourceCount = 0;
            state_->idle.clear();
        }
        if (handle_ != nullptr) removeThread(handle_);
    }

    ThreadState& state() { return *state_; }

    HANDLE handle() {
        if (handle_ == nullptr) handle_ = addHandle(state_);
        return handle_;
    }

private:
    std::shared_ptr<ThreadState> state_;
    HANDLE handle_ = nullptr;
};

// Plain copies of the holder's answers: reading them needs no check that the holder exists.
thread_local ThreadState* ownState = nullptr;
thread_local HANDLE ownHandle = nullptr;

ThreadHolder& holder() {
    thread_local ThreadHolder instance;
    ownState = &instance.state();
    return instance;
}

bool tryAcquire(Event& event) {
    if (!event.signalled.load(std::memory_order_acquire)) return false;
    std::lock_guard lock(event.lock);
    if (!event.signalled) return false;
    if (!event.manualReset) event.signalled = false;
    return true;
}

// Runs every queued routine, including those queued meanwhile, without the lock held.
bool runApcs(ThreadState& self) {
    bool ran = false;
    if (self.ownNext < self.ownApcs.size()) {
        // A routine may queue more, or wait alertably and run the rest itself.
        while (self.ownNext < self.ownApcs.size()) {
            const Apc apc = self.ownApcs[self.ownNext++];
            apc.run();
        }
        self.ownApcs.clear();
        self.ownNext = 0;
        ran = true;
    }
    while (self.queued.load(std::memory_order_acquire) > 0) {
        Apc apc;
        {
            std::lock_guard lock(self.lock);
            apc = self.apcs.front();
            self.apcs.pop_front();
            self.queued.store(self.apcs.size(), std::memory_order_release);
        }
        apc.run();
        ran = true;
    }
    return ran;
}

// Lets every alert source run the completions it has ready.
bool drainSources(ThreadState& self) {
    if (self.sourceCount.load(std::memory_order_acquire) == 0) return false;
    std::vector<AlertSource> sources;
    {
        std::lock_guard lock(self.lock);
        if (self.sources.empty()) return false;
        sources = self.sources;
    }
    unsigned ran = 0;
    for (const AlertSource& source : sources)
        ran += source.drain(source.key);
    return ran > 0;
}

bool hasApcs(const ThreadState& self) {
    return self.ownNext < self.ownApcs.size() || self.queued.load(std::memory_order_acquire) > 0;
}

// What the idle routines' leftover work waits for: fds to turn writable, a time to retry.
struct IdleLeft {
    std::vector<int> fds;
    DWORD retryMs = INFINITE;
};

// Lets the idle routines do the work they held back; true when one put it off so that an
// alertable wait ends at once.
bool runIdle(ThreadState& self, bool alertable, IdleLeft& left) {
    left.fds.clear();
    left.retryMs = INFINITE;
    bool putOff = false;
    for (size_t i = 0; i < self.idle.size(); ++i) {
        const IdleRoutine idle = self.idle[i];  // a routine may add routines
        KvIdleWait wait;
        wait.alertable = alertable ? TRUE : FALSE;
        if (idle.routine(idle.key, &wait) != FALSE && alertable) putOff = true;
        if (wait.fd >= 0) left.fds.push_back(wait.fd);
        left.retryMs = std::min(left.retryMs, wait.retryMs);
    }
    return putOff;
}

// The end of a wait, read from the clock only once the wait has to sleep or check the time,
// so that a wait that returns at once costs no clock read.
class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : milliseconds_(milliseconds) {}
    bool infinite() const { return milliseconds_ == INFINITE; }
    bool passed() { return !infinite() && (milliseconds_ == 0 || Clock::now() >= at()); }
    Clock::time_point at() {
        if (!known_) at_ = Clock::now() + std::chrono::milliseconds(milliseconds_);
        known_ = true;
        return at_;
    }
    // When a sleep ends at the latest: the deadline, or sooner when idle work retries.
    std::optional<Clock::time_point> sleepEnd(DWORD retryMs) {
        std::optional<Clock::time_point> end;
        if (!infinite()) end = at();
        if (retryMs != INFINITE) {
            const auto retry = Clock::now() + std::chrono::milliseconds(retryMs);
            if (!end || retry < *end) end = retry;
        }
        return end;
    }

private:
    DWORD milliseconds_;
    bool known_ = false;
    Clock::time_point at_{};
};

// Sleeps in poll() until woken, a watched fd turns ready, or `end`.
void sleepUntil(ThreadState& self, std::vector<pollfd>& fds, std::optional<Clock::time_point> end) {
    timespec timeout{};
    if (end) {
        const auto left = std::max(*end - Clock::now(), Clock::duration::zero());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
        timeout.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    const int ready = ppoll(fds.data(), fds.size(), end ? &timeout : nullptr, nullptr);
    {
        std::lock_guard lock(self.lock);
        self.sleeping = false;
    }
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(self.wakeFd, &count, sizeof count);
    }
}

// Gets ready to sleep: false when something already happened that the wait must look at.
// Fills `fds` with the wake-up eventfd, for an alertable wait the sources' fds, and the fds the
// idle work waits to write to.
bool prepareSleep(ThreadState& self, bool alertable, const IdleLeft& idle,
                  std::vector<pollfd>& fds) {
    std::lock_guard lock(self.lock);
    if (self.woken || (alertable && hasApcs(self))) return false;
    fds.assign(1, pollfd{self.wakeFd, POLLIN, 0});
    if (alertable) {
        for (const AlertSource& source : self.sources)
            fds.push_back(pollfd{source.fd, POLLIN, 0});
    }
    for (int fd : idle.fds)
        fds.push_back(pollfd{fd, POLLOUT, 0});
    self.sleeping = true;
    return true;
}

// Waits for `event` (or only for time and routines when null); WAIT_TIMEOUT when time is up.
// Order of precedence: the event, then queued routines, then alert sources, then idle work.
DWORD waitOn(Event* event, DWORD milliseconds, bool alertable) {
    ThreadState& self = currentThread();
    Deadline deadline(milliseconds);
    std::vector<pollfd> fds;
    IdleLeft idle;
    for (;;) {
        if (event != nullptr && tryAcquire(*event)) return WAIT_OBJECT_0;
        if (alertable && runApcs(self)) return WAIT_IO_COMPLETION;
        if (alertable && drainSources(self)) {
            runApcs(self);  // what the sources queued meanwhile
            return WAIT_IO_COMPLETION;
        }
        if (runIdle(self, alertable, idle)) return WAIT_IO_COMPLETION;
        if (alertable && hasApcs(self)) continue;  // the idle work's completions
        if (deadline.passed()) return WAIT_TIMEOUT;

        if (self.wakeFd < 0) {
            self.wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
            if (self.wakeFd < 0) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return WAIT_FAILED;
            }
        }
        {
            std::lock_guard lock(self.lock);
            self.woken = false;
        }
        if (event != nullptr) {
            std::lock_guard lock(event->lock);
            if (event->signalled) continue;
            event->waiters.push_back(&self);
        }
        if (prepareSleep(self, alertable, idle, fds))
            sleepUntil(self, fds, deadline.sleepEnd(idle.retryMs));
        if (event != nullptr) {
            std::lock_guard lock(event->lock);
            std::erase(event->waiters, &self);
        }
    }
}

}  // namespace

namespace kvwin32 {

ThreadState::~ThreadState() {
    if (wakeFd >= 0) close(wakeFd);
}

void ThreadState::wake() {
    woken = true;
    if (sleeping) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
    }
}

ThreadState& currentThread() {
    return ownState != nullptr ? *ownState : holder().state();
}

HANDLE currentThreadHandle() {
    if (ownHandle == nullptr) ownHandle = holder().handle();
    return ownHandle;
}

BOOL queueApc(HANDLE thread, const Apc& apc) {
    std::shared_ptr<ThreadState> target;
    ThreadState* state = nullptr;
    if (thread != nullptr && thread == currentThreadHandle()) {
        state = &currentThread();
        // Nothing from other threads waits before it: no lock needed (the thread is running,
        // so it needs no wake-up either).
        if (state->queued.load(std::memory_order_acquire) == 0) {
            state->ownApcs.push_back(apc);
            return TRUE;
        }
    } else {
        target = findThread(thread);
        state = target.get();
    }
    if (state == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(state->lock);
    if (state->ended) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    state->apcs.push_back(apc);
    state->queued.store(state->apcs.size(), std::memory_order_release);
    state->wake();
    return TRUE;
}

}  // namespace kvwin32

DWORD WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL alertable) {
    Event* event = findEvent(handle);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return waitOn(event, milliseconds, alertable != FALSE);
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
    return queueApc(thread, Apc{.user = routine, .data = data});
}

HANDLE GetCurrentThreadApcTarget() {
    return currentThreadHandle();
}

BOOL KvQueueIoCompletion(HANDLE thread, LPOVERLAPPED_COMPLETION_ROUTINE routine, DWORD error,
                         DWORD bytes, OVERLAPPED* overlapped) {
    if (routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return queueApc(thread,
                    Apc{.io = routine, .error = error, .bytes = bytes, .overlapped = overlapped});
}

BOOL KvAddAlertSource(HANDLE thread, int fd, KvAlertDrain drain, ULONG_PTR key) {
    std::shared_ptr<ThreadState> target = findThread(thread);
    if (!target || drain == nullptr) {
        SetLastError(target ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(target->lock);
    if (target->ended) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto it = std::find_if(target->sources.begin(), target->sources.end(),
                           [key](const AlertSource& s) { return s.key == key; });
    if (it != target->sources.end()) {
        *it = AlertSource{fd, drain, key};
    } else {
        target->sources.push_back(AlertSource{fd, drain, key});
        target->sourceCount.store(target->sources.size(), std::memory_order_release);
    }
    target->wake();
    return TRUE;
}

void KvRemoveAlertSource(HANDLE thread, ULONG_PTR key) {
    std::shared_ptr<ThreadState> target = findThread(thread);
    if (!target) return;
    std::lock_guard lock(target->lock);
    std::erase_if(target->sources, [key](const AlertSource& s) { return s.key == key; });
    target->sourceCount.store(target->sources.size(), std::memory_order_release);
    target->wake();
}

BOOL KvAddIdleRoutine(KvIdleRoutine routine, ULONG_PTR key) {
    if (routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<IdleRoutine>& idle = currentThread().idle;
    auto it = std::find_if(idle.begin(), idle.end(),
                           [key](const IdleRoutine& r) { return r.key == key; });
    try {
        if (it != idle.end()) {
            it->routine = routine;
        } else {
            idle.push_back(IdleRoutine{routine, key});
        }
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
