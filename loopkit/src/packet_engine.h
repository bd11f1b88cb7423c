// The common base of the transmit and receive engines: the packet-driver handle and the
// adapter's own address, the running flag, start and end ticks, the worker thread and the event
// that wakes it, and the request block for driver requests.
//
// Threads: the caller's thread creates, starts, polls, stops and closes; the worker thread sets
// the running flag and the ticks and, on this NT-style driver, runs every completion of the
// requests it posted. Flags, ticks and counters are relaxed atomics: a poll sees a recent value.
#pragma once

#include <pktdrv/pktdrv.h>
#include <win32/win32.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "event_handle.h"
#include "test_frame.h"

namespace loopkit {

class PacketEngine {
public:
    PacketEngine() = default;
    PacketEngine(const PacketEngine&) = delete;
    PacketEngine& operator=(const PacketEngine&) = delete;
    // Close: clears the running flag and waits for the worker thread, if any, to end. A derived
    // engine does so first (shutDown), before its own members go.
    virtual ~PacketEngine();

    // Opens the engine on a driver handle: false for handle 0 or when no event can be made.
    // Reads the adapter's own address and keeps the adapter's own frames out of its receive
    // path. A handle of -1 opens, but its workers end at once.
    bool open(int32_t handle);

    int32_t handle() const { return handle_; }
    const MacAddress& ownAddress() const { return own_; }

    bool isRunning() const { return running_.load(std::memory_order_relaxed); }
    // Sets or clears the running flag; the receive engine ignores frames while it is clear.
    void setRunning(bool running) { running_.store(running, std::memory_order_relaxed); }
    // Milliseconds: now minus start until the worker recorded the run's end, then end minus
    // start.
    DWORD duration() const;

protected:
    // Runs `body` on a new worker thread. False when the previous worker has not finished its
    // engine work yet, or no thread could be started.
    bool startWorker(std::function<void()> body);
    // Whether the engine can start again: true when no worker does engine work, or when the
    // running flag is clear and the worker, winding down, has been waited for. False while the
    // engine runs.
    bool finishStoppedWorker();
    // The worker's last word on the engine: from here on the engine may be started again or
    // closed, so the worker touches none of its members afterwards.
    void workerDone() { workerActive_.store(false, std::memory_order_release); }
    // Runs the completions still queued to the calling thread.
    static void drainCompletions();

    // Clears the running flag and ends the worker's current wait.
    void requestStop();
    // Close of the engine: requestStop, then the end of the worker thread, if any. Only the
    // first call does anything.
    void shutDown();

    void recordStart() {
        ended_.store(false, std::memory_order_relaxed);
        startTick_.store(GetTickCount(), std::memory_order_relaxed);
    }
    void recordEnd() {
        endTick_.store(GetTickCount(), std::memory_order_relaxed);
        ended_.store(true, std::memory_order_release);
    }

    // The worker's wake event: auto-reset; set by requestStop.
    HANDLE wakeEvent() const { return wake_.get(); }
    void wake() const { wake_.set(); }

    // A driver request (PKTDRV_REQUEST_*) on the engine's request block: 0 when carried out.
    DWORD makeRequest(uint32_t type, uint32_t oid, void* buffer, uint32_t length);

private:
    int32_t handle_ = 0;
    MacAddress own_{};
    std::atomic<bool> running_{false};
    std::atomic<bool> workerActive_{false};
    std::atomic<DWORD> startTick_{0};
    std::atomic<DWORD> endTick_{0};
    // Whether endTick_ belongs to the run of startTick_: between a stop and the worker's end
    // the duration still runs on, rather than reading an earlier run's end.
    std::atomic<bool> ended_{true};
    EventHandle requestEvent_;
    OVERLAPPED request_{};
    EventHandle wake_;
    std::thread worker_;
    bool shutDown_ = false;
};

// Whether the driver wants the Windows 9x form of completions (one-argument routines and an
// event per request) rather than the NT form.
bool driverUsesNineXCompletions();

}  // namespace loopkit
