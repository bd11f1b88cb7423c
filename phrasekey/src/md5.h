#ifndef PHRASEKEY_MD5_H
#define PHRASEKEY_MD5_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace phrasekey::detail {

inline constexpr std::size_t kMd5BlockSize = 64;
inline constexpr std::size_t kMd5DigestSize = 16;

// MD5 message digest (RFC 1321), fed incrementally. The context is wiped when the digest is
// taken and when the object goes away, so no trace of the message stays behind.
class Md5 {
public:
    Md5() noexcept;
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void update(std::span<const std::uint8_t> data) noexcept;

    // Writes the digest of everything fed so far, then starts over with an empty message.
    void finish(std::span<std::uint8_t, kMd5DigestSize> digest) noexcept;

private:
    void reset() noexcept;
    void wipe() noexcept;
    void transform(const std::uint8_t* block) noexcept;

    std::array<std::uint32_t, 4> state_{};
    std::uint64_t length_ = 0;  // bytes fed so far
    std::array<std::uint8_t, kMd5BlockSize> buffer_{};
};

// The digest of `data` in one call.
void md5(std::span<const std::uint8_t> data,
         std::span<std::uint8_t, kMd5DigestSize> digest) noexcept;

}  // namespace phrasekey::detail

#endif  // PHRASEKEY_MD5_H
