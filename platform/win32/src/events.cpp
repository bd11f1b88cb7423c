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
    return addHandle(std::move(event));
}

BOOL SetEvent(HANDLE handle) {
    Event* event = findEvent(handle);
    if (!event) return invalidHandle();
    std::lock_guard lock(event->lock);
    event->signalled = true;
    for (ThreadState* waiter : event->waiters) {
        std::lock_guard waiterLock(waiter->lock);
        waiter->wake();
    }
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    Event* event = findEvent(handle);
    if (!event) return invalidHandle();
    std::lock_guard lock(event->lock);
    event->signalled = false;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    return removeEvent(handle) ? TRUE : invalidHandle();
}
