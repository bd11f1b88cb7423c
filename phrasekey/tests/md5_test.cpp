#include "md5.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using phrasekey::detail::kMd5DigestSize;
using phrasekey::detail::Md5;
using Digest = std::array<std::uint8_t, kMd5DigestSize>;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string hexOf(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    return hex;
}

Digest md5Of(std::span<const std::uint8_t> data) {
    Digest digest;
    phrasekey::detail::md5(data, digest);
    return digest;
}

Digest opensslMd5Of(std::span<const std::uint8_t> data) {
    Digest digest;
    unsigned int size = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr), 1);
    EXPECT_EQ(size, kMd5DigestSize);
    return digest;
}

struct Vector {
    std::string message;
    std::string digest;
};

// The test suite of RFC 1321, appendix A.5.
const std::vector<Vector> kRfcSuite = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"1234567890123456789012345678901234567890"
     "1234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5, RfcSuiteInOneCall) {
    for (const auto& [message, digest] : kRfcSuite) {
        EXPECT_EQ(hexOf(md5Of(bytesOf(message))), digest) << '"' << message << '"';
    }
}

TEST(Md5, RfcSuiteSplitAtEveryBoundary) {
    for (const auto& [message, digest] : kRfcSuite) {
        for (std::size_t split = 0; split <= message.size(); ++split) {
            Md5 context;
            context.update(bytesOf(message).first(split));
            context.update(bytesOf(message).subspan(split));
            Digest result;
            context.finish(result);
            EXPECT_EQ(hexOf(result), digest) << '"' << message << "\" split at " << split;
        }
    }
}

// Messages around the padding limits (55, 56, 63, 64 bytes...) fed one byte at a time.
TEST(Md5, ByteByByteMatchesOpenssl) {
    std::string message;
    for (std::size_t size = 0; size <= 200; ++size) {
        Md5 context;
        for (const std::uint8_t byte : bytesOf(message))
            context.update({&byte, 1});
        Digest result;
        context.finish(result);
        EXPECT_EQ(hexOf(result), hexOf(opensslMd5Of(bytesOf(message)))) << "size " << size;
        message += static_cast<char>('A' + size % 26);
    }
}

TEST(Md5, StartsOverAfterFinish) {
    Md5 context;
    Digest first;
    Digest second;
    context.update(bytesOf("something else entirely"));
    context.finish(first);
    context.update(bytesOf("abc"));
    context.finish(second);
    EXPECT_EQ(hexOf(second), "900150983cd24fb0d6963f7d28e17f72");
    context.finish(second);
    EXPECT_EQ(hexOf(second), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5, RandomInputsMatchOpenssl) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> sizes(0, 300);
    std::uniform_int_distribution<int> bytes(0, 255);
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> message(sizes(random));
        for (auto& byte : message)
            byte = static_cast<std::uint8_t>(bytes(random));
        const std::size_t split =
            std::uniform_int_distribution<std::size_t>(0, message.size())(random);
        Md5 context;
        context.update(std::span(message).first(split));
        context.update(std::span(message).subspan(split));
        Digest result;
        context.finish(result);
        ASSERT_EQ(hexOf(result), hexOf(opensslMd5Of(message)))
            << "round " << round << ", size " << message.size() << ", split " << split;
    }
}

}  // namespace
