#include <phrasekey/phrasekey.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

extern "C" int key64FromC(const char* phrase, char* out);
extern "C" int key128FromC(const char* phrase, char* out);

namespace {

struct Golden {
    const char* phrase;
    const char* key64;   // the four keys, 10 digits each
    const char* key128;  // empty: no 128-bit key
};

// Worked out once, independently of this library, from the key algorithms and RFC 1321 MD5.
constexpr Golden kGolden[] = {
    {"", "2627f6859715ad1dd294ddc476193931f1adb558", ""},
    {"a", "63cace42d9f201f42a09d275059af9b4721c60fd", "014842d480b571495a4a036379"},
    {"abc", "41192b542a6473463ac1f33a3d5a83bd5c452ebd", "efefeedae197ed614b582e1490"},
    {"secret", "c93ca31ecadc1124096faf8c5062bfdd15219276", "1c064922046d6517dfef3b7ef3"},
    {"Hello, world!", "c8c8cedfb1d780619b0a5cb6270ab000ba39a7cc", "5bff536b1e1d5bd082d3eb8a96"},
    {"0123456789abc", "61290d5c6e675c929e9dac0a3bf74a6f939d8d4a", "ff6c5c25a0dd18218069b238c3"},
    // Bytes of 0x80 and above count as unsigned.
    {"\xc3\xa9t\xc3\xa9", "066c96f56faba9898d06be18b93e220cbec411fd", "df852e5cdb80766e9674f2168f"},
    {"\xff\x80\x01", "62a0314f73be28b89584918e1f00126f88da7e78", "c11c0aaf840eac71b272cd20d0"},
    // Sixteen copies of each seed byte cancel out: the 64-bit keys of the empty phrase.
    {"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
     "2627f6859715ad1dd294ddc476193931f1adb558", "c1bb4f81d892b2d57947682aeb"},
    // Phrases that differ after the 64th character only share their 128-bit key.
    {"The quick brown fox jumps over the lazy dog and keeps on running A",
     "930f82aa1cb412baea91ec18475355073a79270b", "e6e29468c4ca0fe7daccce74b7"},
    {"The quick brown fox jumps over the lazy dog and keeps on running B",
     "c7d6feb96383b78d24c5a4f5a659d9c23fcdfe08", "e6e29468c4ca0fe7daccce74b7"},
    {"The quick brown fox jumps over the lazy dog and keeps on running",
     "b73655589f878a800dca598ace2996030bb94fd9", "e6e29468c4ca0fe7daccce74b7"},
};

constexpr std::size_t kGuard = 8;
constexpr char kUntouched = '#';

// Runs `entry` on an output buffer with room to spare, checks that it wrote only `size` bytes,
// and returns the text with the result.
template <typename Entry>
std::pair<std::string, int> call(Entry entry, const char* phrase, std::size_t size) {
    std::vector<char> out(size + kGuard, kUntouched);
    const int result = entry(phrase, out.data());
    for (std::size_t i = size; i < out.size(); ++i) {
        EXPECT_EQ(out[i], kUntouched) << "wrote past byte " << size;
    }
    EXPECT_NE(std::memchr(out.data(), '\0', size), nullptr) << "no terminating NUL";
    return {std::string(out.data()), result};
}

TEST(Passphrase64, GoldenKeys) {
    for (const auto& golden : kGolden) {
        const auto [text, result] = call(Passphrase64, golden.phrase, PHRASEKEY_KEY64_TEXT_SIZE);
        EXPECT_EQ(text, golden.key64) << '"' << golden.phrase << '"';
        EXPECT_EQ(result, 1);
    }
}

TEST(Passphrase128, GoldenKeys) {
    for (const auto& golden : kGolden) {
        const auto [text, result] = call(Passphrase128, golden.phrase, PHRASEKEY_KEY128_TEXT_SIZE);
        EXPECT_EQ(text, golden.key128) << '"' << golden.phrase << '"';
        EXPECT_EQ(result, golden.key128[0] == '\0' ? 0 : 1);
    }
}

TEST(Passphrase, CallableFromC) {
    for (const auto& golden : kGolden) {
        EXPECT_EQ(call(key64FromC, golden.phrase, PHRASEKEY_KEY64_TEXT_SIZE).first, golden.key64);
        EXPECT_EQ(call(key128FromC, golden.phrase, PHRASEKEY_KEY128_TEXT_SIZE).first,
                  golden.key128);
    }
}

TEST(Passphrase128, EmptyPhraseClearsOutput) {
    std::array<char, PHRASEKEY_KEY128_TEXT_SIZE> out;
    out.fill('x');
    EXPECT_EQ(Passphrase128("", out.data()), 0);
    EXPECT_EQ(out[0], '\0');
}

TEST(Passphrase64, ConcurrentCallsKeepTheirOwnKeys) {
    constexpr int kCallsPerThread = 3000;
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (const auto& golden : kGolden) {
        threads.emplace_back([&golden, &wrong] {
            std::array<char, PHRASEKEY_KEY64_TEXT_SIZE> out;
            for (int i = 0; i < kCallsPerThread; ++i) {
                Passphrase64(golden.phrase, out.data());
                if (std::strcmp(out.data(), golden.key64) != 0) ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(PhrasekeyExtras, FunctionVariableAndClass) {
    EXPECT_EQ(fnPhrasekey(), 42);
    std::array<char, PHRASEKEY_KEY64_TEXT_SIZE> out;
    Passphrase64("abc", out.data());
    EXPECT_EQ(nPhrasekey, 0);

    CPhrasekey first;
    const CPhrasekey second;
    EXPECT_EQ(&(first = second), &first);
    static_assert(std::is_empty_v<CPhrasekey>);
}

}  // namespace
