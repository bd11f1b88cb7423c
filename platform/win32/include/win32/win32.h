// The Win32 kernel services the packet driver and the packet test engines rely on: events,
// waits that can be alertable, per-thread queues of completion routines (asynchronous
// procedure calls), the tick counter, the system time, the last-error code and the OVERLAPPED
// block. Names, results and error codes are Windows'; the functions have C++ linkage.
//
// Handles are ids in a process-wide table, never raw pointers, so a closed or made-up handle
// is detected: the call fails and GetLastError() answers ERROR_INVALID_HANDLE.
//
// One shared library (libkvwin32.so) holds the process's kernel state, so the packet driver and
// its callers see the same threads, events and queues.
#pragma once

#include <kvexport.h>

#ifdef _WIN32
// On Windows the services are Windows' own; the library adds what the system does not name.
#include <windows.h>

// The calling thread's handle for QueueUserAPC from any thread: always the same for one thread,
// valid until the thread ends.
KVWIN32_API HANDLE GetCurrentThreadApcTarget();

#else

#include <cstdint>

using BOOL = int;
using WORD = uint16_t;
using DWORD = uint32_t;
using ULONG_PTR = uintptr_t;
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_IO_COMPLETION = 0xC0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// The registry header declares the codes both share (as LONG); whichever comes first does.
#ifndef KV_SHARED_ERROR_CODES
#define KV_SHARED_ERROR_CODES
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
#endif
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_OPERATION_ABORTED = 995;
inline constexpr DWORD ERROR_IO_PENDING = 997;

// Windows' layout. Offset and OffsetHigh are 32-bit words: a pointer does not fit, so a user
// that needs to find its own record from the block does so from the block's address.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
static_assert(sizeof(void*) != 8 || sizeof(OVERLAPPED) == 32, "OVERLAPPED keeps Windows' layout");

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;  // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

using PAPCFUNC = void(KV_STDCALL*)(ULONG_PTR);  // stdcall, as on 32-bit Windows
// A routine that completes an overlapped read or write: error code, bytes transferred, block.
using LPOVERLAPPED_COMPLETION_ROUTINE = void(KV_STDCALL*)(DWORD, DWORD, OVERLAPPED*);

// Events. The name is ignored; null answers only when no memory is left.
KVWIN32_API HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState,
                                const char* name);
KVWIN32_API BOOL SetEvent(HANDLE event);
KVWIN32_API BOOL ResetEvent(HANDLE event);
// Closes an event. The handle of a thread (GetCurrentThreadApcTarget) belongs to its thread
// and cannot be closed.
KVWIN32_API BOOL CloseHandle(HANDLE object);

// Waits for an event. An auto-reset event releases one waiter and resets; a manual-reset one
// stays signalled. An alertable wait also ends when completion routines are queued to the
// calling thread: it runs all of them, in the order queued, and answers WAIT_IO_COMPLETION.
// A signalled event wins over queued routines, which then wait for the next alertable wait.
KVWIN32_API DWORD WaitForSingleObjectEx(HANDLE object, DWORD milliseconds, BOOL alertable);
KVWIN32_API DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// 0 when the time has passed, WAIT_IO_COMPLETION when an alertable sleep ran routines.
KVWIN32_API DWORD SleepEx(DWORD milliseconds, BOOL alertable);
KVWIN32_API void Sleep(DWORD milliseconds);

// Queues routine(data) to the thread behind `thread`; it runs there during an alertable wait.
// Non-zero on success; 0 with ERROR_INVALID_HANDLE when the thread has ended or the handle is
// not a thread's, ERROR_INVALID_PARAMETER for a null routine.
KVWIN32_API DWORD QueueUserAPC(PAPCFUNC routine, HANDLE thread, ULONG_PTR data);
// The calling thread's handle for QueueUserAPC: always the same for one thread, valid until
// the thread ends. Routines still queued when the thread ends are dropped without running.
KVWIN32_API HANDLE GetCurrentThreadApcTarget();

// Milliseconds of a steady clock since an arbitrary start; wraps at 2^32.
KVWIN32_API DWORD GetTickCount();
// The current time in UTC.
KVWIN32_API void GetSystemTime(SYSTEMTIME* time);

// The calling thread's last-error code.
KVWIN32_API DWORD GetLastError();
KVWIN32_API void SetLastError(DWORD code);

#endif  // _WIN32
