#include "adapter.h"

#include "handle_table.h"

#include <win32/completion.h>

#include <poll.h>

#include <algorithm>
#include <cstring>

namespace pktdrv {
namespace {

// Frames delivered by one drain before the wait gets control back.
constexpr unsigned kDrainBudget = 256;

// Copies what fits; Length keeps the frame's own length, so a reader sees when it was cut.
// Answers the bytes copied.
uint32_t fill(KvRAS_PACKET& packet, unsigned long* transferred, OVERLAPPED* overlapped,
              const ReceivedFrame& frame) {
    const uint32_t capacity = std::min(packet.Capacity, PKTDRV_MAX_FRAME);
    const uint32_t copied = std::min(frame.length, capacity);
    std::memcpy(packet.Data, frame.data, copied);
    packet.Status = 0;
    packet.PacketType = frame.packetType;
    packet.TimestampSeconds = frame.seconds;
    packet.TimestampMicroseconds = frame.microseconds;
    packet.Length = frame.length;
    if (transferred != nullptr) *transferred = copied;
    if (overlapped != nullptr) {
        overlapped->Internal = 0;
        overlapped->InternalHigh = copied;
    }
    return copied;
}

}  // namespace

bool filterAccepts(uint32_t filter, const uint8_t* destination, const MacAddress& own) {
    if ((filter & PKTDRV_FILTER_ALL_LOCAL) != 0) return true;
    if (std::equal(kBroadcast.begin(), kBroadcast.end(), destination))
        return (filter & PKTDRV_FILTER_BROADCAST) != 0;
    if (std::equal(own.begin(), own.end(), destination))
        return (filter & PKTDRV_FILTER_DIRECTED) != 0;
    return false;
}

DWORD Adapter::ensureReceive() {
    std::lock_guard lock(receiveLock_);
    if (receivePrepared_) return ERROR_SUCCESS;
    const DWORD error = prepareReceive();
    receivePrepared_ = error == ERROR_SUCCESS;
    return error;
}

DWORD Adapter::setPacketFilter(uint32_t filter) {
    if (filter != 0) {
        if (DWORD error = ensureReceive(); error != ERROR_SUCCESS) return error;
        // Receiving starts afresh: nothing that slipped in while the filter was 0 (a frame
        // on its way in while the filter was changing) is delivered.
        if (packetFilter() == 0) discardWaiting();
    }
    const DWORD error = applyPacketFilter(filter);
    if (error == ERROR_SUCCESS && filter == 0) discardWaiting();
    return error;
}

void Adapter::discardWaiting() {
    {
        std::lock_guard lock(receiveLock_);
        if (!receivePrepared_) return;
    }
    std::lock_guard walking(drainLock_);
    ReceivedFrame frame;
    while (peek(frame))
        consume();
}

DWORD Adapter::postRead(KvRAS_PACKET* packet, unsigned long* transferred, OVERLAPPED* overlapped,
                        LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    if (packet == nullptr || routine == nullptr) return ERROR_INVALID_PARAMETER;
    if (DWORD error = ensureReceive(); error != ERROR_SUCCESS) return error;
    HANDLE thread = GetCurrentThreadApcTarget();
    std::lock_guard lock(readsLock_);
    if (closed()) return ERROR_INVALID_HANDLE;
    if (readsPerThread_[thread]++ == 0) KvAddAlertSource(thread, readyFd(), drainHandle, key_);
    reads_.push_back(PostedRead{packet, transferred, overlapped, routine, thread});
    return ERROR_SUCCESS;
}

void Adapter::forgetRead(HANDLE thread) {
    auto it = readsPerThread_.find(thread);
    if (it == readsPerThread_.end() || --it->second > 0) return;
    readsPerThread_.erase(it);
    KvRemoveAlertSource(thread, key_);
}

bool Adapter::cancelRead(KvRAS_PACKET* packet) {
    std::lock_guard lock(readsLock_);
    auto it = std::find_if(reads_.begin(), reads_.end(),
                           [packet](const PostedRead& read) { return read.packet == packet; });
    if (it == reads_.end()) return false;
    const HANDLE thread = it->thread;
    reads_.erase(it);
    forgetRead(thread);
    return true;
}

unsigned Adapter::drain() {
    std::unique_lock walking(drainLock_, std::try_to_lock);
    if (!walking.owns_lock()) return 0;
    const HANDLE self = GetCurrentThreadApcTarget();
    unsigned ran = 0;
    ReceivedFrame frame;
    for (unsigned delivered = 0; delivered < kDrainBudget && peek(frame); ++delivered) {
        PostedRead read{};
        DWORD length = 0;
        {
            // Taken, filled and (for another thread) queued under the lock: a cancel finds the
            // read either still posted or with its completion already on its thread's queue.
            std::lock_guard lock(readsLock_);
            if (reads_.empty()) break;
            read = reads_.front();
            reads_.pop_front();
            forgetRead(read.thread);
            length = fill(*read.packet, read.transferred, read.overlapped, frame);
            if (read.thread != self)
                KvQueueIoCompletion(read.thread, read.routine, 0, length, read.overlapped);
        }
        consume();
        if (read.thread == self) {
            read.routine(0, length, read.overlapped);
            ++ran;
        }
    }
    return ran;
}

void Adapter::close() {
    std::lock_guard lock(readsLock_);
    closed_.store(true, std::memory_order_release);
    for (const auto& [thread, count] : readsPerThread_)
        KvRemoveAlertSource(thread, key_);
    readsPerThread_.clear();
    for (const PostedRead& read : reads_) {
        read.packet->Status = ERROR_OPERATION_ABORTED;
        read.packet->Length = 0;
        KvQueueIoCompletion(read.thread, read.routine, ERROR_OPERATION_ABORTED, 0, read.overlapped);
    }
    reads_.clear();
}

DWORD Adapter::sendNow(std::span<const uint8_t> frame) {
    constexpr int kAttempts = 100;
    if (closed()) return ERROR_INVALID_HANDLE;
    const OutgoingFrame one{frame.data(), static_cast<uint32_t>(frame.size())};
    for (int attempt = 0;; ++attempt) {
        const SendResult result = sendFrames({&one, 1});
        if (result.sent == 1) return ERROR_SUCCESS;
        if (result.busy == SendResult::Busy::No) return result.error;
        if (attempt == kAttempts) return PKTDRV_ERROR_NOT_READY;
        // Wait for room as a driver would, a millisecond at a time.
        pollfd room{roomFd(result), POLLOUT, 0};
        poll(&room, 1, 1);
    }
}

}  // namespace pktdrv
