// The objects behind handles. Each thread and each event has its own lock; a thread sleeps in
// poll() on its own eventfd (plus the fds of its alert sources), and whoever wants it awake
// marks it woken and, only if it sleeps, writes the eventfd. So a busy thread that queues
// routines to itself and runs them in its waits never makes a system call for it.
#pragma once

#include <win32/completion.h>
#include <win32/win32.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace kvwin32 {

// A queued routine: a user APC (QueueUserAPC) or an I/O completion.
struct Apc {
    PAPCFUNC user = nullptr;
    LPOVERLAPPED_COMPLETION_ROUTINE io = nullptr;
    ULONG_PTR data = 0;
    DWORD error = 0;
    DWORD bytes = 0;
    OVERLAPPED* overlapped = nullptr;

    void run() const {
        if (user != nullptr) {
            user(data);
        } else {
            io(error, bytes, overlapped);
        }
    }
};

struct AlertSource {
    int fd;
    KvAlertDrain drain;
    ULONG_PTR key;
};

struct IdleRoutine {
    KvIdleRoutine routine;
    ULONG_PTR key;
};

// A thread as seen by waits and queues; every field but wakeFd, the size mirrors and the own
// fields is guarded by `lock`. The fields an alertable wait reads first come first.
struct ThreadState {
    // Routines the thread queued to itself while `apcs` was empty: only the thread touches
    // these, without the lock. They run before `apcs`, which keeps the order of queuing.
    std::vector<Apc> ownApcs;
    size_t ownNext = 0;             // the next of ownApcs to run
    std::atomic<size_t> queued{0};  // apcs.size(), readable without the lock
    std::vector<IdleRoutine> idle;  // only the thread touches these

    std::mutex lock;
    std::deque<Apc> apcs;
    std::vector<AlertSource> sources;
    std::atomic<size_t> sourceCount{0};  // sources.size(), readable without the lock
    bool ended = false;
    bool sleeping = false;  // inside poll(): wakers must write wakeFd
    bool woken = false;     // something changed since the wait last looked
    int wakeFd = -1;        // eventfd; only the thread itself creates it

    ThreadState() = default;
    ThreadState(const ThreadState&) = delete;
    ThreadState& operator=(const ThreadState&) = delete;
    ~ThreadState();

    // Expects `lock` held.
    void wake();
};

// Guarded by `lock`; lock order: an event's lock before a thread's.
struct Event {
    std::mutex lock;
    bool manualReset = false;
    std::atomic<bool> signalled{false};  // written under `lock`; read without it to skip it
    std::vector<ThreadState*> waiters;   // threads currently sleeping on it
};

// The calling thread's state, created on first use and marked ended when the thread ends.
ThreadState& currentThread();
// The calling thread's handle, created on first use.
HANDLE currentThreadHandle();

// The handle table; it has its own lock. A lookup of the event a thread used last takes no
// lock at all.
HANDLE addHandle(std::shared_ptr<Event> event);
HANDLE addHandle(std::shared_ptr<ThreadState> thread);
// The event stays alive while the calling thread runs no routine and looks up no other event.
Event* findEvent(HANDLE handle);
std::shared_ptr<ThreadState> findThread(HANDLE handle);
bool removeEvent(HANDLE handle);
void removeThread(HANDLE handle);

// Queues `apc` to the thread behind `thread`; the calling thread's own handle needs no lookup.
BOOL queueApc(HANDLE thread, const Apc& apc);

}  // namespace kvwin32
