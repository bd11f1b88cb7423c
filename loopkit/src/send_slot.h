// Send slots: one frame in flight with the driver, and the pool that recycles them, so the
// transmit path allocates nothing once it runs.
#pragma once

#include <win32/win32.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "event_handle.h"
#include "test_frame.h"

namespace loopkit {

inline constexpr uint32_t kSendTag = 0x444E4553;  // "SEND"

class TxEngine;

struct SendSlot {
    uint32_t tag;  // kSendTag while the frame is in flight
    unsigned long transferred;
    uint32_t length;
    TxEngine* engine;
    OVERLAPPED overlapped;
    EventHandle event;  // Windows 9x form only
    alignas(16) uint8_t frame[kMaxFrameSize];

    // The slot whose overlapped block this is.
    static SendSlot* fromOverlapped(OVERLAPPED* overlapped) {
        return reinterpret_cast<SendSlot*>(reinterpret_cast<char*>(overlapped) -
                                           offsetof(SendSlot, overlapped));
    }
};

// Slots live until the pool goes; take() and give() only move them between "in use" and
// "free". With `shared` set, completions may give slots back from other threads.
class SendSlotPool {
public:
    void setShared(bool shared) { shared_ = shared; }
    // A slot with tag, counters, block and event cleared; null when memory runs out.
    SendSlot* take();
    // Clears the tag, closes the event and makes the slot free again.
    void give(SendSlot* slot);
    // Makes every slot free again: for when no driver can hold one any more (the thread whose
    // sends they carried has ended).
    void reclaimAll();

private:
    std::mutex lock_;
    bool shared_ = false;
    std::vector<std::unique_ptr<SendSlot>> owned_;
    std::vector<SendSlot*> free_;  // capacity kept at owned_.size(), so give() never allocates
};

}  // namespace loopkit
