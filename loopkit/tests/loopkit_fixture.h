// Helpers for the engine tests: handles on a fresh in-memory medium, test frames built by hand,
// raw reads that collect frames as they are on the wire, and logs of routine calls.
#pragma once

#include <loopkit/loopkit.h>

#include <gtest/gtest.h>

#include <support/alertable_wait.h>
#include <support/packet_driver.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace loopkit_test {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;

inline constexpr Mac kBroadcastMac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr Mac kTxMac{0x02, 0, 0, 0, 0, 0x0A};
inline constexpr Mac kRxMac{0x02, 0, 0, 0, 0, 0x0B};
inline constexpr Mac kRawMac{0x02, 0, 0, 0, 0, 0x0C};
inline constexpr Mac kStrangerMac{0x02, 0x55, 0x55, 0x55, 0x55, 0x55};

// --- Frames ------------------------------------------------------------------------------------

Bytes filled(size_t size, uint8_t value);
Bytes incrementing(size_t size, uint8_t start);
Bytes textBytes(const std::string& text);
Bytes concat(Bytes head, const Bytes& tail);

// A test frame laid out byte by byte, independently of the engines' own code.
struct FrameSpec {
    Mac dest = kBroadcastMac;
    Mac src = kTxMac;
    uint16_t sequence = 0;
    uint8_t code = 0;
    bool checksum = false;
    bool badChecksum = false;  // with checksum: store a wrong sum
    bool signature = true;
    bool swap = false;
    Bytes payload = Bytes(36, 0);
};
Bytes buildFrame(const FrameSpec& spec);
// A good code-3 frame (payload all `fill`) with the given sequence number.
Bytes goodFrame(uint16_t sequence, uint8_t fill = 0x41, size_t payload = 36);
// A frame whose code-3 payload is broken, so the payload check finds it bad.
Bytes badFrame(uint16_t sequence);
// Sum mod 256 of bytes 0..22 and of the payload, as the frame format defines it.
uint8_t referenceChecksum(const Bytes& frame);

// --- Waiting -----------------------------------------------------------------------------------

using testsupport::waitUntil;

// Calls of a routine, recorded from the threads that run them.
class CallLog {
public:
    static unsigned int record(void* log);  // a completion routine; the argument is the log
    void add(void* argument);
    bool waitFor(size_t count, std::chrono::milliseconds timeout = 10s);
    size_t count() const;
    std::vector<void*> arguments() const;

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<void*> arguments_;
};

// Report routines get the record's address, not ours: they log into these.
CallLog& quietLog();
CallLog& dumpLog();
unsigned int recordQuiet(void* entry);
unsigned int recordDump(void* entry);

// --- The medium ----------------------------------------------------------------------------------

// Reads posted on a handle from the test thread; completions run during waitFor.
class RawCapture {
public:
    RawCapture(int32_t handle, size_t reads);
    ~RawCapture();
    RawCapture(const RawCapture&) = delete;
    RawCapture& operator=(const RawCapture&) = delete;

    bool waitFor(size_t count, std::chrono::milliseconds timeout = 10s);
    const std::vector<Bytes>& frames() const { return frames_; }
    // When each frame reached the handle, in microseconds.
    const std::vector<uint64_t>& arrivals() const { return arrivals_; }

private:
    struct Read {
        OVERLAPPED overlapped{};  // first, so the completion finds its read
        KvRAS_PACKET packet{};
        unsigned long transferred = 0;
        RawCapture* owner = nullptr;
        bool posted = false;
    };
    static void KV_STDCALL complete(DWORD error, DWORD bytes, OVERLAPPED* overlapped);

    int32_t handle_;
    std::vector<std::unique_ptr<Read>> reads_;
    std::vector<Bytes> frames_;
    std::vector<uint64_t> arrivals_;
};

// Three handles on a medium of their own: transmit (…0A), receive (…0B) and raw (…0C).
class MediumTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends a frame on the transmit handle through the library's pass-through entry.
    void sendRaw(const Bytes& frame);

    int32_t txHandle = -1;
    int32_t rxHandle = -1;
    int32_t rawHandle = -1;
    WLAdapterInfo txInfo{};
    WLAdapterInfo rxInfo{};
};

using testsupport::packetFilter;
using testsupport::setPacketFilter;

}  // namespace loopkit_test
