#include "md5.h"

#include <algorithm>
#include <bit>

#include "secure_wipe.h"

namespace phrasekey::detail {
namespace {

constexpr std::array<std::uint32_t, 4> kInitialState = {0x67452301, 0xefcdab89, 0x98badcfe,
                                                        0x10325476};

// K[i] = floor(abs(sin(i + 1)) * 2^32).
constexpr std::array<std::uint32_t, 64> kSineTable = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr std::array<int, 16> kShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

std::uint32_t loadLittleEndian(const std::uint8_t* bytes) noexcept {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

void storeLittleEndian(std::uint64_t value, std::uint8_t* bytes, std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The round function and message word of step `i` (0..63).
std::uint32_t mix(int i, std::uint32_t b, std::uint32_t c, std::uint32_t d, int& word) noexcept {
    switch (i / 16) {
        case 0:
            word = i;
            return (b & c) | (~b & d);
        case 1:
            word = (5 * i + 1) % 16;
            return (d & b) | (~d & c);
        case 2:
            word = (3 * i + 5) % 16;
            return b ^ c ^ d;
        default:
            word = (7 * i) % 16;
            return c ^ (b | ~d);
    }
}

}  // namespace

Md5::Md5() noexcept {
    reset();
}

Md5::~Md5() {
    wipe();
}

void Md5::reset() noexcept {
    state_ = kInitialState;
    length_ = 0;
}

void Md5::wipe() noexcept {
    secureWipe(state_.data(), sizeof(state_));
    secureWipe(&length_, sizeof(length_));
    secureWipe(buffer_.data(), buffer_.size());
}

void Md5::transform(const std::uint8_t* block) noexcept {
    std::array<std::uint32_t, 16> words;
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = loadLittleEndian(block + 4 * i);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        int word = 0;
        const std::uint32_t f = mix(i, b, c, d, word) + a + kSineTable[i] + words[word];
        a = d;
        d = c;
        c = b;
        b += std::rotl(f, kShifts[(i / 16) * 4 + i % 4]);
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    secureWipe(words.data(), sizeof(words));
}

void Md5::update(std::span<const std::uint8_t> data) noexcept {
    std::size_t used = length_ % kMd5BlockSize;
    length_ += data.size();
    while (!data.empty()) {
        const std::size_t take = std::min(kMd5BlockSize - used, data.size());
        std::copy_n(data.begin(), take, buffer_.begin() + used);
        data = data.subspan(take);
        used += take;
        if (used == kMd5BlockSize) {
            transform(buffer_.data());
            used = 0;
        }
    }
}

void Md5::finish(std::span<std::uint8_t, kMd5DigestSize> digest) noexcept {
    // Padding: a 1 bit, zeros up to 56 bytes into a block, then the message length in bits.
    constexpr std::size_t kLengthOffset = kMd5BlockSize - 8;
    std::array<std::uint8_t, 8> bitLength;
    storeLittleEndian(length_ * 8, bitLength.data(), bitLength.size());
    const std::size_t used = length_ % kMd5BlockSize;
    const std::size_t padding =
        (used < kLengthOffset ? kLengthOffset : kLengthOffset + kMd5BlockSize) - used;
    static constexpr std::array<std::uint8_t, kMd5BlockSize> kPadding = {0x80};
    update(std::span(kPadding).first(padding));
    update(bitLength);
    for (std::size_t i = 0; i < state_.size(); ++i) {
        storeLittleEndian(state_[i], digest.data() + 4 * i, 4);
    }
    wipe();
    reset();
}

void md5(std::span<const std::uint8_t> data,
         std::span<std::uint8_t, kMd5DigestSize> digest) noexcept {
    Md5 context;
    context.update(data);
    context.finish(digest);
}

}  // namespace phrasekey::detail
