// Helpers for the driver's tests: opening handles, setting filters, posting reads whose
// completions are recorded with the thread they ran on.
#pragma once

#include <pktdrv/pktdrv.h>

#include <gtest/gtest.h>

#include <support/packet_driver.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pktdrv_test {

using Mac = std::array<uint8_t, 6>;

inline DWORD setFilter(int32_t handle, uint32_t filter) {
    return testsupport::setPacketFilter(handle, filter);
}

inline Mac addressOf(int32_t handle) {
    return testsupport::adapterAddress(handle);
}

// An Ethernet frame of `length` bytes to `destination`, numbered by `tag` at byte 14.
inline std::vector<uint8_t> frameTo(const Mac& destination, const Mac& source, uint8_t tag,
                                    size_t length = 60) {
    std::vector<uint8_t> frame(length, 0);
    std::memcpy(frame.data(), destination.data(), 6);
    std::memcpy(frame.data() + 6, source.data(), 6);
    frame[12] = 0x60;
    frame[14] = tag;
    return frame;
}

inline BOOL send(int32_t handle, const std::vector<uint8_t>& frame) {
    unsigned long transferred = 0;
    return W32N_PacketSendEx(handle, frame.data(), frame.size(), &transferred, nullptr, nullptr);
}

// A posted read with its own record; its completion notes error, bytes and thread.
struct Read {
    OVERLAPPED overlapped{};
    KvRAS_PACKET packet{};
    unsigned long transferred = 0;
    bool done = false;
    DWORD error = 0;
    DWORD bytes = 0;
    std::thread::id thread;

    static void KV_STDCALL complete(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
        // The block is the record's first member.
        auto* read = reinterpret_cast<Read*>(overlapped);
        read->done = true;
        read->error = error;
        read->bytes = bytes;
        read->thread = std::this_thread::get_id();
    }

    BOOL post(int32_t handle, uint32_t capacity = PKTDRV_MAX_FRAME) {
        done = false;
        packet.Capacity = capacity;
        return W32N_PacketReadEx(handle, &packet, &transferred, &overlapped, complete);
    }
    uint8_t tag() const { return packet.Data[14]; }
};

// Runs every completion queued to the calling thread.
inline void runCompletions() {
    while (SleepEx(0, TRUE) == WAIT_IO_COMPLETION) {
    }
}

// A send record whose completions note error, bytes and order.
struct Send {
    OVERLAPPED overlapped{};  // first, so the completion finds its record
    unsigned long transferred = 0;
    int completions = 0;
    DWORD error = 0;
    DWORD bytes = 0;
    int order = -1;

    static int& finished() {
        static int count = 0;
        return count;
    }
    static void KV_STDCALL complete(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
        auto* self = reinterpret_cast<Send*>(overlapped);
        ++self->completions;
        self->error = error;
        self->bytes = bytes;
        self->order = finished()++;
    }
    BOOL post(int32_t handle, const std::vector<uint8_t>& frame) {
        return W32N_PacketSendEx(handle, frame.data(), frame.size(), &transferred, &overlapped,
                                 complete);
    }
};

// Tags of the frames a handle receives, collected by a thread of its own, so that the test
// thread's waits play no part.
class Listener {
public:
    explicit Listener(int32_t handle) : thread_([this, handle] { listen(handle); }) {}
    ~Listener() {
        stop_ = true;
        thread_.join();
    }
    bool waitFor(size_t count) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return tags_.size() >= count; });
    }
    std::vector<uint8_t> tags() {
        std::lock_guard lock(lock_);
        return tags_;
    }

private:
    void listen(int32_t handle) {
        Read read;
        read.post(handle);
        while (!stop_) {
            SleepEx(5, TRUE);
            if (!read.done) continue;
            if (read.error == 0) {
                std::lock_guard lock(lock_);
                tags_.push_back(read.tag());
            }
            changed_.notify_all();
            read.post(handle);
        }
        W32N_CancelPacketRead(handle, &read.packet);
        runCompletions();
    }

    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<uint8_t> tags_;
    std::thread thread_;
};

// Alertable waits until `done()` or about five seconds.
template <typename Done>
bool waitAlertably(Done done) {
    for (int i = 0; i < 500 && !done(); ++i)
        SleepEx(10, TRUE);
    return done();
}

}  // namespace pktdrv_test
