#include "tx_engine.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>

#include "routine_thread.h"

namespace loopkit {
namespace {

constexpr DWORD kWakeWaitMs = 1000;
constexpr DWORD kSettleMs = 200;  // after a stop, for frames the driver still holds
constexpr unsigned kRandomLengthSpan = kMaxPayload - kMinPayload + 1;  // 1455
constexpr unsigned kRandomCodes = 4;

template <typename T>
void addRelaxed(std::atomic<T>& counter, T amount) {
    // One writer at a time: a plain read and write is enough and costs no locked instruction.
    counter.store(counter.load(std::memory_order_relaxed) + amount, std::memory_order_relaxed);
}

}  // namespace

TxEngine::TxEngine() : stopSignal_(true, false) {}

TxEngine::~TxEngine() {
    stop();
    shutDown();
}

bool TxEngine::send(const TxSettings& settings) {
    if (!finishStoppedWorker()) return false;
    settings_ = settings;
    writeHeader(header_.data(), settings.destination, ownAddress());
    headerSum_ = headerSum(header_.data());
    sent_.store(0, std::memory_order_relaxed);
    bytes_.store(0, std::memory_order_relaxed);
    sequence_ = settings.firstSequence;
    fill_ = settings.fill;
    stopSignal_.reset();
    wake();  // the worker's first wait passes at once
    // Start tick and flag are set here rather than by the worker, so the duration is right and a
    // stop right after the start holds.
    recordStart();
    setRunning(true);
    if (startWorker([this] { run(); })) return true;
    setRunning(false);
    recordEnd();
    return false;
}

void TxEngine::stop() {
    // The flag first: a worker that finds the pause cut short must also find the flag clear,
    // or it would send on without pausing until the flag clears.
    requestStop();
    stopSignal_.set();
}

bool TxEngine::setPattern(const char* data, int size) {
    if (!finishStoppedWorker()) return false;  // the worker reads the pattern
    if (data == nullptr || size < 0 || static_cast<size_t>(size) + kHeaderSize > kMaxFrameSize)
        return false;
    try {
        std::vector<uint8_t> copy(data, data + size);
        std::vector<uint8_t> sums = prefixSums(copy);
        custom_ = std::move(copy);
        customSums_ = std::move(sums);
    } catch (const std::bad_alloc&) {
        return false;
    }
    hasCustom_ = true;
    return true;
}

void TxEngine::run() {
    random_.seed(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
    if (handle() == -1) {
        setRunning(false);
        recordEnd();
        workerDone();
        return;
    }
    nineX_ = driverUsesNineXCompletions();
    pool_.setShared(nineX_);
    pool_.reclaimAll();  // an earlier run's slots that never completed
    handedOver_ = 0;
    inFlight_ = 0;
    for (;;) {
        WaitForSingleObjectEx(wakeEvent(), kWakeWaitMs, TRUE);
        if (settings_.frameLimit != 0 && handedOver_ >= settings_.frameLimit) {
            // Every frame of the run is with the driver: the run ends once they have left.
            if (inFlight_ > 0 && isRunning()) continue;
            setRunning(false);
        } else if (settings_.intervalMs > 0) {
            pause(static_cast<DWORD>(settings_.intervalMs));
        }
        if (!isRunning()) break;
        SendSlot* slot = buildFrame();
        if (slot == nullptr) continue;
        // A refused send ends the worker like a stop, so whoever waits for it is released.
        if (!sendFrame(*slot)) break;
    }
    settleInFlight();
    recordEnd();
    drainCompletions();
    setRunning(false);
    const KvThreadProc completion = settings_.completion;
    void* const argument = settings_.argument;
    workerDone();
    startRoutine(completion, argument);
}

void TxEngine::settleInFlight() {
    // kSettleMs at the most: a stalled link must not hold up stop and close. Frames that do not
    // leave are not counted; the driver drops them when this thread ends.
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; inFlight_ > 0 && waited < kSettleMs; waited = GetTickCount() - start)
        SleepEx(kSettleMs - waited, TRUE);
}

void TxEngine::pause(DWORD milliseconds) {
    if (stopSignal_) {
        WaitForSingleObject(stopSignal_.get(), milliseconds);
    } else {
        Sleep(milliseconds);
    }
}

SendSlot* TxEngine::buildFrame() {
    const long long payloadLength = settings_.payloadLength != 0
                                        ? settings_.payloadLength
                                        : random_() % kRandomLengthSpan + kMinPayload;
    if (payloadLength < static_cast<long long>(kMinPayload) ||
        payloadLength > static_cast<long long>(kMaxPayload))
        return nullptr;
    const size_t length = static_cast<size_t>(payloadLength) + kHeaderSize;
    SendSlot* slot = pool_.take();
    if (slot == nullptr) return nullptr;

    uint8_t* frame = slot->frame;
    std::memcpy(frame, header_.data(), kHeaderSize);
    const Fill fill = fillFrom({frame + kHeaderSize, length - kHeaderSize});
    if (fill.code < 0) {
        pool_.give(slot);
        return nullptr;
    }
    frame[kPatternOffset] = static_cast<uint8_t>(fill.code);
    uint8_t sum = static_cast<uint8_t>(headerSum_ + fill.sum + frame[kPatternOffset]);
    if (settings_.numbering) {
        writeSequence(frame, sequence_);
        sum = static_cast<uint8_t>(sum + (sequence_ & 0xFF) + (sequence_ >> 8));
        ++sequence_;
    }
    if (settings_.checksum) {
        // The payload's sum is known from its pattern and the header's from the run: reading
        // back what was just written would cost more than building the frame.
        frame[kChecksumFlagOffset] = 1;
        frame[kChecksumOffset] = static_cast<uint8_t>(sum + 1);
    }
    if (settings_.swap) swapHeader(frame);

    slot->tag = kSendTag;
    slot->length = static_cast<uint32_t>(length);
    slot->engine = this;
    if (nineX_) {
        slot->event = EventHandle(true, false);
        if (!slot->event) {
            pool_.give(slot);
            return nullptr;
        }
        slot->overlapped.hEvent = slot->event.get();
    }
    return slot;
}

TxEngine::Fill TxEngine::fillFrom(std::span<uint8_t> payload) {
    int code = settings_.patternCode;
    if (code == kPatternRandom) code = static_cast<int>(random_() % kRandomCodes);
    uint8_t start = 0;
    switch (code) {
        case kPatternIncrementing:
            start = static_cast<uint8_t>(sequence_);
            break;
        case kPatternFill:
            start = fill_++;
            break;
        case kPatternCustom: {
            if (!hasCustom_) return {-1, 0};
            const size_t copied = std::min(custom_.size(), payload.size());
            std::memcpy(payload.data(), custom_.data(), copied);
            std::memset(payload.data() + copied, 0, payload.size() - copied);
            return {code, customSums_[copied]};
        }
        default:  // 0, 1, and codes outside 0..5, which go out over zeros
            break;
    }
    const auto byte = static_cast<uint8_t>(code);
    fillPayload(payload, byte, start);
    return {code & 0xFF, patternSum(byte, start, payload.size())};
}

bool TxEngine::sendFrame(SendSlot& slot) {
    // The one-argument routine of Windows 9x travels in the driver's routine type.
    const LPOVERLAPPED_COMPLETION_ROUTINE routine =
        nineX_ ? reinterpret_cast<LPOVERLAPPED_COMPLETION_ROUTINE>(
                     reinterpret_cast<void (*)()>(&TxEngine::sendCompletedNineX))
               : &TxEngine::sendCompleted;
    if (W32N_PacketSendEx(handle(), slot.frame, slot.length, &slot.transferred, &slot.overlapped,
                          routine) != 0 ||
        W32N_GetLastError() == ERROR_IO_PENDING) {
        ++handedOver_;
        ++inFlight_;
        return true;
    }
    const DWORD error = W32N_GetLastError();
    // Without a code the driver may still hold the slot; the pool frees it with the engine.
    if (error != 0) pool_.give(&slot);
    return false;
}

void TxEngine::completed(SendSlot& slot, DWORD error) {
    --inFlight_;
    if (error == ERROR_SUCCESS) {  // the frame left
        addRelaxed(sent_, 1u);
        addRelaxed(bytes_, static_cast<uint64_t>(slot.length));
    }
    pool_.give(&slot);
}

void KV_STDCALL TxEngine::sendCompleted(DWORD error, DWORD, OVERLAPPED* overlapped) {
    if (overlapped == nullptr) return;
    SendSlot* slot = SendSlot::fromOverlapped(overlapped);
    if (slot->tag != kSendTag) return;
    slot->engine->completed(*slot, error);
}

void KV_STDCALL TxEngine::sendCompletedNineX(OVERLAPPED* overlapped) {
    // The one-argument form finds the outcome in the block.
    sendCompleted(overlapped != nullptr ? static_cast<DWORD>(overlapped->Internal) : 0, 0,
                  overlapped);
}

}  // namespace loopkit
