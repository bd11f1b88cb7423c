#include "test_frame.h"

#include <algorithm>
#include <cstring>

namespace loopkit {
namespace {

// 0..255, 0..255, ...: an incrementing payload starting at s is kRamp[s, s + n).
constexpr size_t kRampSize = 256 + kMaxPayload;
constexpr std::array<uint8_t, kRampSize> makeRamp() {
    std::array<uint8_t, kRampSize> ramp{};
    for (size_t i = 0; i < kRampSize; ++i)
        ramp[i] = static_cast<uint8_t>(i);
    return ramp;
}
constexpr std::array<uint8_t, kRampSize> kRamp = makeRamp();

// kRampSums[k]: sum mod 256 of kRamp[0, k).
constexpr std::array<uint8_t, kRampSize + 1> makeRampSums() {
    std::array<uint8_t, kRampSize + 1> sums{};
    for (size_t k = 0; k < kRampSize; ++k)
        sums[k + 1] = static_cast<uint8_t>(sums[k] + kRamp[k]);
    return sums;
}
constexpr std::array<uint8_t, kRampSize + 1> kRampSums = makeRampSums();

// Every byte equals `value`: the first does, and each equals its successor.
bool allBytes(std::span<const uint8_t> data, uint8_t value) {
    if (data.empty()) return true;
    return data[0] == value && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0;
}

// Sum mod 256 of the eight bytes of a word: pairs of bytes into 16-bit lanes, then the lanes
// into the top lane (no lane can carry into the next).
uint8_t wordSum(uint64_t word) {
    constexpr uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
    const uint64_t pairs = (word & kLowBytes) + ((word >> 8) & kLowBytes);
    return static_cast<uint8_t>((pairs * 0x0001000100010001ull) >> 48);
}

// Byte sum mod 256: independent lanes of a fixed width, which the compiler turns into vector
// adds even at -O2, then words, then single bytes.
uint8_t byteSum(const uint8_t* data, size_t size) {
    constexpr size_t kLanes = 32;
    uint8_t lanes[kLanes] = {};
    size_t i = 0;
    for (; i + kLanes <= size; i += kLanes) {
        for (size_t j = 0; j < kLanes; ++j)
            lanes[j] = static_cast<uint8_t>(lanes[j] + data[i + j]);
    }
    uint8_t sum = 0;
    for (; i + sizeof(uint64_t) <= size; i += sizeof(uint64_t)) {
        uint64_t word = 0;
        std::memcpy(&word, data + i, sizeof word);
        sum = static_cast<uint8_t>(sum + wordSum(word));
    }
    for (; i < size; ++i)
        sum = static_cast<uint8_t>(sum + data[i]);
    uint64_t halves[kLanes / sizeof(uint64_t)];
    std::memcpy(halves, lanes, sizeof lanes);
    for (uint64_t word : halves)
        sum = static_cast<uint8_t>(sum + wordSum(word));
    return sum;
}

}  // namespace

void writeHeader(uint8_t* frame, const MacAddress& dest, const MacAddress& src) {
    std::memcpy(frame + kDestOffset, dest.data(), dest.size());
    std::memcpy(frame + kSrcOffset, src.data(), src.size());
    frame[kTypeOffset] = 0x60;
    frame[kTypeOffset + 1] = 0x00;
    frame[kTypeOffset + 2] = 0x00;
    frame[kTypeOffset + 3] = 0x00;
    std::memcpy(frame + kSignatureOffset, kSignature.data(), kSignature.size());
    std::memset(frame + kSeqOffset, 0, kHeaderSize - kSeqOffset);
}

void fillPayload(std::span<uint8_t> payload, uint8_t code, uint8_t start) {
    if (payload.empty()) return;
    switch (code) {
        case kPatternOnes:
            std::memset(payload.data(), 0xFF, payload.size());
            break;
        case kPatternIncrementing:
            if (payload.size() <= kMaxPayload) {
                std::memcpy(payload.data(), kRamp.data() + start, payload.size());
            } else {
                for (size_t i = 0; i < payload.size(); ++i)
                    payload[i] = kRamp[(start + i) % 256];
            }
            break;
        case kPatternFill:
            std::memset(payload.data(), start, payload.size());
            break;
        default:
            std::memset(payload.data(), 0, payload.size());
            break;
    }
}

bool payloadMatches(std::span<const uint8_t> payload, uint8_t code) {
    switch (code) {
        case kPatternZeros:
            return allBytes(payload, 0x00);
        case kPatternOnes:
            return allBytes(payload, 0xFF);
        case kPatternIncrementing:
            if (payload.empty()) return true;
            return payload.size() <= kMaxPayload &&
                   std::memcmp(payload.data(), kRamp.data() + payload[0], payload.size()) == 0;
        case kPatternFill:
            return payload.empty() || allBytes(payload, payload[0]);
        default:
            return false;
    }
}

uint8_t patternSum(uint8_t code, uint8_t start, size_t size) {
    switch (code) {
        case kPatternOnes:
            return static_cast<uint8_t>(0xFF * size);
        case kPatternIncrementing: {
            // The ramp repeats every 256 bytes; a whole turn, 0 + 1 + ... + 255, is 0x80 mod 256.
            const size_t turns = size / 256;
            const size_t rest = size % 256;
            return static_cast<uint8_t>(turns * 0x80 + kRampSums[start + rest] - kRampSums[start]);
        }
        case kPatternFill:
            return static_cast<uint8_t>(start * size);
        default:
            return 0;
    }
}

std::vector<uint8_t> prefixSums(std::span<const uint8_t> data) {
    std::vector<uint8_t> sums(data.size() + 1, 0);
    for (size_t k = 0; k < data.size(); ++k)
        sums[k + 1] = static_cast<uint8_t>(sums[k] + data[k]);
    return sums;
}

uint8_t headerSum(const uint8_t* frame) {
    // Byte by byte: the header was just written in small pieces, which wide loads would wait for.
    uint8_t sum = 0;
    for (size_t i = 0; i < kChecksumOffset; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    return sum;
}

uint8_t frameChecksum(std::span<const uint8_t> frame) {
    // Every byte but the checksum itself.
    return static_cast<uint8_t>(byteSum(frame.data(), frame.size()) - frame[kChecksumOffset]);
}

void swapHeader(uint8_t* frame) {
    std::swap_ranges(frame, frame + kHeaderSize, frame + kHeaderSize);
}

}  // namespace loopkit
