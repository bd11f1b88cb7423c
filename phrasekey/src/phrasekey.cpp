#include "phrasekey/phrasekey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <span>

#include "md5.h"
#include "secure_wipe.h"

int nPhrasekey = 0;

namespace {

using phrasekey::detail::kMd5DigestSize;
using phrasekey::detail::secureWipe;

constexpr std::size_t kKeyCount = 4;
constexpr std::size_t kKey64Size = 5;    // bytes of one 64-bit key
constexpr std::size_t kKey128Size = 13;  // bytes of the 128-bit key
constexpr std::size_t kKeyRowSize = 16;  // room for the longest key in a table row
constexpr std::size_t kPhraseBlockSize = 64;

constexpr std::uint32_t kLcgMultiplier = 214013;
constexpr std::uint32_t kLcgIncrement = 2531011;

// The keys made by the last Passphrase64 call, one per row, kept until the next call.
std::array<std::array<std::uint8_t, kKeyRowSize>, kKeyCount> keyTable{};
std::mutex keyTableMutex;

// Writes each byte as two lowercase hex digits, then a NUL.
void writeHex(std::span<const std::uint8_t> bytes, char* out) noexcept {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const std::uint8_t byte : bytes) {
        *out++ = kDigits[byte >> 4];
        *out++ = kDigits[byte & 0x0f];
    }
    *out = '\0';
}

// The characters XOR-ed into four seed bytes by position, read as a little-endian number.
std::uint32_t seedOf(const char* phrase) noexcept {
    std::array<std::uint8_t, 4> seed{};
    for (std::size_t i = 0; phrase[i] != '\0'; ++i) {
        seed[i % seed.size()] ^= static_cast<std::uint8_t>(phrase[i]);
    }
    return std::uint32_t{seed[0]} | std::uint32_t{seed[1]} << 8 | std::uint32_t{seed[2]} << 16 |
           std::uint32_t{seed[3]} << 24;
}

// Fills the first kKey64Size bytes of every table row from the generator started at `seed`.
void fillKeyTable(std::uint32_t seed) noexcept {
    std::uint32_t x = seed;
    for (auto& row : keyTable) {
        for (std::size_t i = 0; i < kKey64Size; ++i) {
            x = x * kLcgMultiplier + kLcgIncrement;
            row[i] = static_cast<std::uint8_t>(x >> 16);
        }
    }
}

}  // namespace

KV_EXTERN_C int KV_STDCALL Passphrase64(const char* phrase, char* out) {
    const std::uint32_t seed = seedOf(phrase);
    const std::lock_guard lock(keyTableMutex);
    fillKeyTable(seed);
    for (std::size_t key = 0; key < kKeyCount; ++key) {
        writeHex(std::span(keyTable[key]).first(kKey64Size), out + 2 * kKey64Size * key);
    }
    return 1;
}

KV_EXTERN_C int KV_STDCALL Passphrase128(const char* phrase, char* out) {
    const std::size_t length = ::strnlen(phrase, kPhraseBlockSize);
    if (length == 0) {
        out[0] = '\0';
        return 0;
    }
    std::array<std::uint8_t, kPhraseBlockSize> block;
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(phrase[i % length]);
    }
    std::array<std::uint8_t, kMd5DigestSize> digest;
    phrasekey::detail::md5(block, digest);
    writeHex(std::span(digest).first(kKey128Size), out);
    secureWipe(block.data(), block.size());
    secureWipe(digest.data(), digest.size());
    return 1;
}

int KV_CDECL fnPhrasekey(void) {
    return 42;
}

CPhrasekey::CPhrasekey() = default;

CPhrasekey& CPhrasekey::operator=(const CPhrasekey&) {
    return *this;
}
