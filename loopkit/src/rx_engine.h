// The receive engine: keeps 512 reads posted on the driver, classifies every test frame that
// completes one (good, bad, or ignored without a trace), counts lost frames from gaps in the
// sequence numbers and reports frames to the caller.
//
// Threads: on this NT-style driver every receive completion, and so classification, counting
// and reporting, runs on the worker during its alertable waits. The caller's thread starts and
// stops captures, sets patterns between captures and polls the counters. Report routines run on
// threads of their own (routine_thread.h).
#pragma once

#include <loopkit/loopkit.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "capture_report.h"
#include "event_handle.h"
#include "packet_engine.h"
#include "test_frame.h"

namespace loopkit {

inline constexpr uint32_t kRecvTag = 0x56434552;  // "RECV"
inline constexpr size_t kReceiveSlots = 512;

class RxEngine;

struct ReceiveSlot {
    uint32_t tag;  // kRecvTag while the slot belongs to a capture
    unsigned long transferred;
    RxEngine* engine;
    OVERLAPPED overlapped;
    KvRAS_PACKET packet;

    static ReceiveSlot* fromOverlapped(OVERLAPPED* overlapped) {
        return reinterpret_cast<ReceiveSlot*>(reinterpret_cast<char*>(overlapped) -
                                              offsetof(ReceiveSlot, overlapped));
    }
};

struct CaptureSettings {
    std::optional<MacAddress> remote{};  // frames from this source only; none: any source
    unsigned long autoStop = 0;          // stop when good + bad + lost reaches it; 0: never
    bool payloadCheck = false;           // checksum and pattern
    bool sequenceCheck = false;          // lost counting
    bool acceptAll = false;              // no destination and signature filter
    bool swap = false;                   // header swap
    KvThreadProc completion = nullptr;
    void* argument = nullptr;
    int condition = REPORT_ALL;
    KvThreadProc quiet = nullptr;
    _Rx_Frame_Report_Quiet* quietArray = nullptr;
    unsigned long quietCapacity = 0;
    KvThreadProc dump = nullptr;
    _Rx_Frame_Report_Dump* dumpArray = nullptr;
    unsigned long dumpCapacity = 0;
    const char* reportPath = nullptr;  // none: no report file
};

enum class PatternKind { Start, End, Expected };

class RxEngine final : public PacketEngine {
public:
    RxEngine() = default;
    ~RxEngine() override;

    // prepareCapture, then the worker; returns once the worker's reads are posted and its
    // packet filter is set, so every frame that reaches the adapter from then on counts. False
    // while a worker is still active, when no thread could be started, when no slots could be
    // allocated or no packet filter was accepted (the completion routine still runs then), or
    // when the driver was not ready within 5 s (the capture then ends).
    bool startCapture(const CaptureSettings& settings);
    // Clears the running and started flags; the worker ends the capture at its next loop.
    void stopCapture();
    // Null data removes the pattern (true); size <= 0 removes it too (false); else a copy. Waits
    // for a worker that is ending; false, changing nothing, while a capture runs.
    bool setPattern(PatternKind kind, const char* data, int size);

    uint32_t good() const { return good_.load(std::memory_order_relaxed); }
    uint32_t bad() const { return bad_.load(std::memory_order_relaxed); }
    uint32_t lost() const { return lost_.load(std::memory_order_relaxed); }
    uint64_t bytes() const { return bytes_.load(std::memory_order_relaxed); }

    // The start of a capture without its worker: opens the report file and writes its header,
    // keeps the settings, zeroes counters and fill counts, arms the start pattern and forgets
    // the code-5 reference. False while a worker is still active.
    //
    // With it a benchmark or test drives classify() directly, without a driver:
    //   RxEngine engine;                 // unopened: own address 00:00:00:00:00:00
    //   engine.prepareCapture(settings);
    //   engine.setRunning(true);
    //   engine.classify(packet);         // as often as wanted
    //   engine.concludeCapture();        // closes the report file, drops the patterns
    bool prepareCapture(const CaptureSettings& settings);
    // Classifies a received frame in place (the header swap changes packet.Data). Frames with
    // Status != 0, Length < 24, Length > Capacity or Length > 1514, or shorter than 48 bytes
    // with the swap on, are ignored; nothing past Length is read.
    void classify(KvRAS_PACKET& packet);
    // The end of a capture without the driver part: clears the running flag, closes the report
    // file, records the end tick, discards the patterns and the code-5 reference.
    void concludeCapture();

private:
    enum class Readiness { Pending, Receiving, Failed };

    void run();
    // Tells the waiting start how the capture began.
    void announce(Readiness readiness);
    bool allocateSlots();
    void post(ReceiveSlot& slot);
    // Packet filter 0x21, else 0x80, else 0x01: false when none was accepted.
    bool acceptFrames();
    DWORD setPacketFilter(uint32_t filter);
    // Stops re-posting, withdraws every read and runs completions still queued.
    void withdrawReads();
    void received(ReceiveSlot& slot);
    static void KV_STDCALL receiveCompleted(DWORD error, DWORD bytes, OVERLAPPED* overlapped);
    static void KV_STDCALL receiveCompletedNineX(OVERLAPPED* overlapped);

    bool isForUs(const uint8_t* frame) const;
    bool payloadPasses(std::span<const uint8_t> frame);
    bool matchesReference(std::span<const uint8_t> payload);
    void countSequence(uint16_t sequence);
    void report(std::span<const uint8_t> frame, bool good);
    void discardPatterns();
    std::optional<std::vector<uint8_t>>& patternOf(PatternKind kind);

    CaptureSettings settings_;
    std::optional<std::vector<uint8_t>> startPattern_;
    std::optional<std::vector<uint8_t>> endPattern_;
    std::optional<std::vector<uint8_t>> expectedPattern_;
    std::vector<uint8_t> reference_;  // payload of the first code-5 frame
    bool hasReference_ = false;
    std::atomic<bool> started_{false};
    bool firstNumber_ = true;
    uint16_t lastSequence_ = 0;
    bool lossSeen_ = false;
    unsigned long quietFill_ = 0;
    unsigned long dumpFill_ = 0;
    ReportFile reportFile_;
    std::atomic<uint32_t> good_{0};
    std::atomic<uint32_t> bad_{0};
    std::atomic<uint32_t> lost_{0};
    std::atomic<uint64_t> bytes_{0};

    std::mutex readyLock_;
    std::condition_variable readyChanged_;
    Readiness ready_ = Readiness::Pending;

    bool nineX_ = false;
    std::unique_ptr<ReceiveSlot[]> slots_;
    EventHandle slotEvent_;  // Windows 9x form: one manual-reset event for every slot
    std::atomic<bool> reposting_{false};
};

}  // namespace loopkit
