// Address and number fields, and the figures built from engine readings.
#include <field_text.h>
#include <rates.h>

#include <gtest/gtest.h>

#include <climits>

namespace loopkit {
namespace {

struct AddressCase {
    const char* text;
    MacBytes bytes;
};

TEST(AddressText, ReadsPairsBlanksAndStops) {
    const AddressCase cases[] = {
        {"02 5A 1C 00 00 07", {0x02, 0x5A, 0x1C, 0x00, 0x00, 0x07}},
        {"025a1c000007", {0x02, 0x5A, 0x1C, 0x00, 0x00, 0x07}},
        {"2 5a\t1C", {0x02, 0x5A, 0x1C, 0, 0, 0}},  // a lone digit before a blank
        {"11 22 3", {0x11, 0x22, 0x03, 0, 0, 0}},   // and at the end of the text
        {"11 22:33 44", {0x11, 0x22, 0, 0, 0, 0}},  // other characters end the reading
        {"11 2:33", {0x11, 0x02, 0, 0, 0, 0}},      // a pending digit still counts
        {"112233445566778899", {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},  // a seventh byte ends it
        {"  ", {}},
        {"", {}},
        {"FFF FF", {0xFF, 0x0F, 0xFF, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseAddressText(c.text), c.bytes) << '"' << c.text << '"';
    EXPECT_EQ(formatAddressText({0xFF, 0x0A, 0, 1, 0xBC, 0x7F}), "FF 0A 00 01 BC 7F");
}

TEST(NumberField, ReadsAsAtoiWithoutOverflowAndChecksRanges) {
    const std::pair<const char*, long long> reads[] = {
        {"1500", 1500},
        {"  -1", -1},
        {"+7x", 7},
        {"abc", 0},
        {"", 0},
        {"99999999999999999999999", LLONG_MAX},  // 19 characters are read, no wrap
        {"-0000000000000000001", -0},
        {"1234567890123456789", 1234567890123456789LL},
    };
    for (const auto& [text, value] : reads)
        EXPECT_EQ(readNumberField(text), value) << text;
    EXPECT_EQ(checkNumberField("49", 50, 1500).message, "Must >= 50");
    EXPECT_EQ(checkNumberField("1501", 50, 1500).message, "Must <= 1500");
    EXPECT_TRUE(checkNumberField("1500", 50, 1500).ok());
    EXPECT_EQ(checkNumberField("-1", 0, 60000).message, "Must >= 0");
}

TEST(Figures, RatesSkipAStillDurationAndPerMilleNeverWraps) {
    RateMemory memory;
    EXPECT_EQ(memory.next(0, 0), std::nullopt);
    EXPECT_EQ(memory.next(1500, 1000), 1500u);
    EXPECT_EQ(memory.next(1500, 1000), std::nullopt);  // no time passed: no rate
    EXPECT_EQ(memory.next(4'000'000'000ULL, 3000), (4'000'000'000ULL - 1500) * 1000 / 2000);

    EXPECT_EQ(perMille(1, 1001), 0);
    EXPECT_EQ(perMille(4'000'000'000LL, 4'000'000'001LL), 999);  // x1000 beyond 32 bits
    EXPECT_EQ(perMille(-5, 100), 0);
    EXPECT_EQ(perMille(5, 0), 0);
    EXPECT_EQ(perMilleText(1, 1001, true), "< 1");
    EXPECT_EQ(perMilleText(1, 1001, false), "0");
    EXPECT_EQ(perMilleText(0, 1001, true), "0");
    EXPECT_EQ(perMilleText(2, 1000, true), "2");
}

}  // namespace
}  // namespace loopkit
