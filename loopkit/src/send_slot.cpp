#include "send_slot.h"

#include <new>

namespace loopkit {

SendSlot* SendSlotPool::take() {
    std::unique_lock guard(lock_, std::defer_lock);
    if (shared_) guard.lock();
    SendSlot* slot = nullptr;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        try {
            owned_.push_back(std::make_unique<SendSlot>());
            free_.reserve(owned_.size());
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        slot = owned_.back().get();
    }
    slot->tag = 0;
    slot->transferred = 0;
    slot->length = 0;
    slot->engine = nullptr;
    slot->overlapped = OVERLAPPED{};
    return slot;
}

void SendSlotPool::give(SendSlot* slot) {
    slot->tag = 0;
    slot->event.close();
    std::unique_lock guard(lock_, std::defer_lock);
    if (shared_) guard.lock();
    free_.push_back(slot);
}

void SendSlotPool::reclaimAll() {
    {
        std::unique_lock guard(lock_, std::defer_lock);
        if (shared_) guard.lock();
        free_.clear();
    }
    for (const auto& slot : owned_)
        give(slot.get());
}

}  // namespace loopkit
