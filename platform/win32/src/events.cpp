#include <win32/win32.h>

#include "kernel.h"

using namespace kvwin32;

namespace {

BOOL invalidHandle() {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

}  // namespace

HANDLE CreateEventA(void* /*security*/, BOOL manualReset, BOOL initialState, const char* /*name*/) {
    auto event = std::make_shared<Event>();
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;
    std::lock_guard lock(kernelLock());
    return addHandle(std::move(event));
}

BOOL SetEvent(HANDLE handle) {
    std::lock_guard lock(kernelLock());
    auto event = findEvent(handle);
    if (!event) return invalidHandle();
    event->signalled = true;
    for (ThreadState* waiter : event->waiters)
        waiter->wake.notify_one();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    std::lock_guard lock(kernelLock());
    auto event = findEvent(handle);
    if (!event) return invalidHandle();
    event->signalled = false;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    std::lock_guard lock(kernelLock());
    return removeEvent(handle) ? TRUE : invalidHandle();
}
