// The engines on real interfaces: a transmit engine on one end of a veth pair, a receive engine
// on the other, each in its own network namespace. Skipped, with the reason, where the machine
// does not allow it.
#include <loopkit/loopkit.h>

#include <gtest/gtest.h>

#include <support/packet_driver.h>
#include <support/veth_pair.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using testsupport::VethPair;
using namespace std::chrono_literals;

constexpr unsigned long kFrames = 300;

class VethEngines : public testing::Test {
protected:
    void SetUp() override {
        if (auto reason = VethPair::unavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
        pair_ = std::make_unique<VethPair>();
        sender_.AdapterHandle = pair_->inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); });
        receiver_.AdapterHandle =
            pair_->inside(1, [] { return W32N_OpenAdapter(VethPair::kSecond); });
        ASSERT_GT(sender_.AdapterHandle, 0);
        ASSERT_GT(receiver_.AdapterHandle, 0);
        tx_ = KvTxCreate(&sender_);
        rx_ = KvRxCreate(&receiver_);
        ASSERT_NE(tx_, nullptr);
        ASSERT_NE(rx_, nullptr);
    }
    void TearDown() override {
        KvTxClose(tx_);
        KvRxClose(rx_);
        if (sender_.AdapterHandle > 0) W32N_CloseAdapter(sender_.AdapterHandle);
        if (receiver_.AdapterHandle > 0) W32N_CloseAdapter(receiver_.AdapterHandle);
    }

    void startCapture() {
        ASSERT_TRUE(KvRxStartCapture(rx_, nullptr, 0, true, true, false, false, nullptr, nullptr,
                                     REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0,
                                     nullptr));
        std::this_thread::sleep_for(50ms);  // reads posted, packet filter set
    }

    // Sends kFrames frames and waits until the receiver has counted them all (or a while).
    void sendAll(int code, const char* destination, bool checksum, bool swap,
                 unsigned expected = kFrames) {
        ASSERT_TRUE(KvTxSend(tx_, code, destination, 200, kFrames, 0, true, checksum, swap, 0x10,
                             nullptr, nullptr));
        for (int i = 0; i < 500 && (KvTxIsSending(tx_) || counted() < expected); ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(KvTxGetPacketSent(tx_), kFrames);
    }
    unsigned counted() const {
        return KvRxGetPacketsGood(rx_) + KvRxGetPacketsBad(rx_) + KvRxGetPacketsLost(rx_);
    }
    void stopCapture() {
        KvRxStopCapture(rx_);
        for (int i = 0; i < 200 && KvRxIsReading(rx_); ++i)
            std::this_thread::sleep_for(10ms);
    }

    std::unique_ptr<VethPair> pair_;
    WLAdapterInfo sender_{};
    WLAdapterInfo receiver_{};
    void* tx_ = nullptr;
    void* rx_ = nullptr;
};

TEST_F(VethEngines, EveryPatternArrivesGoodWithAndWithoutChecksum) {
    for (int code = 0; code <= 4; ++code) {
        for (bool checksum : {false, true}) {
            startCapture();
            sendAll(code, nullptr, checksum, false);
            stopCapture();
            EXPECT_EQ(KvRxGetPacketsGood(rx_), kFrames) << "code " << code << " " << checksum;
            EXPECT_EQ(KvRxGetPacketsBad(rx_), 0u);
            EXPECT_EQ(KvRxGetPacketsLost(rx_), 0u);
            EXPECT_EQ(KvRxGetTotalBytes(rx_), kFrames * 224);
        }
    }
}

TEST_F(VethEngines, SwappedCustomAndDirectedFramesArrive) {
    // Swapped FF payloads put a broadcast address where the receiver's filter looks.
    startCapture();
    sendAll(1, nullptr, true, true, 0);
    std::this_thread::sleep_for(100ms);
    stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(rx_), 0u) << "the receiver does not swap back: not test frames";
    ASSERT_TRUE(KvRxStartCapture(rx_, nullptr, 0, true, true, false, true, nullptr, nullptr,
                                 REPORT_ALL, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr));
    std::this_thread::sleep_for(50ms);
    sendAll(1, nullptr, true, true);
    stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(rx_), kFrames);

    const char pattern[] = "lab pattern";
    ASSERT_TRUE(KvTxSetPattern(tx_, pattern, sizeof pattern));
    const auto own = testsupport::adapterAddress(receiver_.AdapterHandle);
    startCapture();
    sendAll(5, reinterpret_cast<const char*>(own.data()), true, false);
    stopCapture();
    EXPECT_EQ(KvRxGetPacketsGood(rx_), kFrames);
    EXPECT_EQ(KvRxGetPacketsBad(rx_), 0u);

    // Frames for another station never reach the receive engine.
    const char stranger[6] = {0x02, 0x66, 0x66, 0x66, 0x66, 0x66};
    startCapture();
    ASSERT_TRUE(
        KvTxSend(tx_, 0, stranger, 100, kFrames, 0, true, true, false, 0, nullptr, nullptr));
    for (int i = 0; i < 500 && KvTxIsSending(tx_); ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    stopCapture();
    EXPECT_EQ(counted(), 0u);
}

}  // namespace
