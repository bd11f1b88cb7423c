// The frames a thread sent with a completion routine, held so that they leave together, in one
// system call. Each thread has its own batch (threadBatch()); only that thread touches it.
//
// The batch goes out when it holds kFlushCount frames, when its thread would sleep in a wait
// (the idle routine of win32/completion.h), and when the thread closes an adapter. A frame's
// routine is queued to the thread once the frame left (error 0, its length), or once it cannot
// leave: its adapter was closed (ERROR_OPERATION_ABORTED) or refused it (the error, which the
// thread's next send on that adapter also answers). A busy link keeps its frames held until it
// takes them; they never leave once the thread has ended.
#pragma once

#include <win32/completion.h>

#include <memory>
#include <span>
#include <vector>

#include "adapter.h"

namespace pktdrv {

class SendBatch {
public:
    static constexpr size_t kFlushCount = PKTDRV_SEND_BATCH;
    static constexpr size_t kHoldLimit = 2 * kFlushCount;

    SendBatch();
    ~SendBatch();
    SendBatch(const SendBatch&) = delete;
    SendBatch& operator=(const SendBatch&) = delete;

    // Keeps a copy of the frame for the adapter behind `handle`: ERROR_SUCCESS, or the error an
    // earlier frame on this adapter failed with (answered once; this frame is not taken), or
    // PKTDRV_ERROR_NOT_READY when kHoldLimit frames wait for a busy link.
    DWORD hold(int32_t handle, const std::shared_ptr<Adapter>& adapter,
               std::span<const uint8_t> frame, unsigned long* transferred, OVERLAPPED* overlapped,
               LPOVERLAPPED_COMPLETION_ROUTINE routine);
    // The open adapter behind `handle` when the last frame held is for it, so that a run of
    // sends needs no lookup; else null.
    const std::shared_ptr<Adapter>* heldAdapter(int32_t handle) const {
        return count_ > 0 && handle == lastHandle_ && !last_->closed() ? &last_ : nullptr;
    }
    bool empty() const { return count_ == 0; }

    // Hands the held frames to their links, in order, until one is busy; says in `wait` (when
    // given) what the rest waits for.
    void flush(KvIdleWait* wait = nullptr);
    // The thread's wait would sleep: puts the flush off once after new frames in an alertable
    // wait (true: the sender may hand over more first, unless the batch is full), else flushes.
    bool idle(KvIdleWait* wait);

private:
    struct Entry {
        Adapter* adapter;
        uint32_t length;
        unsigned long* transferred;
        OVERLAPPED* overlapped;
        LPOVERLAPPED_COMPLETION_ROUTINE routine;
        alignas(64) uint8_t data[PKTDRV_MAX_FRAME];
    };

    Entry& at(size_t index) { return entries_[(head_ + index) % kHoldLimit]; }
    void keepAlive(int32_t handle, const std::shared_ptr<Adapter>& adapter);
    // Queues the routine of the first held frame and drops it.
    void complete(DWORD error);
    // Ends every held frame of `adapter` with `error`, keeping the others in order.
    void failAll(const Adapter* adapter, DWORD error);
    DWORD takeFailure(const Adapter* adapter);

    std::unique_ptr<Entry[]> entries_;  // a ring of kHoldLimit
    size_t head_ = 0;
    size_t count_ = 0;
    bool fresh_ = false;  // frames held since the last idle call
    HANDLE thread_ = nullptr;
    int32_t lastHandle_ = 0;
    std::shared_ptr<Adapter> last_;                   // the adapter of the last frame held
    std::vector<std::shared_ptr<Adapter>> adapters_;  // the adapters of held frames
    struct Failure {
        std::weak_ptr<Adapter> adapter;
        DWORD error;
    };
    std::vector<Failure> failures_;  // errors not yet answered to a send
};

// The calling thread's batch, made on first use; null once the thread is ending.
SendBatch* threadBatch();
// The calling thread's batch if it has one, without making one (safe while the process exits).
SendBatch* heldBatch();

}  // namespace pktdrv
