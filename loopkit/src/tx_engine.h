// The transmit engine: builds test frames (test_frame.h) and sends them one at a time on its
// worker thread until a frame limit is reached or it is stopped.
//
// The worker waits alertably on its wake event, which ends early when a send completes (the
// completion runs on the worker during that wait) or when the driver asks for the next frame
// while it batches sends; then it builds and sends the next frame. A frame counts as sent once
// its completion says it left.
#pragma once

#include <loopkit/loopkit.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "event_handle.h"
#include "packet_engine.h"
#include "send_slot.h"
#include "test_frame.h"

namespace loopkit {

struct TxSettings {
    int patternCode = kPatternZeros;
    MacAddress destination = kBroadcast;
    int payloadLength = 0;         // 0: a random length 36..1490 for every frame
    unsigned long frameLimit = 0;  // 0: until stopped
    int intervalMs = 0;            // pause before each frame
    bool numbering = false;
    bool checksum = false;
    bool swap = false;
    uint8_t fill = 0;  // first fill byte of pattern code 3
    KvThreadProc completion = nullptr;
    void* argument = nullptr;
    uint16_t firstSequence = 0;  // KvTxSend numbers from 0; tests may start near the wrap
};

class TxEngine final : public PacketEngine {
public:
    TxEngine();
    ~TxEngine() override;

    // Stores the settings, restarts the counters and starts the worker. False while a worker
    // is still active or when no thread could be started.
    bool send(const TxSettings& settings);
    // Clears the running flag; the worker ends at its next loop.
    void stop();
    // The payload of pattern code 5: false when size < 0, data is null, size + 24 > 1514,
    // memory runs out (the earlier pattern then stays) or the engine is sending. Waits for a
    // worker that is ending.
    bool setPattern(const char* data, int size);

    uint32_t framesSent() const { return sent_.load(std::memory_order_relaxed); }
    uint64_t bytesSent() const { return bytes_.load(std::memory_order_relaxed); }

private:
    void run();
    // The pause before a frame; a stop ends it early.
    void pause(DWORD milliseconds);
    // Gives the frames still with the driver a moment to leave after a stop.
    void settleInFlight();
    // One frame in a slot of the pool, or null when none results (length out of range, code 5
    // without a pattern, no memory, no event on Windows 9x).
    SendSlot* buildFrame();
    struct Fill {
        int code;     // the code actually used, or -1 when no frame results
        uint8_t sum;  // of the payload bytes written
    };
    Fill fillFrom(std::span<uint8_t> payload);
    // False when the driver refused the frame for good.
    bool sendFrame(SendSlot& slot);
    void completed(SendSlot& slot, DWORD error);
    static void KV_STDCALL sendCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped);
    static void KV_STDCALL sendCompletedNineX(OVERLAPPED* overlapped);

    TxSettings settings_;
    // The header every frame of a run starts with (addresses, type, signature), and the sum of
    // its bytes, so a frame's checksum needs no pass over what was just written.
    std::array<uint8_t, kHeaderSize> header_{};
    uint8_t headerSum_ = 0;
    std::vector<uint8_t> custom_;
    std::vector<uint8_t> customSums_;  // prefixSums(custom_), for the checksum of a cut pattern
    bool hasCustom_ = false;
    uint16_t sequence_ = 0;
    uint8_t fill_ = 0;
    std::minstd_rand random_;
    bool nineX_ = false;
    // Frames of this run handed to the driver, and those of them not completed yet (worker only).
    unsigned long handedOver_ = 0;
    uint32_t inFlight_ = 0;
    SendSlotPool pool_;
    EventHandle stopSignal_;  // manual-reset; set by stop and close, ends the pause early
    std::atomic<uint32_t> sent_{0};
    std::atomic<uint64_t> bytes_{0};
};

}  // namespace loopkit
