#include "send_batch.h"

#include <win32/completion.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace pktdrv {
namespace {

// Plain thread-locals, valid whatever the state of the thread's objects.
thread_local SendBatch* existing = nullptr;
thread_local bool batchGone = false;

BOOL flushHeld(ULONG_PTR, KvIdleWait* wait) {
    return existing != nullptr && existing->idle(wait) ? TRUE : FALSE;
}

}  // namespace

SendBatch::SendBatch() {
    existing = this;
}

SendBatch::~SendBatch() {
    // The thread is ending: held frames can neither leave nor complete.
    existing = nullptr;
    batchGone = true;
}

SendBatch* threadBatch() {
    if (batchGone) return nullptr;
    thread_local SendBatch batch;
    return &batch;
}

SendBatch* heldBatch() {
    return existing;
}

DWORD SendBatch::hold(int32_t handle, const std::shared_ptr<Adapter>& adapter,
                      std::span<const uint8_t> frame, unsigned long* transferred,
                      OVERLAPPED* overlapped, LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    if (DWORD error = takeFailure(adapter.get()); error != ERROR_SUCCESS) return error;
    if (!entries_) {
        entries_ = std::make_unique<Entry[]>(kHoldLimit);
        if (!KvAddIdleRoutine(flushHeld, 0)) {
            entries_.reset();
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        thread_ = GetCurrentThreadApcTarget();
    }
    if (count_ == kHoldLimit) {
        flush();
        if (count_ == kHoldLimit) return PKTDRV_ERROR_NOT_READY;
    }
    keepAlive(handle, adapter);  // first: what may throw comes before the frame counts
    Entry& entry = at(count_);
    entry.adapter = adapter.get();
    entry.length = static_cast<uint32_t>(frame.size());
    entry.transferred = transferred;
    entry.overlapped = overlapped;
    entry.routine = routine;
    std::memcpy(entry.data, frame.data(), frame.size());
    ++count_;
    fresh_ = true;
    if (count_ >= kFlushCount) flush();
    return ERROR_SUCCESS;
}

bool SendBatch::idle(KvIdleWait* wait) {
    if (wait->alertable && std::exchange(fresh_, false) && count_ < kFlushCount) return true;
    flush(wait);
    return false;
}

void SendBatch::flush(KvIdleWait* wait) {
    std::array<OutgoingFrame, kHoldLimit> frames;
    while (count_ > 0) {
        Adapter* adapter = at(0).adapter;
        if (adapter->closed()) {
            failAll(adapter, ERROR_OPERATION_ABORTED);
            continue;
        }
        size_t run = 0;
        for (; run < count_ && at(run).adapter == adapter; ++run)
            frames[run] = OutgoingFrame{at(run).data, at(run).length};
        const SendResult result = adapter->sendFrames({frames.data(), run});
        for (size_t i = 0; i < result.sent; ++i)
            complete(ERROR_SUCCESS);
        if (result.sent == run) continue;
        if (result.busy == SendResult::Busy::No) {
            for (const auto& kept : adapters_) {
                if (kept.get() == adapter) failures_.push_back({kept, result.error});
            }
            failAll(adapter, result.error);
            continue;
        }
        if (wait != nullptr) {
            wait->fd = adapter->roomFd(result);
            if (wait->fd < 0) wait->retryMs = 1;
        }
        return;
    }
    head_ = 0;
    lastHandle_ = 0;
    last_.reset();
    adapters_.clear();
}

void SendBatch::keepAlive(int32_t handle, const std::shared_ptr<Adapter>& adapter) {
    if (adapter == last_) return;
    if (std::none_of(adapters_.begin(), adapters_.end(),
                     [&](const auto& kept) { return kept == adapter; }))
        adapters_.push_back(adapter);
    lastHandle_ = handle;
    last_ = adapter;
}

namespace {

void queueCompletion(HANDLE thread, unsigned long* transferred, OVERLAPPED* overlapped,
                     LPOVERLAPPED_COMPLETION_ROUTINE routine, DWORD error, DWORD bytes) {
    if (transferred != nullptr) *transferred = bytes;
    if (overlapped != nullptr) {
        overlapped->Internal = error;
        overlapped->InternalHigh = bytes;
    }
    KvQueueIoCompletion(thread, routine, error, bytes, overlapped);
}

}  // namespace

void SendBatch::complete(DWORD error) {
    const Entry& entry = at(0);
    queueCompletion(thread_, entry.transferred, entry.overlapped, entry.routine, error,
                    error == ERROR_SUCCESS ? entry.length : 0);
    head_ = (head_ + 1) % kHoldLimit;
    --count_;
}

void SendBatch::failAll(const Adapter* adapter, DWORD error) {
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i) {
        Entry& entry = at(i);
        if (entry.adapter == adapter) {
            queueCompletion(thread_, entry.transferred, entry.overlapped, entry.routine, error, 0);
        } else {
            if (kept != i) at(kept) = entry;
            ++kept;
        }
    }
    count_ = kept;
}

DWORD SendBatch::takeFailure(const Adapter* adapter) {
    if (failures_.empty()) return ERROR_SUCCESS;
    DWORD error = ERROR_SUCCESS;
    std::erase_if(failures_, [&](const Failure& failure) {
        const std::shared_ptr<Adapter> failed = failure.adapter.lock();
        if (!failed) return true;
        if (failed.get() != adapter || error != ERROR_SUCCESS) return false;
        error = failure.error;
        return true;
    });
    return error;
}

}  // namespace pktdrv
