// The transmit engine through the exported entries, on the in-memory medium: the frames on the
// wire, the frame limit and completion, lengths, patterns, and a receive engine that finds
// every pattern good.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "loopkit_fixture.h"
#include "tx_engine.h"

namespace {

using namespace loopkit_test;

class TxEngineTest : public MediumTest {
protected:
    void SetUp() override {
        MediumTest::SetUp();
        tx = KvTxCreate(&txInfo);
        ASSERT_NE(tx, nullptr);
    }
    void TearDown() override {
        KvTxClose(tx);
        MediumTest::TearDown();
    }

    // Sends `limit` frames and collects them from the raw handle.
    std::vector<Bytes> sendAndCapture(int code, int payload, unsigned long limit, bool numbering,
                                      bool checksum, bool swap, unsigned char fill = 0) {
        RawCapture raw(rawHandle, limit + 1);
        const size_t ended = done.count() + 1;  // this send's completion, not an earlier one's
        EXPECT_TRUE(KvTxSend(tx, code, nullptr, payload, limit, 0, numbering, checksum, swap, fill,
                             CallLog::record, &done));
        EXPECT_TRUE(done.waitFor(ended));
        EXPECT_TRUE(raw.waitFor(limit));
        return raw.frames();
    }

    void* tx = nullptr;
    CallLog done;
};

// --- The frames on the wire ------------------------------------------------------------------

struct WireCase {
    const char* name;
    int code;
    int payload;
    bool numbering;
    bool checksum;
    bool swap;
    unsigned char fill;
    std::vector<Bytes> payloads;  // expected, frame by frame
};

class TxWire : public TxEngineTest, public testing::WithParamInterface<WireCase> {};

TEST_P(TxWire, LaysOutHeaderSequenceChecksumAndPayload) {
    const WireCase& c = GetParam();
    const auto frames = sendAndCapture(c.code, c.payload, c.payloads.size(), c.numbering,
                                       c.checksum, c.swap, c.fill);
    ASSERT_EQ(frames.size(), c.payloads.size()) << c.name;
    for (size_t k = 0; k < frames.size(); ++k) {
        SCOPED_TRACE(std::string(c.name) + ", frame " + std::to_string(k));
        Bytes frame = frames[k];
        ASSERT_EQ(frame.size(), static_cast<size_t>(c.payload) + 24);
        if (c.swap) std::swap_ranges(frame.begin(), frame.begin() + 24, frame.begin() + 24);
        EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 6), Bytes(6, 0xFF));
        EXPECT_EQ(Bytes(frame.begin() + 6, frame.begin() + 12),
                  Bytes(kTxMac.begin(), kTxMac.end()));
        EXPECT_EQ(Bytes(frame.begin() + 12, frame.begin() + 19),
                  (Bytes{0x60, 0x00, 0x00, 0x00, 0x24, 0x5A, 0xED}));
        const unsigned sequence = frame[19] | frame[20] << 8;
        EXPECT_EQ(sequence, c.numbering ? k : 0);
        EXPECT_EQ(frame[21], c.code);
        EXPECT_EQ(frame[22], c.checksum ? 1 : 0);
        EXPECT_EQ(frame[23], c.checksum ? referenceChecksum(frame) : 0);
        EXPECT_EQ(Bytes(frame.begin() + 24, frame.end()), c.payloads[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, TxWire,
    testing::Values(
        WireCase{"zeros", 0, 36, false, false, false, 0, {filled(36, 0), filled(36, 0)}},
        WireCase{"ones numbered with checksum",
                 1,
                 100,
                 true,
                 true,
                 false,
                 0,
                 {filled(100, 0xFF), filled(100, 0xFF), filled(100, 0xFF)}},
        WireCase{"incrementing from the sequence",
                 2,
                 1490,
                 true,
                 true,
                 true,
                 0,
                 {incrementing(1490, 0), incrementing(1490, 1), incrementing(1490, 2)}},
        WireCase{"incrementing without numbering",
                 2,
                 50,
                 false,
                 false,
                 false,
                 0,
                 {incrementing(50, 0), incrementing(50, 0)}},
        WireCase{"fill going up from FE",
                 3,
                 64,
                 true,
                 false,
                 true,
                 0xFE,
                 {filled(64, 0xFE), filled(64, 0xFF), filled(64, 0x00)}}));

TEST_F(TxEngineTest, NumbersWrapAfter65535) {
    // The exported start numbers from 0; the engine itself can start near the wrap.
    loopkit::TxEngine engine;
    ASSERT_TRUE(engine.open(txHandle));
    RawCapture raw(rawHandle, 6);
    ASSERT_TRUE(engine.send({.patternCode = 2,
                             .payloadLength = 40,
                             .frameLimit = 5,
                             .numbering = true,
                             .completion = CallLog::record,
                             .argument = &done,
                             .firstSequence = 65533}));
    ASSERT_TRUE(done.waitFor(1));
    ASSERT_TRUE(raw.waitFor(5));
    const std::vector<unsigned> expected{65533, 65534, 65535, 0, 1};
    for (size_t k = 0; k < expected.size(); ++k) {
        const Bytes& frame = raw.frames()[k];
        EXPECT_EQ(frame[19] | frame[20] << 8, static_cast<int>(expected[k]));
        EXPECT_EQ(frame[24], static_cast<uint8_t>(expected[k]));  // code 2 starts at k mod 256
    }
}

TEST_F(TxEngineTest, RandomCodesCarryTheCodeDrawn) {
    const auto frames = sendAndCapture(4, 40, 40, true, true, false);
    ASSERT_EQ(frames.size(), 40u);
    std::set<uint8_t> codes;
    for (const Bytes& frame : frames) {
        codes.insert(frame[21]);
        const Bytes payload(frame.begin() + 24, frame.end());
        const unsigned sequence = frame[19] | frame[20] << 8;
        switch (frame[21]) {
            case 0:
                EXPECT_EQ(payload, filled(40, 0));
                break;
            case 1:
                EXPECT_EQ(payload, filled(40, 0xFF));
                break;
            case 2:
                EXPECT_EQ(payload, incrementing(40, static_cast<uint8_t>(sequence)));
                break;
            case 3:
                EXPECT_EQ(payload, filled(40, payload[0]));
                break;
            default:
                ADD_FAILURE() << "code " << int{frame[21]};
        }
    }
    EXPECT_GE(codes.size(), 2u);
}

TEST_F(TxEngineTest, LengthZeroDrawsALengthForEveryFrame) {
    const auto frames = sendAndCapture(0, 0, 30, false, false, false);
    ASSERT_EQ(frames.size(), 30u);
    std::set<size_t> lengths;
    for (const Bytes& frame : frames) {
        EXPECT_GE(frame.size(), 60u);
        EXPECT_LE(frame.size(), 1514u);
        lengths.insert(frame.size());
    }
    EXPECT_GT(lengths.size(), 5u);
}

TEST_F(TxEngineTest, CustomPatternIsCutToThePayloadAndPaddedWithZeros) {
    EXPECT_FALSE(KvTxSetPattern(tx, std::string(1491, 'x').c_str(), 1491));
    EXPECT_TRUE(KvTxSetPattern(tx, std::string(1490, 'x').c_str(), 1490));
    EXPECT_FALSE(KvTxSetPattern(tx, nullptr, 4));
    auto frames = sendAndCapture(5, 36, 1, false, false, false);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Bytes(frames[0].begin() + 24, frames[0].end()), filled(36, 'x'));

    ASSERT_TRUE(KvTxSetPattern(tx, "LOOP", 4));
    frames = sendAndCapture(5, 40, 1, false, false, false);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Bytes(frames[0].begin() + 24, frames[0].end()),
              concat(textBytes("LOOP"), filled(36, 0)));
}

// --- Frame limit, stop and close -------------------------------------------------------------

TEST_F(TxEngineTest, FrameLimitStopsAfterTheTenthCompletionAndCallsBackOnce) {
    RawCapture raw(rawHandle, 20);
    ASSERT_TRUE(
        KvTxSend(tx, 1, nullptr, 100, 10, 0, true, false, false, 0, CallLog::record, &done));
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_FALSE(KvTxIsSending(tx));
    EXPECT_EQ(KvTxGetPacketSent(tx), 10u);
    EXPECT_EQ(KvTxGetTotalBytes(tx), 10u * 124u);
    const unsigned duration = KvTxGetSendDuration(tx);
    EXPECT_EQ(KvTxGetSendDuration(tx), duration);  // frozen once ended
    EXPECT_TRUE(raw.waitFor(10));
    EXPECT_FALSE(raw.waitFor(11, 100ms));
    KvTxClose(tx);  // the worker has ended: no further routine can start
    tx = nullptr;
    EXPECT_EQ(done.count(), 1u);
}

struct NothingSentCase {
    const char* name;
    int code;
    int payload;
};

class TxSendsNothing : public TxEngineTest, public testing::WithParamInterface<NothingSentCase> {};

TEST_P(TxSendsNothing, KeepsRunningUntilStopped) {
    const NothingSentCase& c = GetParam();
    RawCapture raw(rawHandle, 2);
    ASSERT_TRUE(KvTxSend(tx, c.code, nullptr, c.payload, 3, 0, true, true, false, 0,
                         CallLog::record, &done));
    EXPECT_FALSE(raw.waitFor(1, 300ms)) << c.name;
    EXPECT_TRUE(KvTxIsSending(tx));
    EXPECT_EQ(KvTxGetPacketSent(tx), 0u);
    EXPECT_TRUE(KvTxSendStop(tx));
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_FALSE(KvTxIsSending(tx));
}

INSTANTIATE_TEST_SUITE_P(Cases, TxSendsNothing,
                         testing::Values(NothingSentCase{"payload 35", 0, 35},
                                         NothingSentCase{"payload 1491", 0, 1491},
                                         NothingSentCase{"code 5 without a pattern", 5, 40}));

TEST_F(TxEngineTest, CloseWhileSendingStopsTheWorkerFirst) {
    ASSERT_TRUE(KvTxSend(tx, 2, nullptr, 0, 0, 0, true, true, true, 0, CallLog::record, &done));
    ASSERT_TRUE(waitUntil([&] { return KvTxGetPacketSent(tx) > 100; }));
    EXPECT_FALSE(KvTxSend(tx, 0, nullptr, 36, 0, 0, false, false, false, 0, nullptr, nullptr));
    EXPECT_FALSE(KvTxSetPattern(tx, "x", 1)) << "the worker reads the pattern";
    KvTxClose(tx);
    tx = nullptr;
    EXPECT_TRUE(done.waitFor(1));
    KvTxClose(nullptr);
}

TEST_F(TxEngineTest, ASendRightAfterAStopStartsAfresh) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(KvTxSend(tx, 0, nullptr, 36, 0, 0, true, false, false, 0, nullptr, nullptr));
        ASSERT_TRUE(waitUntil([&] { return KvTxGetPacketSent(tx) > 10; }));
        KvTxSendStop(tx);
        EXPECT_TRUE(
            KvTxSend(tx, 0, nullptr, 36, 5, 0, true, false, false, 0, CallLog::record, &done))
            << "round " << round;
        ASSERT_TRUE(done.waitFor(static_cast<size_t>(round) + 1));
        EXPECT_EQ(KvTxGetPacketSent(tx), 5u);
    }
}

TEST_F(TxEngineTest, APatternSetRightAfterAStopGoesOutWithTheNextSend) {
    ASSERT_TRUE(KvTxSetPattern(tx, "first", 5));
    for (size_t round = 1; round <= 20; ++round) {
        ASSERT_TRUE(KvTxSend(tx, 5, nullptr, 40, 0, 0, false, false, false, 0, nullptr, nullptr));
        ASSERT_TRUE(waitUntil([&] { return KvTxGetPacketSent(tx) > 0; }));
        KvTxSendStop(tx);
        const std::string pattern = "round " + std::to_string(round);
        ASSERT_TRUE(KvTxSetPattern(tx, pattern.data(), static_cast<int>(pattern.size())));
        RawCapture raw(rawHandle, 1);
        ASSERT_TRUE(
            KvTxSend(tx, 5, nullptr, 40, 1, 0, false, false, false, 0, CallLog::record, &done));
        ASSERT_TRUE(done.waitFor(round));
        ASSERT_TRUE(raw.waitFor(1));
        EXPECT_EQ(Bytes(raw.frames()[0].begin() + 24, raw.frames()[0].begin() + 24 + 7),
                  textBytes(pattern.substr(0, 7)));
    }
}

TEST_F(TxEngineTest, ARefusedSendEndsTheWorkerAndCallsBack) {
    W32N_CloseAdapter(txHandle);  // every send is refused from now on
    txHandle = -1;
    ASSERT_TRUE(KvTxSend(tx, 0, nullptr, 36, 0, 0, false, false, false, 0, CallLog::record, &done));
    ASSERT_TRUE(done.waitFor(1));
    EXPECT_FALSE(KvTxIsSending(tx));
    EXPECT_EQ(KvTxGetPacketSent(tx), 0u);
}

TEST_F(TxEngineTest, AHandleOfMinusOneEndsTheWorkerAtOnce) {
    WLAdapterInfo none{};
    none.AdapterHandle = -1;
    void* engine = KvTxCreate(&none);
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(
        KvTxSend(engine, 0, nullptr, 36, 0, 0, false, false, false, 0, CallLog::record, &done));
    EXPECT_TRUE(waitUntil([&] { return !KvTxIsSending(engine); }));
    KvTxClose(engine);
    EXPECT_EQ(done.count(), 0u);
}

TEST_F(TxEngineTest, PauseBetweenFramesAndAStopThatEndsIt) {
    ASSERT_TRUE(
        KvTxSend(tx, 0, nullptr, 36, 0, 20, false, false, false, 0, CallLog::record, &done));
    EXPECT_LT(KvTxGetSendDuration(tx), 1000u) << "timed from this start";
    ASSERT_TRUE(waitUntil([&] { return KvTxGetPacketSent(tx) >= 3; }));
    EXPECT_GE(KvTxGetSendDuration(tx), 40u);
    KvTxSendStop(tx);
    ASSERT_TRUE(done.waitFor(1));
    const unsigned sent = KvTxGetPacketSent(tx);
    EXPECT_LE(sent, KvTxGetSendDuration(tx) / 20 + 2);
}

TEST_F(TxEngineTest, APacedSendSendsOneFramePerInterval) {
    constexpr int kIntervalMs = 3;
    RawCapture raw(rawHandle, 8);
    ASSERT_TRUE(KvTxSend(tx, 0, nullptr, 36, 8, kIntervalMs, true, false, false, 0, CallLog::record,
                         &done));
    ASSERT_TRUE(done.waitFor(1));
    ASSERT_TRUE(raw.waitFor(8));
    for (size_t k = 1; k < 8; ++k)
        EXPECT_GE(raw.arrivals()[k] - raw.arrivals()[k - 1], kIntervalMs * 1000u - 500) << k;
}

// --- The receive engine finds every pattern good ---------------------------------------------

TEST_F(TxEngineTest, EveryPatternWithAndWithoutChecksumAndSwapIsGood) {
    void* rx = KvRxCreate(&rxInfo);
    ASSERT_NE(rx, nullptr);
    ASSERT_TRUE(KvTxSetPattern(tx, "custom payload", 14));
    CallLog captured;
    size_t runs = 0;
    for (int code = 0; code <= 5; ++code) {
        for (bool checksum : {false, true}) {
            for (bool swap : {false, true}) {
                SCOPED_TRACE("code " + std::to_string(code) + (checksum ? " checksum" : "") +
                             (swap ? " swap" : ""));
                ++runs;
                ASSERT_TRUE(KvRxStartCapture(rx, nullptr, 0, true, true, false, swap,
                                             CallLog::record, &captured, REPORT_ALL, nullptr,
                                             nullptr, 0, nullptr, nullptr, 0, nullptr));
                // A swapped frame's destination is payload bytes, which the adapter's filter
                // would drop: let it take every frame.
                if (swap) {
                    ASSERT_EQ(setPacketFilter(rxHandle, PKTDRV_FILTER_ALL_LOCAL), 0u);
                }
                // Code 5 frames must not be shorter than the first one, the reference.
                const int payload = code == 5 ? 200 : 0;
                ASSERT_TRUE(KvTxSend(tx, code, nullptr, payload, 25, 0, true, checksum, swap, 0x10,
                                     CallLog::record, &done));
                ASSERT_TRUE(done.waitFor(runs));
                ASSERT_TRUE(waitUntil([&] { return KvRxGetPacketsGood(rx) == 25; }));
                EXPECT_EQ(KvRxGetPacketsBad(rx), 0u);
                EXPECT_EQ(KvRxGetPacketsLost(rx), 0u);
                EXPECT_EQ(KvRxGetTotalBytes(rx), KvTxGetTotalBytes(tx));
                KvRxStopCapture(rx);
                ASSERT_TRUE(captured.waitFor(runs));
            }
        }
    }
    KvRxClose(rx);
}

}  // namespace
