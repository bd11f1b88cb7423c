// The frame helpers shared by both engines: payload patterns, checksum and header swap.
#include "test_frame.h"

#include <gtest/gtest.h>

#include "loopkit_fixture.h"

namespace {

using namespace loopkit_test;

struct FillCase {
    uint8_t code;
    uint8_t start;
    size_t size;
    Bytes expected;
};

class FillPayload : public testing::TestWithParam<FillCase> {};

TEST_P(FillPayload, WritesThePatternAndTheCheckAcceptsIt) {
    const FillCase& c = GetParam();
    Bytes payload(c.size, 0x5C);
    loopkit::fillPayload(payload, c.code, c.start);
    EXPECT_EQ(payload, c.expected);
    unsigned sum = 0;
    for (uint8_t byte : c.expected)
        sum += byte;
    EXPECT_EQ(loopkit::patternSum(c.code, c.start, c.size), static_cast<uint8_t>(sum));
    if (c.code <= loopkit::kPatternFill) {
        EXPECT_TRUE(loopkit::payloadMatches(payload, c.code));
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, FillPayload,
                         testing::Values(FillCase{0, 9, 36, filled(36, 0x00)},
                                         FillCase{1, 9, 40, filled(40, 0xFF)},
                                         FillCase{2, 0xFE, 1490, incrementing(1490, 0xFE)},
                                         FillCase{2, 0, 300, incrementing(300, 0)},
                                         FillCase{2, 0x81, 600, incrementing(600, 0x81)},
                                         FillCase{2, 0x13, 0, Bytes{}},
                                         FillCase{3, 0xA7, 77, filled(77, 0xA7)},
                                         FillCase{9, 0xA7, 36, filled(36, 0x00)}));

struct MatchCase {
    const char* name;
    uint8_t code;
    Bytes payload;
    bool matches;
};

class PayloadMatches : public testing::TestWithParam<MatchCase> {};

TEST_P(PayloadMatches, FollowsTheCodesPromise) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(loopkit::payloadMatches(c.payload, c.code), c.matches) << c.name;
}

Bytes withByte(Bytes bytes, size_t at, uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PayloadMatches,
    testing::Values(
        MatchCase{"zeros", 0, filled(36, 0), true},
        MatchCase{"zeros, last byte set", 0, withByte(filled(36, 0), 35, 1), false},
        MatchCase{"ones", 1, filled(36, 0xFF), true},
        MatchCase{"ones, first byte off", 1, withByte(filled(36, 0xFF), 0, 0xFE), false},
        MatchCase{"incrementing across the wrap", 2, incrementing(600, 0xF0), true},
        MatchCase{"incrementing, one byte off", 2, withByte(incrementing(600, 3), 300, 0), false},
        MatchCase{"fill of any value", 3, filled(90, 0x77), true},
        MatchCase{"fill, middle byte off", 3, withByte(filled(90, 0x77), 45, 0x78), false},
        MatchCase{"random is never a payload", 4, filled(36, 0), false},
        MatchCase{"unknown code", 6, filled(36, 0), false},
        MatchCase{"negative code", 0xFF, filled(36, 0xFF), false},
        MatchCase{"empty payload", 2, Bytes{}, true}));

TEST(FrameChecksum, SumsHeaderWithoutByte23AndThePayload) {
    // Header: FF x6, 02 00 00 00 00 0A, 60 00, 00 00, 24 5A ED, seq 02 01, code 1, flag 1,
    // checksum byte 0x77 (not summed); payload 36 x FF. 2006 + 9180 = 11186 = 0xB2 mod 256.
    Bytes frame = buildFrame({.sequence = 0x0102, .code = 1, .payload = filled(36, 0xFF)});
    frame[22] = 1;
    frame[23] = 0x77;
    EXPECT_EQ(loopkit::frameChecksum(frame), 0xB2);
    // Lengths that are not a multiple of the summing width.
    for (size_t size : {24u, 25u, 55u, 56u, 57u, 1514u}) {
        const Bytes other = buildFrame({.payload = incrementing(size - 24, 0x31)});
        EXPECT_EQ(loopkit::frameChecksum(other), referenceChecksum(other)) << size;
    }
}

TEST(PrefixSums, SumEveryPrefix) {
    EXPECT_EQ(loopkit::prefixSums(Bytes{0x80, 0x90, 0x01}), (Bytes{0x00, 0x80, 0x10, 0x11}));
    EXPECT_EQ(loopkit::prefixSums(Bytes{}), Bytes{0});
}

TEST(SwapHeader, ExchangesTheHeaderWithThePayloadStartAndBack) {
    const Bytes original = buildFrame({.sequence = 7, .code = 2, .payload = incrementing(40, 0)});
    Bytes frame = original;
    loopkit::swapHeader(frame.data());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 24), incrementing(24, 0));
    EXPECT_EQ(Bytes(frame.begin() + 24, frame.begin() + 48),
              Bytes(original.begin(), original.begin() + 24));
    EXPECT_EQ(Bytes(frame.begin() + 48, frame.end()), incrementing(16, 24));
    loopkit::swapHeader(frame.data());
    EXPECT_EQ(frame, original);
}

}  // namespace
