// The driver on real interfaces: a veth pair across two network namespaces. Skipped, with the
// reason, where the machine does not allow it.
#include <gtest/gtest.h>

#include <support/veth_pair.h>

#include <memory>

#include "driver_fixture.h"

namespace {

using namespace pktdrv_test;
using testsupport::VethPair;

constexpr Mac kBroadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Mac kStranger{0x02, 0x66, 0x66, 0x66, 0x66, 0x66};

constexpr uint32_t kBurst = 20000;

// Frames of a burst carry their number at byte 16; each completion checks it and posts its read
// again.
struct Burst {
    int32_t handle;
    uint32_t received = 0;
    uint32_t outOfOrder = 0;
};
Burst* burst = nullptr;

void KV_STDCALL onBurstFrame(DWORD error, DWORD, OVERLAPPED* overlapped) {
    if (error != 0) return;
    auto* read = reinterpret_cast<Read*>(overlapped);
    uint32_t number = 0;
    std::memcpy(&number, read->packet.Data + 16, sizeof number);
    if (number != burst->received) ++burst->outOfOrder;
    ++burst->received;
    W32N_PacketReadEx(burst->handle, &read->packet, &read->transferred, overlapped, onBurstFrame);
}

class VethInterfaces : public testing::Test {
protected:
    void SetUp() override {
        if (auto reason = VethPair::unavailableReason(); !reason.empty()) GTEST_SKIP() << reason;
        pair_ = std::make_unique<VethPair>();
        a = pair_->inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); });
        b = pair_->inside(1, [] { return W32N_OpenAdapter(VethPair::kSecond); });
        ASSERT_GT(a, 0) << W32N_GetLastError();
        ASSERT_GT(b, 0) << W32N_GetLastError();
    }
    void TearDown() override {
        if (a > 0) W32N_CloseAdapter(a);
        if (b > 0) W32N_CloseAdapter(b);
        runCompletions();
    }

    // Tags of the frames `handle` receives until `last` arrives.
    std::vector<uint8_t> receiveUntil(int32_t handle, uint8_t last) {
        std::vector<uint8_t> tags;
        Read read;
        while (tags.empty() || tags.back() != last) {
            if (!read.post(handle) || !waitAlertably([&] { return read.done; })) break;
            tags.push_back(read.tag());
        }
        return tags;
    }

    std::unique_ptr<VethPair> pair_;
    int32_t a = -1;
    int32_t b = -1;
};

TEST_F(VethInterfaces, FramesCrossThePairWithTheSendersAddressAndPassTheFilter) {
    const Mac addressA = addressOf(a);
    const Mac addressB = addressOf(b);
    EXPECT_NE(addressA, addressB);
    EXPECT_EQ(addressA[0] & 1, 0);

    ASSERT_EQ(setFilter(b, PKTDRV_FILTER_DIRECTED | PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    ASSERT_TRUE(send(a, frameTo(kStranger, addressA, 1)));  // for another station
    ASSERT_TRUE(send(a, frameTo(addressB, addressA, 2, 1514)));
    ASSERT_TRUE(send(a, frameTo(kBroadcast, addressA, 3)));
    Read read;
    ASSERT_TRUE(read.post(b));
    ASSERT_TRUE(waitAlertably([&] { return read.done; }));
    EXPECT_EQ(read.tag(), 2);
    EXPECT_EQ(read.packet.Length, 1514u);
    EXPECT_EQ(read.packet.PacketType, PKTDRV_PACKET_DIRECTED);
    EXPECT_EQ(0, std::memcmp(read.packet.Data + 6, addressA.data(), 6));
    EXPECT_EQ(receiveUntil(b, 3), std::vector<uint8_t>{3});

    ASSERT_EQ(setFilter(b, PKTDRV_FILTER_ALL_LOCAL), ERROR_SUCCESS);
    ASSERT_TRUE(send(a, frameTo(kStranger, addressA, 4)));
    EXPECT_EQ(receiveUntil(b, 4), std::vector<uint8_t>{4});
}

TEST_F(VethInterfaces, TheHostsOwnFramesComeBackUntilLoopbackIsDisabled) {
    const int32_t listener = pair_->inside(0, [] { return W32N_OpenAdapter(VethPair::kFirst); });
    ASSERT_GT(listener, 0);
    ASSERT_EQ(setFilter(listener, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    Read read;
    ASSERT_TRUE(read.post(listener));
    ASSERT_TRUE(send(a, frameTo(kBroadcast, addressOf(a), 1)));
    ASSERT_TRUE(waitAlertably([&] { return read.done; }));
    EXPECT_EQ(read.packet.PacketType, PKTDRV_PACKET_OUTGOING);

    const Mac own = addressOf(listener);
    ASSERT_TRUE(W32N_DisableLoopback(listener, 6, 6, own.data()));
    ASSERT_TRUE(send(a, frameTo(kBroadcast, own, 2)));
    ASSERT_TRUE(send(b, frameTo(kBroadcast, addressOf(b), 3)));
    EXPECT_EQ(receiveUntil(listener, 3), std::vector<uint8_t>{3});
    W32N_CloseAdapter(listener);
}

TEST_F(VethInterfaces, ABurstOfFramesArrivesCompleteAndInOrder) {
    ASSERT_EQ(setFilter(b, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    Burst counts{b};
    burst = &counts;
    std::vector<std::unique_ptr<Read>> reads;
    for (int i = 0; i < 64; ++i) {
        reads.push_back(std::make_unique<Read>());
        Read& read = *reads.back();
        read.packet.Capacity = PKTDRV_MAX_FRAME;
        ASSERT_TRUE(
            W32N_PacketReadEx(b, &read.packet, &read.transferred, &read.overlapped, onBurstFrame));
    }
    std::thread sender([this] {
        auto frame = frameTo(kBroadcast, addressOf(a), 0);
        for (uint32_t number = 0; number < kBurst; ++number) {
            std::memcpy(frame.data() + 16, &number, sizeof number);
            if (!send(a, frame)) break;
        }
    });
    waitAlertably([&] { return counts.received == kBurst; });
    sender.join();
    EXPECT_EQ(counts.received, kBurst);
    EXPECT_EQ(counts.outOfOrder, 0u);
    for (auto& read : reads)
        W32N_CancelPacketRead(b, &read->packet);
}

}  // namespace
