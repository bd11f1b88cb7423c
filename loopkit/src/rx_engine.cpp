#include "rx_engine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "routine_thread.h"

namespace loopkit {
namespace {

constexpr DWORD kWakeWaitMs = 50;
// How long a start waits for the worker's reads and packet filter (the driver builds its receive
// ring for the first read).
constexpr auto kReadyTimeout = std::chrono::seconds(5);
constexpr uint32_t kFilterDirectedAndBroadcast =
    PKTDRV_FILTER_DIRECTED | PKTDRV_FILTER_BROADCAST;  // 0x21
constexpr uint32_t kSequenceModulus = 65535;  // a backward jump adds seq - expected + 65535

template <typename T>
void addRelaxed(std::atomic<T>& counter, T amount) {
    counter.store(counter.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

bool sameAddress(const uint8_t* bytes, const MacAddress& address) {
    return std::memcmp(bytes, address.data(), address.size()) == 0;
}

std::span<const uint8_t> bytesOf(const std::vector<uint8_t>& pattern) {
    return {pattern.data(), pattern.size()};
}

}  // namespace

RxEngine::~RxEngine() {
    shutDown();
}

// --- Capture start and stop ------------------------------------------------------------------

bool RxEngine::prepareCapture(const CaptureSettings& settings) {
    if (!finishStoppedWorker()) return false;
    reportFile_.close();
    if (settings.reportPath != nullptr) {
        SYSTEMTIME now{};
        GetSystemTime(&now);
        reportFile_.open(settings.reportPath, settings.condition, now);
    }
    settings_ = settings;
    settings_.reportPath = nullptr;
    lossSeen_ = false;
    quietFill_ = 0;
    dumpFill_ = 0;
    good_.store(0, std::memory_order_relaxed);
    bad_.store(0, std::memory_order_relaxed);
    lost_.store(0, std::memory_order_relaxed);
    bytes_.store(0, std::memory_order_relaxed);
    firstNumber_ = true;
    started_.store(!startPattern_.has_value(), std::memory_order_relaxed);
    reference_.clear();
    hasReference_ = false;
    return true;
}

bool RxEngine::startCapture(const CaptureSettings& settings) {
    if (!prepareCapture(settings)) return false;
    // Start tick and flag are set here rather than by the worker, so the duration is right and a
    // stop right after the start holds.
    recordStart();
    setRunning(true);
    {
        std::lock_guard lock(readyLock_);
        ready_ = Readiness::Pending;
    }
    if (!startWorker([this] { run(); })) {
        setRunning(false);
        recordEnd();
        reportFile_.close();
        return false;
    }
    // Counting must hold from the moment this returns, so the reads and the filter come first.
    std::unique_lock lock(readyLock_);
    if (readyChanged_.wait_for(lock, kReadyTimeout,
                               [this] { return ready_ != Readiness::Pending; }))
        return ready_ == Readiness::Receiving;
    lock.unlock();
    requestStop();  // the worker ends the capture as soon as it gets that far
    return false;
}

void RxEngine::announce(Readiness readiness) {
    std::lock_guard lock(readyLock_);
    ready_ = readiness;
    readyChanged_.notify_all();
}

void RxEngine::stopCapture() {
    started_.store(false, std::memory_order_relaxed);
    requestStop();
}

void RxEngine::concludeCapture() {
    setRunning(false);
    reportFile_.close();
    recordEnd();
    discardPatterns();
}

bool RxEngine::setPattern(PatternKind kind, const char* data, int size) {
    if (!finishStoppedWorker()) return false;  // the worker reads the patterns
    std::optional<std::vector<uint8_t>>& pattern = patternOf(kind);
    pattern.reset();
    if (data == nullptr) return true;
    if (size <= 0) return false;
    try {
        const auto* bytes = reinterpret_cast<const uint8_t*>(data);
        pattern.emplace(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        pattern.reset();
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>>& RxEngine::patternOf(PatternKind kind) {
    switch (kind) {
        case PatternKind::Start:
            return startPattern_;
        case PatternKind::End:
            return endPattern_;
        case PatternKind::Expected:
            break;
    }
    return expectedPattern_;
}

void RxEngine::discardPatterns() {
    startPattern_.reset();
    endPattern_.reset();
    expectedPattern_.reset();
    reference_.clear();
    hasReference_ = false;
}

// --- The worker ------------------------------------------------------------------------------

void RxEngine::run() {
    if (handle() == -1 || !allocateSlots()) {
        reportFile_.close();
        setRunning(false);
        recordEnd();
        announce(Readiness::Failed);
        workerDone();
        return;
    }
    reposting_.store(true, std::memory_order_relaxed);
    for (size_t i = 0; i < kReceiveSlots; ++i)
        post(slots_[i]);
    if (acceptFrames()) {
        announce(Readiness::Receiving);
    } else {
        setRunning(false);
        announce(Readiness::Failed);
    }
    while (isRunning())
        WaitForSingleObjectEx(wakeEvent(), kWakeWaitMs, TRUE);

    setPacketFilter(0);
    withdrawReads();
    slots_.reset();
    slotEvent_.close();
    concludeCapture();
    const KvThreadProc completion = settings_.completion;
    void* const argument = settings_.argument;
    workerDone();
    startRoutine(completion, argument);
}

bool RxEngine::allocateSlots() {
    nineX_ = driverUsesNineXCompletions();
    try {
        slots_ = std::make_unique<ReceiveSlot[]>(kReceiveSlots);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (nineX_) {
        slotEvent_ = EventHandle(true, false);
        if (!slotEvent_) {
            slots_.reset();
            return false;
        }
    }
    for (size_t i = 0; i < kReceiveSlots; ++i) {
        ReceiveSlot& slot = slots_[i];
        slot.tag = kRecvTag;
        slot.engine = this;
        slot.overlapped.hEvent = slotEvent_.get();
    }
    return true;
}

void RxEngine::post(ReceiveSlot& slot) {
    const LPOVERLAPPED_COMPLETION_ROUTINE routine =
        nineX_ ? reinterpret_cast<LPOVERLAPPED_COMPLETION_ROUTINE>(
                     reinterpret_cast<void (*)()>(&RxEngine::receiveCompletedNineX))
               : &RxEngine::receiveCompleted;
    slot.packet.Capacity = PKTDRV_MAX_FRAME;
    if (W32N_PacketReadEx(handle(), &slot.packet, &slot.transferred, &slot.overlapped, routine) ==
        0)
        (void)W32N_GetLastError();  // a read that cannot be posted is simply one read fewer
}

bool RxEngine::acceptFrames() {
    for (uint32_t filter :
         {kFilterDirectedAndBroadcast, PKTDRV_FILTER_ALL_LOCAL, PKTDRV_FILTER_DIRECTED}) {
        if (setPacketFilter(filter) == ERROR_SUCCESS) return true;
    }
    return false;
}

DWORD RxEngine::setPacketFilter(uint32_t filter) {
    return makeRequest(PKTDRV_REQUEST_SET, PKTDRV_OID_CURRENT_PACKET_FILTER, &filter,
                       sizeof filter);
}

void RxEngine::withdrawReads() {
    reposting_.store(false, std::memory_order_relaxed);
    for (size_t i = 0; i < kReceiveSlots; ++i)
        W32N_CancelPacketRead(handle(), &slots_[i].packet);
    drainCompletions();
}

void RxEngine::received(ReceiveSlot& slot) {
    classify(slot.packet);
    if (reposting_.load(std::memory_order_relaxed)) post(slot);
}

void KV_STDCALL RxEngine::receiveCompleted(DWORD, DWORD, OVERLAPPED* overlapped) {
    if (overlapped == nullptr) return;
    ReceiveSlot* slot = ReceiveSlot::fromOverlapped(overlapped);
    if (slot->tag != kRecvTag) return;
    slot->engine->received(*slot);
}

void KV_STDCALL RxEngine::receiveCompletedNineX(OVERLAPPED* overlapped) {
    receiveCompleted(0, 0, overlapped);
}

// --- Classification --------------------------------------------------------------------------

void RxEngine::classify(KvRAS_PACKET& packet) {
    if (packet.Status != 0 || !isRunning()) return;
    const uint32_t length = packet.Length;
    if (length < kHeaderSize || length > packet.Capacity || length > sizeof packet.Data) return;
    uint8_t* frame = packet.Data;
    if (settings_.swap) {
        if (length < kSwapSize) return;
        swapHeader(frame);
    }
    if (settings_.remote && !sameAddress(frame + kSrcOffset, *settings_.remote)) return;
    if (!settings_.acceptAll && !isForUs(frame)) return;

    const std::span<const uint8_t> whole(frame, length);
    const std::span<const uint8_t> payload = whole.subspan(kHeaderSize);
    if (!started_.load(std::memory_order_relaxed)) {
        if (startPattern_ && beginsWith(payload, bytesOf(*startPattern_)))
            started_.store(true, std::memory_order_relaxed);
        return;
    }
    if (endPattern_ && beginsWith(payload, bytesOf(*endPattern_))) {
        stopCapture();
        return;
    }
    if (expectedPattern_ && !beginsWith(payload, bytesOf(*expectedPattern_))) return;

    if (settings_.payloadCheck && !payloadPasses(whole)) {
        addRelaxed(bad_, 1u);
        report(whole, false);
        return;
    }
    countSequence(readSequence(frame));
    addRelaxed(good_, 1u);
    addRelaxed(bytes_, static_cast<uint64_t>(length));
    report(whole, true);
    if (settings_.autoStop != 0 &&
        uint64_t{good()} + bad() + lost() >= static_cast<uint64_t>(settings_.autoStop))
        stopCapture();
}

bool RxEngine::isForUs(const uint8_t* frame) const {
    const uint8_t* dest = frame + kDestOffset;
    if (!sameAddress(dest, ownAddress()) && !sameAddress(dest, kBroadcast)) return false;
    return std::memcmp(frame + kSignatureOffset, kSignature.data(), kSignature.size()) == 0;
}

bool RxEngine::payloadPasses(std::span<const uint8_t> frame) {
    if (frame[kChecksumFlagOffset] != 0 && frameChecksum(frame) != frame[kChecksumOffset])
        return false;
    const std::span<const uint8_t> payload = frame.subspan(kHeaderSize);
    const uint8_t code = frame[kPatternOffset];
    if (code == kPatternCustom) return matchesReference(payload);
    return payloadMatches(payload, code);  // code 4 and codes above 5 never match
}

bool RxEngine::matchesReference(std::span<const uint8_t> payload) {
    if (hasReference_) return beginsWith(payload, bytesOf(reference_));
    try {
        reference_.assign(payload.begin(), payload.end());
        hasReference_ = true;
    } catch (const std::bad_alloc&) {
        // Without memory the next code-5 frame becomes the reference instead.
    }
    return true;
}

void RxEngine::countSequence(uint16_t sequence) {
    if (!settings_.sequenceCheck) return;
    if (firstNumber_) {
        firstNumber_ = false;
        lastSequence_ = sequence;
        return;
    }
    const uint16_t expected = static_cast<uint16_t>(lastSequence_ + 1);
    if (sequence > expected) {
        addRelaxed(lost_, static_cast<uint32_t>(sequence - expected));
    } else if (sequence < expected) {
        addRelaxed(lost_, static_cast<uint32_t>(sequence + kSequenceModulus - expected));
    }
    if (sequence != expected) lossSeen_ = true;
    lastSequence_ = sequence;
}

// --- Reports ---------------------------------------------------------------------------------

namespace {

// The 16 bytes both report records start with; UserData stays the caller's.
template <typename Entry>
void fillRecordHead(Entry& entry, const FrameRecord& record) {
    entry.IsGood = record.good ? 1 : 0;
    entry.LostCount = record.lost;
    entry.FrameSize = record.size;
}

}  // namespace

void RxEngine::report(std::span<const uint8_t> frame, bool good) {
    if (settings_.quiet == nullptr && settings_.dump == nullptr) return;
    if (settings_.condition == REPORT_ONLY_BAD && good) return;
    if (settings_.condition == REPORT_ONLY_LOST && !lossSeen_) return;
    const FrameRecord record{good, this->good(), static_cast<uint32_t>(frame.size()), lost()};

    if (settings_.quiet != nullptr) {
        reportFile_.write(RecordKind::Quiet, record, frame);
        if (settings_.quietArray != nullptr && quietFill_ < settings_.quietCapacity) {
            _Rx_Frame_Report_Quiet& entry = settings_.quietArray[quietFill_++];
            fillRecordHead(entry, record);
            startRoutine(settings_.quiet, &entry);
        }
    }
    if (settings_.dump != nullptr) {
        reportFile_.write(RecordKind::Dump, record, frame);
        if (settings_.dumpArray != nullptr && dumpFill_ < settings_.dumpCapacity) {
            _Rx_Frame_Report_Dump& entry = settings_.dumpArray[dumpFill_++];
            fillRecordHead(entry, record);
            std::memcpy(entry.FrameBytes, frame.data(), frame.size());
            startRoutine(settings_.dump, &entry);
        }
    }
}

}  // namespace loopkit
