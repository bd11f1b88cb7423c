#include "adapter.h"

#include "handle_table.h"

#include <win32/completion.h>

#ifndef _WIN32
#include <poll.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>

namespace pktdrv {
namespace {

#ifdef _WIN32
// Windows runs no driver code in a thread's waits: frames are delivered when they arrive or a
// read is posted, by the thread that did so, and every completion is queued to its reader.
constexpr bool kDeliverOnArrival = true;
constexpr unsigned kDrainBudget = UINT_MAX;
#else
// Reads are filled in their threads' alertable waits; one drain delivers this many frames
// before the wait gets control back.
constexpr bool kDeliverOnArrival = false;
constexpr unsigned kDrainBudget = 256;
#endif

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
    {
        std::lock_guard lock(readsLock_);
        if (closed()) return ERROR_INVALID_HANDLE;
        watch(thread);
        reads_.push_back(PostedRead{packet, transferred, overlapped, routine, thread});
    }
    if (kDeliverOnArrival) drain();
    return ERROR_SUCCESS;
}

void Adapter::watch(HANDLE thread) {
    if (readsPerThread_[thread]++ != 0) return;
#ifndef _WIN32
    KvAddAlertSource(thread, readyFd(), drainHandle, key_);
#endif
}

void Adapter::forgetRead(HANDLE thread) {
    auto it = readsPerThread_.find(thread);
    if (it == readsPerThread_.end() || --it->second > 0) return;
    readsPerThread_.erase(it);
#ifndef _WIN32
    KvRemoveAlertSource(thread, key_);
#endif
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
    // A drain in a wait leaves the frames to the thread already walking them; one on arrival
    // waits for it, as the frames it brings may have come after that thread looked.
    std::unique_lock walking(drainLock_, std::defer_lock);
    if (kDeliverOnArrival) {
        walking.lock();
    } else if (!walking.try_lock()) {
        return 0;
    }
    const HANDLE self = kDeliverOnArrival ? nullptr : GetCurrentThreadApcTarget();
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
#ifndef _WIN32
    for (const auto& [thread, count] : readsPerThread_)
        KvRemoveAlertSource(thread, key_);
#endif
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
#ifdef _WIN32
        Sleep(1);
#else
        pollfd room{roomFd(result), POLLOUT, 0};
        poll(&room, 1, 1);
#endif
    }
}

}  // namespace pktdrv
