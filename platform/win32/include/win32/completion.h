// How a driver hands I/O completions to the threads that asked for them. Not part of Windows:
// there the kernel queues them; here a driver queues them itself, or (on Linux) lets the waiting
// thread collect them from an alert source during its alertable waits.
#pragma once

#include <win32/win32.h>

// Queues routine(error, bytes, overlapped) to the thread behind `thread`
// (GetCurrentThreadApcTarget()); it runs there during an alertable wait, in order with the
// thread's other queued routines. Results as QueueUserAPC.
KVWIN32_API BOOL KvQueueIoCompletion(HANDLE thread, LPOVERLAPPED_COMPLETION_ROUTINE routine,
                                     DWORD error, DWORD bytes, OVERLAPPED* overlapped);

#ifndef _WIN32
// A source of completions for one thread. Every alertable wait of the thread calls
// drain(key) on it, and, before it sleeps, also watches `fd`: readable means the source may
// have work. drain runs the completions that are ready, on the waiting thread, and answers how
// many it ran; the wait then ends with WAIT_IO_COMPLETION.
using KvAlertDrain = unsigned (*)(ULONG_PTR key);

// Adds a source to the thread behind `thread`; a key is registered once per thread (adding it
// again only replaces fd and drain). FALSE with ERROR_INVALID_HANDLE when the thread has ended.
KVWIN32_API BOOL KvAddAlertSource(HANDLE thread, int fd, KvAlertDrain drain, ULONG_PTR key);
// Removes the source with `key` from that thread, if there, and wakes it so that its current
// wait stops watching the fd. A drain already running may finish.
KVWIN32_API void KvRemoveAlertSource(HANDLE thread, ULONG_PTR key);

// Work a thread holds back to do in bulk, such as the sends a driver batches. Every wait of the
// thread, alertable or not, calls its idle routines when it finds nothing to end for, before it
// sleeps or times out. A routine does the work that is due and queues the completions (an
// alertable wait runs them at once and answers WAIT_IO_COMPLETION). When work is left that has to
// wait for the system, the routine says what for in `wait`; the sleep then also ends when that
// fd turns writable, or after retryMs, and the routine runs again.
//
// In an alertable wait a routine may instead put its work off and answer TRUE: the wait then
// ends at once with WAIT_IO_COMPLETION, as the thread has just handed it more work and may hand
// over more before any of it is due. It must not answer TRUE twice without new work in between.
struct KvIdleWait {
    BOOL alertable = FALSE;    // in: the wait may end for completions
    int fd = -1;               // watched for POLLOUT; -1: none
    DWORD retryMs = INFINITE;  // run again after this at the latest
};
using KvIdleRoutine = BOOL (*)(ULONG_PTR key, KvIdleWait* wait);

// Adds an idle routine to the calling thread for as long as the thread runs; a key is added
// once (adding it again only replaces the routine). FALSE when memory runs out.
KVWIN32_API BOOL KvAddIdleRoutine(KvIdleRoutine routine, ULONG_PTR key);
#endif  // !_WIN32
