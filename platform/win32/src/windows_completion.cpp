// The completion helpers over Windows' own kernel: a thread's handle that other threads can
// queue to, and I/O completions queued as user APCs.
#include <win32/completion.h>

#include <new>

namespace {

// A real handle of the calling thread (GetCurrentThread() answers a pseudo handle that means
// "the caller" to whoever uses it). It belongs to the thread: protected from CloseHandle, and
// closed when the thread ends.
class ThreadHandle {
public:
    ThreadHandle() {
        if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle_,
                             0, FALSE, DUPLICATE_SAME_ACCESS))
            handle_ = nullptr;
        if (handle_ != nullptr)
            SetHandleInformation(handle_, HANDLE_FLAG_PROTECT_FROM_CLOSE,
                                 HANDLE_FLAG_PROTECT_FROM_CLOSE);
    }
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;
    ~ThreadHandle() {
        if (handle_ == nullptr) return;
        SetHandleInformation(handle_, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
        CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

struct Completion {
    LPOVERLAPPED_COMPLETION_ROUTINE routine;
    DWORD error;
    DWORD bytes;
    OVERLAPPED* overlapped;
};

void CALLBACK runCompletion(ULONG_PTR data) {
    const Completion* completion = reinterpret_cast<Completion*>(data);
    const Completion copy = *completion;
    delete completion;
    copy.routine(copy.error, copy.bytes, copy.overlapped);
}

}  // namespace

HANDLE GetCurrentThreadApcTarget() {
    thread_local ThreadHandle self;
    return self.get();
}

// A completion still queued when its thread ends is dropped by the system with the thread's
// other APCs, and its record with it.
BOOL KvQueueIoCompletion(HANDLE thread, LPOVERLAPPED_COMPLETION_ROUTINE routine, DWORD error,
                         DWORD bytes, OVERLAPPED* overlapped) {
    if (routine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* completion = new (std::nothrow) Completion{routine, error, bytes, overlapped};
    if (completion == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (QueueUserAPC(runCompletion, thread, reinterpret_cast<ULONG_PTR>(completion)) == 0) {
        delete completion;
        return FALSE;
    }
    return TRUE;
}
