// The test frame: what the transmit engine builds and the receive engine checks.
//
//   offset  0  DestAddr[6]       FF FF FF FF FF FF when no destination is given
//           6  SrcAddr[6]        the sender's own address
//          12  TypeField         60 00
//          14  reserved          00 00
//          16  Signature         24 5A ED
//          19  SeqNo             16 bits, little-endian (0 without numbering)
//          21  PatternCode       0..5, how the payload was filled
//          22  ChecksumFlag      1 when byte 23 holds the checksum
//          23  Checksum          sum mod 256 of bytes 0..22 and of the payload
//          24  payload[n]        36 <= n <= 1490, so a frame has 60..1514 bytes
//
// With the header swap on, the sender exchanges bytes 0..23 with 24..47 after the checksum is
// set; the receiver exchanges them back before it looks at anything else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace loopkit {

using MacAddress = std::array<uint8_t, 6>;

inline constexpr size_t kHeaderSize = 24;
inline constexpr size_t kMinFrameSize = 60;
inline constexpr size_t kMaxFrameSize = 1514;
inline constexpr size_t kMinPayload = kMinFrameSize - kHeaderSize;  // 36
inline constexpr size_t kMaxPayload = kMaxFrameSize - kHeaderSize;  // 1490
inline constexpr size_t kSwapSize = 2 * kHeaderSize;  // a swapped frame has at least this

inline constexpr size_t kDestOffset = 0;
inline constexpr size_t kSrcOffset = 6;
inline constexpr size_t kTypeOffset = 12;
inline constexpr size_t kSignatureOffset = 16;
inline constexpr size_t kSeqOffset = 19;
inline constexpr size_t kPatternOffset = 21;
inline constexpr size_t kChecksumFlagOffset = 22;
inline constexpr size_t kChecksumOffset = 23;

inline constexpr MacAddress kBroadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr std::array<uint8_t, 3> kSignature{0x24, 0x5A, 0xED};

// Pattern codes.
inline constexpr uint8_t kPatternZeros = 0;
inline constexpr uint8_t kPatternOnes = 1;
inline constexpr uint8_t kPatternIncrementing = 2;
inline constexpr uint8_t kPatternFill = 3;
inline constexpr uint8_t kPatternRandom = 4;
inline constexpr uint8_t kPatternCustom = 5;

// Writes the 24 header bytes: addresses, type, signature; SeqNo, PatternCode and the checksum
// fields zero.
void writeHeader(uint8_t* frame, const MacAddress& dest, const MacAddress& src);

inline uint16_t readSequence(const uint8_t* frame) {
    return static_cast<uint16_t>(frame[kSeqOffset] | frame[kSeqOffset + 1] << 8);
}
inline void writeSequence(uint8_t* frame, uint16_t sequence) {
    frame[kSeqOffset] = static_cast<uint8_t>(sequence);
    frame[kSeqOffset + 1] = static_cast<uint8_t>(sequence >> 8);
}

// Fills a payload by codes 0..3: zeros, ones, incrementing from `start`, or every byte `start`.
// Any other code leaves zeros. Payloads longer than kMaxPayload are filled too.
void fillPayload(std::span<uint8_t> payload, uint8_t code, uint8_t start);

// Whether a payload holds what code 0..3 promises: zeros, ones, incrementing from its first
// byte (at most kMaxPayload bytes), every byte equal to the first. Any other code does not
// match.
bool payloadMatches(std::span<const uint8_t> payload, uint8_t code);

// Sum mod 256 of the payload fillPayload(code, start) writes, without reading it back.
uint8_t patternSum(uint8_t code, uint8_t start, size_t size);
// Sum mod 256 of each prefix of `data`: element k sums data[0, k).
std::vector<uint8_t> prefixSums(std::span<const uint8_t> data);
// Sum mod 256 of header bytes 0..22.
uint8_t headerSum(const uint8_t* frame);

// Sum mod 256 of bytes 0..22 and of every byte from 24 on; the frame has at least 24 bytes.
uint8_t frameChecksum(std::span<const uint8_t> frame);

// Exchanges bytes 0..23 with 24..47; the frame has at least 48 bytes.
void swapHeader(uint8_t* frame);

inline bool beginsWith(std::span<const uint8_t> data, std::span<const uint8_t> prefix) {
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

}  // namespace loopkit
