// The objects behind handles, and the one lock that guards them all, so a wait can watch an
// event and its thread's routine queue together.
#pragma once

#include <win32/win32.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace kvwin32 {

// A thread as seen by waits and QueueUserAPC. Guarded by kernelLock().
struct ThreadState {
    std::condition_variable wake;  // notified by SetEvent and QueueUserAPC
    std::deque<std::pair<PAPCFUNC, ULONG_PTR>> apcs;
    bool ended = false;
};

// Guarded by kernelLock().
struct Event {
    bool manualReset = false;
    bool signalled = false;
    std::vector<ThreadState*> waiters;  // threads currently waiting on it
};

std::mutex& kernelLock();

// The calling thread's state, created on first use and marked ended when the thread ends.
ThreadState& currentThread();

// Handle table; every function expects kernelLock() held.
HANDLE addHandle(std::shared_ptr<Event> event);
HANDLE addHandle(std::shared_ptr<ThreadState> thread);
std::shared_ptr<Event> findEvent(HANDLE handle);
std::shared_ptr<ThreadState> findThread(HANDLE handle);
bool removeEvent(HANDLE handle);
void removeThread(HANDLE handle);

}  // namespace kvwin32
