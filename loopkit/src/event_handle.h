// An owned kernel event (win32/win32.h).
#pragma once

#include <win32/win32.h>

#include <utility>

namespace loopkit {

class EventHandle {
public:
    EventHandle() = default;
    // An event, or an empty handle when none could be created.
    EventHandle(bool manualReset, bool signalled)
        : handle_(CreateEventA(nullptr, manualReset ? TRUE : FALSE, signalled ? TRUE : FALSE,
                               nullptr)) {}
    EventHandle(EventHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    EventHandle& operator=(EventHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;
    ~EventHandle() { close(); }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void set() const {
        if (handle_ != nullptr) SetEvent(handle_);
    }
    void reset() const {
        if (handle_ != nullptr) ResetEvent(handle_);
    }
    void close() {
        if (handle_ != nullptr) CloseHandle(std::exchange(handle_, nullptr));
    }

private:
    HANDLE handle_ = nullptr;
};

}  // namespace loopkit
