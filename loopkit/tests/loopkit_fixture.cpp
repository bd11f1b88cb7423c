#include "loopkit_fixture.h"

#include <algorithm>
#include <atomic>

namespace loopkit_test {

Bytes filled(size_t size, uint8_t value) {
    return Bytes(size, value);
}

Bytes incrementing(size_t size, uint8_t start) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(start + i);
    return bytes;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

uint8_t referenceChecksum(const Bytes& frame) {
    unsigned sum = 0;
    for (size_t i = 0; i < frame.size(); ++i) {
        if (i != 23) sum += frame[i];
    }
    return static_cast<uint8_t>(sum);
}

Bytes buildFrame(const FrameSpec& spec) {
    Bytes frame(24, 0);
    std::copy(spec.dest.begin(), spec.dest.end(), frame.begin());
    std::copy(spec.src.begin(), spec.src.end(), frame.begin() + 6);
    frame[12] = 0x60;
    if (spec.signature) {
        frame[16] = 0x24;
        frame[17] = 0x5A;
        frame[18] = 0xED;
    }
    frame[19] = static_cast<uint8_t>(spec.sequence);
    frame[20] = static_cast<uint8_t>(spec.sequence >> 8);
    frame[21] = spec.code;
    frame = concat(frame, spec.payload);
    if (spec.checksum) {
        frame[22] = 1;
        frame[23] = static_cast<uint8_t>(referenceChecksum(frame) + (spec.badChecksum ? 1 : 0));
    }
    if (spec.swap) std::swap_ranges(frame.begin(), frame.begin() + 24, frame.begin() + 24);
    return frame;
}

Bytes goodFrame(uint16_t sequence, uint8_t fill, size_t payload) {
    return buildFrame({.sequence = sequence, .code = 3, .payload = filled(payload, fill)});
}

Bytes badFrame(uint16_t sequence) {
    Bytes payload = filled(36, 0x41);
    payload[20] = 0x42;
    return buildFrame({.sequence = sequence, .code = 3, .payload = payload});
}

// --- CallLog ---------------------------------------------------------------------------------

unsigned int CallLog::record(void* log) {
    static_cast<CallLog*>(log)->add(log);
    return 0;
}

void CallLog::add(void* argument) {
    std::lock_guard guard(lock_);
    arguments_.push_back(argument);
    changed_.notify_all();
}

bool CallLog::waitFor(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return arguments_.size() >= count; });
}

size_t CallLog::count() const {
    std::lock_guard guard(lock_);
    return arguments_.size();
}

std::vector<void*> CallLog::arguments() const {
    std::lock_guard guard(lock_);
    return arguments_;
}

CallLog& quietLog() {
    static CallLog log;
    return log;
}

CallLog& dumpLog() {
    static CallLog log;
    return log;
}

unsigned int recordQuiet(void* entry) {
    quietLog().add(entry);
    return 0;
}

unsigned int recordDump(void* entry) {
    dumpLog().add(entry);
    return 0;
}

// --- RawCapture ------------------------------------------------------------------------------

RawCapture::RawCapture(int32_t handle, size_t reads) : handle_(handle) {
    EXPECT_EQ(setPacketFilter(handle, PKTDRV_FILTER_ALL_LOCAL), ERROR_SUCCESS);
    for (size_t i = 0; i < reads; ++i) {
        auto read = std::make_unique<Read>();
        read->owner = this;
        read->packet.Capacity = PKTDRV_MAX_FRAME;
        read->posted = KvRasTR_PacketReadEx(handle, &read->packet, &read->transferred,
                                            &read->overlapped, &RawCapture::complete) != 0;
        EXPECT_TRUE(read->posted) << KvRasTR_GetLastError();
        reads_.push_back(std::move(read));
    }
}

RawCapture::~RawCapture() {
    for (auto& read : reads_) {
        if (read->posted) W32N_CancelPacketRead(handle_, &read->packet);
    }
    while (SleepEx(0, TRUE) == WAIT_IO_COMPLETION) {
    }
    setPacketFilter(handle_, 0);
}

void KV_STDCALL RawCapture::complete(DWORD error, DWORD, OVERLAPPED* overlapped) {
    auto* read = reinterpret_cast<Read*>(overlapped);
    read->posted = false;
    if (error != 0 || read->packet.Status != 0) return;
    const KvRAS_PACKET& packet = read->packet;
    read->owner->frames_.emplace_back(packet.Data, packet.Data + packet.Length);
    read->owner->arrivals_.push_back(uint64_t{packet.TimestampSeconds} * 1000000 +
                                     packet.TimestampMicroseconds);
}

bool RawCapture::waitFor(size_t count, std::chrono::milliseconds timeout) {
    return waitUntil([&] { return frames_.size() >= count; }, timeout);
}

// --- MediumTest ------------------------------------------------------------------------------

void MediumTest::SetUp() {
    static std::atomic<int> media{0};
    const std::string name = "mem:loopkit" + std::to_string(++media);
    txHandle = W32N_OpenAdapter((name + "/02:00:00:00:00:0a").c_str());
    rxHandle = W32N_OpenAdapter((name + "/02:00:00:00:00:0b").c_str());
    rawHandle = W32N_OpenAdapter((name + "/02:00:00:00:00:0c").c_str());
    ASSERT_GT(txHandle, 0);
    ASSERT_GT(rxHandle, 0);
    ASSERT_GT(rawHandle, 0);
    txInfo.AdapterHandle = txHandle;
    rxInfo.AdapterHandle = rxHandle;
}

void MediumTest::TearDown() {
    for (int32_t handle : {txHandle, rxHandle, rawHandle}) {
        if (handle > 0) W32N_CloseAdapter(handle);
    }
    while (SleepEx(0, TRUE) == WAIT_IO_COMPLETION) {
    }
}

void MediumTest::sendRaw(const Bytes& frame) {
    unsigned long transferred = 0;
    OVERLAPPED overlapped{};
    ASSERT_NE(KvRasTR_PacketSendEx(txHandle, frame.data(), frame.size(), &transferred, &overlapped,
                                   nullptr),
              0)
        << KvRasTR_GetLastError();
}

}  // namespace loopkit_test
