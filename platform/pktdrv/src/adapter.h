// One open handle of the packet driver: its address, packet filter and loopback setting, the
// reads posted on it, and the delivery of received frames into those reads. The link below it
// (an interface's socket, or the in-memory medium) supplies the frames.
#pragma once

#include <pktdrv/pktdrv.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <span>

namespace pktdrv {

using MacAddress = std::array<uint8_t, 6>;

inline constexpr MacAddress kBroadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// A frame handed to the link.
struct OutgoingFrame {
    const uint8_t* data;
    uint32_t length;
};

// What became of frames handed to the link: the first `sent` left. The next did not, because
// the link was busy (it may take it later) or refused it for good (`error`).
struct SendResult {
    enum class Busy {
        No,
        UntilWritable,  // the send queue is full: try again once sendFd() turns writable
        ForAMoment,     // the device is congested: try again a moment later
    };
    size_t sent = 0;
    Busy busy = Busy::No;
    DWORD error = ERROR_SUCCESS;
};

// A frame waiting in the link's receive queue; valid until consumed.
struct ReceivedFrame {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    uint32_t packetType = PKTDRV_PACKET_DIRECTED;
    uint32_t seconds = 0;
    uint32_t microseconds = 0;
};

class Adapter {
public:
    explicit Adapter(const MacAddress& address) : address_(address) {}
    Adapter(const Adapter&) = delete;
    Adapter& operator=(const Adapter&) = delete;
    virtual ~Adapter() = default;

    const MacAddress& address() const { return address_; }
    uint32_t packetFilter() const { return filter_.load(std::memory_order_relaxed); }
    bool loopbackDisabled() const { return noLoopback_.load(std::memory_order_relaxed); }

    // ERROR_SUCCESS or the error code. Receiving starts with the first filter that takes frames;
    // a filter of 0 stops it and drops the frames that wait for a read.
    DWORD setPacketFilter(uint32_t filter);
    virtual DWORD disableLoopback() = 0;

    // Hands frames to the link without waiting; the link takes them in order.
    virtual SendResult sendFrames(std::span<const OutgoingFrame> frames) = 0;
    // The fd that turns writable when a busy link has room again, or -1.
    virtual int sendFd() const { return -1; }
    // What a send the link found busy waits for: the fd to watch for room, or -1 to try again a
    // moment later.
    int roomFd(const SendResult& result) const {
        return result.busy == SendResult::Busy::UntilWritable ? sendFd() : -1;
    }
    // Sends one frame now, waiting a little (about 100 ms at most) while the link is busy.
    DWORD sendNow(std::span<const uint8_t> frame);

    // Closes the adapter: it takes no more reads, and every posted read ends with
    // ERROR_OPERATION_ABORTED, queued to its thread. Frames still held for it are withdrawn.
    void close();
    bool closed() const { return closed_.load(std::memory_order_acquire); }

    // `key` names this adapter to the threads' alert sources (its handle number).
    void setKey(ULONG_PTR key) { key_ = key; }
    DWORD postRead(KvRAS_PACKET* packet, unsigned long* transferred, OVERLAPPED* overlapped,
                   LPOVERLAPPED_COMPLETION_ROUTINE routine);
    // False when the read is not posted: it has been filled or aborted, and its routine is
    // queued to its thread already (or ran).
    bool cancelRead(KvRAS_PACKET* packet);
    // Fills posted reads with waiting frames; routines of reads the calling thread posted run
    // here (on Linux, where drains run in the thread's alertable waits), others are queued to
    // their threads. Answers how many ran here. On Windows the link calls it as frames arrive.
    unsigned drain();

protected:
    void storeFilter(uint32_t filter) { filter_.store(filter, std::memory_order_relaxed); }
    void storeNoLoopback() { noLoopback_.store(true, std::memory_order_relaxed); }

    virtual DWORD applyPacketFilter(uint32_t filter) = 0;

    // The link's receive queue. readyFd() turns readable when frames wait; prepareReceive()
    // runs once, before frames are first wanted (a filter set, or a read posted).
    virtual DWORD prepareReceive() = 0;
    virtual int readyFd() const = 0;
    virtual bool peek(ReceivedFrame& frame) = 0;
    virtual void consume() = 0;
    void discardWaiting();

private:
    struct PostedRead {
        KvRAS_PACKET* packet;
        unsigned long* transferred;
        OVERLAPPED* overlapped;
        LPOVERLAPPED_COMPLETION_ROUTINE routine;
        HANDLE thread;
    };

    DWORD ensureReceive();
    void watch(HANDLE thread);       // expects readsLock_ held
    void forgetRead(HANDLE thread);  // expects readsLock_ held

    const MacAddress address_;
    std::atomic<bool> closed_{false};
    std::atomic<uint32_t> filter_{0};
    std::atomic<bool> noLoopback_{false};
    ULONG_PTR key_ = 0;

    std::mutex readsLock_;
    std::deque<PostedRead> reads_;
    std::map<HANDLE, unsigned> readsPerThread_;  // threads watching this adapter

    std::mutex receiveLock_;
    bool receivePrepared_ = false;

    // One thread walks the receive queue at a time. Recursive: a routine that drain() runs may
    // wait alertably (and so drain again) or set the filter; the queue is consistent whenever a
    // routine runs.
    std::recursive_mutex drainLock_;
};

// Whether a frame for `destination` passes `filter` on an adapter with `own` address.
bool filterAccepts(uint32_t filter, const uint8_t* destination, const MacAddress& own);

}  // namespace pktdrv
