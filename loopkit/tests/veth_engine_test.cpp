// The engines on real interfaces: a transmit engine on one end of a veth pair, a receive engine
// on the other, each in its own network namespace, driven as a lab script drives them: one call
// after the other, without pauses. Skipped, with the reason, where the machine does not allow it.
#include <loopkit/loopkit.h>

#include <gtest/gtest.h>

#include <support/run_program.h>
#include <support/veth_pair.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>

#include "loopkit_fixture.h"

namespace {

using loopkit_test::waitUntil;
using testsupport::VethPair;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr unsigned long kFrames = 300;

// The adapters and engines of one test run, on a pair of its own.
struct Bench {
    std::unique_ptr<VethPair> pair = std::make_unique<VethPair>();
    WLAdapterInfo sender{};
    WLAdapterInfo receiver{};
    void* tx = nullptr;
    void* rx = nullptr;

    Bench() { open(); }
    ~Bench() { close(); }

    void open() {
        sender.AdapterHandle = pair->inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); });
        receiver.AdapterHandle =
            pair->inside(1, [] { return W32N_OpenAdapter(VethPair::kSecond); });
        tx = KvTxCreate(&sender);
        rx = KvRxCreate(&receiver);
    }
    void close() {
        KvTxClose(tx);
        KvRxClose(rx);
        if (sender.AdapterHandle > 0) W32N_CloseAdapter(sender.AdapterHandle);
        if (receiver.AdapterHandle > 0) W32N_CloseAdapter(receiver.AdapterHandle);
        tx = rx = nullptr;
    }
    bool ready() const { return tx != nullptr && rx != nullptr; }

    bool startCapture(bool swap = false) {
        return KvRxStartCapture(rx, nullptr, 0, true, true, false, swap, nullptr, nullptr,
                                REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr);
    }
    unsigned counted() const {
        return KvRxGetPacketsGood(rx) + KvRxGetPacketsBad(rx) + KvRxGetPacketsLost(rx);
    }
    // Sends `frames` frames of 224 bytes and waits until they left and `expected` counted.
    bool sendAll(int code, const char* destination, bool checksum, bool swap,
                 unsigned long frames = kFrames, unsigned expected = kFrames) {
        return KvTxSend(tx, code, destination, 200, frames, 0, true, checksum, swap, 0x10, nullptr,
                        nullptr) &&
               waitUntil([&] { return !KvTxIsSending(tx) && counted() >= expected; }) &&
               KvTxGetPacketSent(tx) == frames;
    }
    void stopCapture() {
        KvRxStopCapture(rx);
        waitUntil([&] { return !KvRxIsReading(rx); });
    }
};

class VethEngines : public testing::Test {
protected:
    void SetUp() override {
        if (auto reason = VethPair::unavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
        bench = std::make_unique<Bench>();
        ASSERT_TRUE(bench->ready());
    }

    std::unique_ptr<Bench> bench;
};

TEST_F(VethEngines, EveryPatternArrivesGoodWithAndWithoutChecksum) {
    for (int code = 0; code <= 4; ++code) {
        for (bool checksum : {false, true}) {
            ASSERT_TRUE(bench->startCapture());
            ASSERT_TRUE(bench->sendAll(code, nullptr, checksum, false));
            bench->stopCapture();
            EXPECT_EQ(KvRxGetPacketsGood(bench->rx), kFrames) << "code " << code << " " << checksum;
            EXPECT_EQ(KvRxGetPacketsBad(bench->rx), 0u);
            EXPECT_EQ(KvRxGetPacketsLost(bench->rx), 0u);
            EXPECT_EQ(KvRxGetTotalBytes(bench->rx), kFrames * 224);
        }
    }
}

TEST_F(VethEngines, OnlyTestFramesForTheReceiverCount) {
    // Frames arrive in the order sent: once the frames that count are in, the others before
    // them have been looked at and left out.
    ASSERT_TRUE(bench->startCapture());
    // Swapped FF payloads put a broadcast address where the receiver's filter looks; a receiver
    // that does not swap back finds no test frames in them.
    ASSERT_TRUE(bench->sendAll(1, nullptr, true, true, kFrames, 0));
    const char stranger[6] = {0x02, 0x66, 0x66, 0x66, 0x66, 0x66};
    ASSERT_TRUE(bench->sendAll(0, stranger, true, false, kFrames, 0));
    ASSERT_TRUE(bench->sendAll(1, nullptr, true, false));
    bench->stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(bench->rx), kFrames);
    EXPECT_EQ(KvRxGetPacketsLost(bench->rx), 0u);

    ASSERT_TRUE(bench->startCapture(true));
    ASSERT_TRUE(bench->sendAll(1, nullptr, true, true));
    bench->stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(bench->rx), kFrames);

    const char pattern[] = "lab pattern";
    ASSERT_TRUE(KvTxSetPattern(bench->tx, pattern, sizeof pattern));
    const auto own = testsupport::adapterAddress(bench->receiver.AdapterHandle);
    ASSERT_TRUE(bench->startCapture());
    ASSERT_TRUE(bench->sendAll(5, reinterpret_cast<const char*>(own.data()), true, false));
    bench->stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(bench->rx), kFrames);
    EXPECT_EQ(KvRxGetPacketsBad(bench->rx), 0u);
}

TEST_F(VethEngines, AScriptWithoutPausesCountsEveryFrameOnFreshHandles) {
    constexpr unsigned kBurst = 20000;
    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            bench->close();
            bench->open();
            ASSERT_TRUE(bench->ready());
        }
        ASSERT_TRUE(bench->startCapture());
        ASSERT_TRUE(KvTxSend(bench->tx, 2, nullptr, 100, kBurst, 0, true, true, false, 0, nullptr,
                             nullptr));
        ASSERT_TRUE(waitUntil([&] { return bench->counted() >= kBurst; }))
            << "round " << round << ": " << bench->counted();
        EXPECT_EQ(KvRxGetPacketsGood(bench->rx), kBurst) << "round " << round;
        EXPECT_EQ(KvTxGetPacketSent(bench->tx), kBurst);
        bench->stopCapture();
    }
}

// What the interface's queueing discipline took: frames sent on, and frames still queued.
struct LinkQueue {
    unsigned long sent = 0;
    unsigned long backlog = 0;
};

LinkQueue linkQueue(const VethPair& pair) {
    const testsupport::Outcome tc = testsupport::run(
        "/usr/sbin/ip", {"netns", "exec", pair.ns(0), "tc", "-s", "qdisc", "show", "dev", "kva"});
    const std::string& output = tc.out;
    std::smatch sent, backlog;
    if (tc.status != 0 ||
        !std::regex_search(output, sent, std::regex(R"(Sent \d+ bytes (\d+) pkt)")) ||
        !std::regex_search(output, backlog, std::regex(R"(backlog \S+ (\d+)p)"))) {
        ADD_FAILURE() << "tc answered " << tc.status << ": " << output << tc.err;
        return {};
    }
    return {std::stoul(sent[1]), std::stoul(backlog[1])};
}

TEST_F(VethEngines, StopAndCloseReturnAtOnceOnAStalledLinkAndCountWhatLeft) {
    // A link that lets a few bytes through and then queues everything.
    ASSERT_EQ(std::system(("ip netns exec " + bench->pair->ns(0) +
                           " tc qdisc add dev kva root tbf rate 8bit burst 1600 limit 3000000")
                              .c_str()),
              0);
    ASSERT_TRUE(KvTxSend(bench->tx, 0, nullptr, 36, 0, 0, true, false, false, 0, nullptr, nullptr));
    // Stalled once the link holds frames back: at this rate they stay queued.
    ASSERT_TRUE(waitUntil([&] { return linkQueue(*bench->pair).backlog > 0; }));
    const auto start = Clock::now();
    EXPECT_TRUE(KvTxSendStop(bench->tx));
    ASSERT_TRUE(waitUntil([&] { return !KvTxIsSending(bench->tx); }));
    const unsigned counted = KvTxGetPacketSent(bench->tx);
    KvTxClose(bench->tx);
    bench->tx = nullptr;
    EXPECT_LT(Clock::now() - start, 1s);
    // Frames count as sent once the link took them, and only then.
    const LinkQueue taken = linkQueue(*bench->pair);
    EXPECT_EQ(counted, taken.sent + taken.backlog);
}

}  // namespace
