// The driver on its in-memory medium: opening, requests, the packet filter, loopback, and the
// delivery of frames into posted reads on the posting thread's alertable waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "driver_fixture.h"

namespace {

using namespace pktdrv_test;

constexpr Mac kOther{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
constexpr Mac kMulticast{0x01, 0x00, 0x5E, 0x00, 0x00, 0x01};
constexpr Mac kBroadcastMac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

std::string medium() {
    static int count = 0;
    return "mem:medium" + std::to_string(++count);
}

// Two handles on one fresh medium, closed at the end.
class MemoryMedium : public testing::Test {
protected:
    void SetUp() override {
        name_ = medium();
        sender = W32N_OpenAdapter((name_ + "/02:00:00:00:00:0a").c_str());
        receiver = W32N_OpenAdapter((name_ + "/02:00:00:00:00:0b").c_str());
        ASSERT_GT(sender, 0);
        ASSERT_GT(receiver, 0);
    }
    void TearDown() override {
        W32N_CloseAdapter(sender);
        W32N_CloseAdapter(receiver);
        runCompletions();
    }

    std::string name_;
    int32_t sender = -1;
    int32_t receiver = -1;
};

TEST(MemoryOpen, RefusesMalformedNamesAndUnknownHandles) {
    for (const char* name : {"mem:", "mem:x/02:00", "mem:x/zz:00:00:00:00:00"}) {
        EXPECT_EQ(W32N_OpenAdapter(name), -1) << name;
        EXPECT_EQ(W32N_GetLastError(), ERROR_INVALID_PARAMETER) << name;
    }
    EXPECT_EQ(W32N_OpenAdapter("nosuchif0"), -1);
    EXPECT_EQ(W32N_GetLastError(), PKTDRV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(W32N_OpenAdapter(nullptr), -1);

    const int32_t handle = W32N_OpenAdapter("mem:open");
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(W32N_CloseAdapter(handle));
    EXPECT_FALSE(W32N_CloseAdapter(handle));
    EXPECT_EQ(W32N_GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(send(handle, frameTo(kOther, kOther, 1)));
    EXPECT_EQ(W32N_GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(W32N_IsWindows95(), 0);
    EXPECT_NE(W32N_IsWindowsNT(), 0);
}

TEST_F(MemoryMedium, AnswersItsAddressAndFilterAndRefusesWhatItDoesNotKnow) {
    EXPECT_EQ(addressOf(receiver), (Mac{0x02, 0, 0, 0, 0, 0x0b}));
    const int32_t unnamed = W32N_OpenAdapter(name_.c_str());
    EXPECT_EQ(addressOf(unnamed)[0], 0x02);
    EXPECT_NE(addressOf(unnamed), addressOf(receiver));
    W32N_CloseAdapter(unnamed);

    ASSERT_EQ(setFilter(receiver, 0x21), ERROR_SUCCESS);
    uint32_t filter = 0;
    W32N_REQUEST request{};
    request.RequestType = PKTDRV_REQUEST_QUERY;
    request.Oid = PKTDRV_OID_CURRENT_PACKET_FILTER;
    request.InformationBuffer = &filter;
    request.InformationBufferLength = 2;
    EXPECT_EQ(W32N_MakeNdisRequest(receiver, &request, nullptr, TRUE),
              PKTDRV_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(request.BytesNeeded, 4u);
    request.InformationBufferLength = 4;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    EXPECT_EQ(W32N_MakeNdisRequest(receiver, &request, &overlapped, TRUE), ERROR_SUCCESS);
    EXPECT_EQ(filter, 0x21u);
    EXPECT_EQ(WaitForSingleObject(done, 0), WAIT_OBJECT_0);
    CloseHandle(done);

    request.Oid = 0x01010103;
    EXPECT_EQ(W32N_MakeNdisRequest(receiver, &request, nullptr, TRUE), PKTDRV_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(W32N_GetLastError(), PKTDRV_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(setFilter(receiver, 0x02), PKTDRV_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(W32N_MakeNdisRequest(receiver + 1000, &request, nullptr, TRUE), ERROR_INVALID_HANDLE);
}

TEST_F(MemoryMedium, PacketFilterDecidesWhichFramesArrive) {
    const Mac own = addressOf(receiver);
    const Mac broadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    struct Case {
        uint32_t filter;
        bool directed, broadcast, other, multicast;
    };
    const Case cases[] = {
        {0, false, false, false, false},
        {PKTDRV_FILTER_DIRECTED, true, false, false, false},
        {PKTDRV_FILTER_BROADCAST, false, true, false, false},
        {PKTDRV_FILTER_DIRECTED | PKTDRV_FILTER_BROADCAST, true, true, false, false},
        {PKTDRV_FILTER_ALL_LOCAL, true, true, true, true},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(setFilter(receiver, c.filter), ERROR_SUCCESS);
        ASSERT_TRUE(send(sender, frameTo(own, kOther, 1)));
        ASSERT_TRUE(send(sender, frameTo(broadcast, kOther, 2)));
        ASSERT_TRUE(send(sender, frameTo(kOther, kOther, 3)));
        ASSERT_TRUE(send(sender, frameTo(kMulticast, kOther, 4)));
        ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_ALL_LOCAL), ERROR_SUCCESS);
        ASSERT_TRUE(send(sender, frameTo(own, kOther, 99)));  // marks the end

        std::vector<uint8_t> tags;
        Read read;
        while (tags.empty() || tags.back() != 99) {
            ASSERT_TRUE(read.post(receiver));
            ASSERT_TRUE(waitAlertably([&] { return read.done; }));
            tags.push_back(read.tag());
        }
        tags.pop_back();
        std::vector<uint8_t> expected;
        if (c.directed) expected.push_back(1);
        if (c.broadcast) expected.push_back(2);
        if (c.other) expected.push_back(3);
        if (c.multicast) expected.push_back(4);
        EXPECT_EQ(tags, expected) << "filter " << c.filter;
        ASSERT_EQ(setFilter(receiver, 0), ERROR_SUCCESS);
    }
}

TEST_F(MemoryMedium, CompletesReadsInPostingOrderOnThePostingThreadOnlyWhenItWaitsAlertably) {
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    Read first, second;
    ASSERT_TRUE(first.post(receiver));
    ASSERT_TRUE(second.post(receiver, 20));
    const Mac broadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::thread other([&] {
        send(sender, frameTo(broadcast, kOther, 1, 100));
        send(sender, frameTo(broadcast, kOther, 2, 100));
    });
    other.join();
    Sleep(20);  // not alertable: nothing runs
    EXPECT_FALSE(first.done);
    EXPECT_TRUE(waitAlertably([&] { return first.done && second.done; }));
    EXPECT_EQ(first.tag(), 1);
    EXPECT_EQ(first.packet.Length, 100u);
    EXPECT_EQ(first.bytes, 100u);
    EXPECT_EQ(first.transferred, 100u);
    EXPECT_EQ(first.packet.Status, 0u);
    EXPECT_EQ(first.packet.PacketType, PKTDRV_PACKET_BROADCAST);
    EXPECT_EQ(first.thread, std::this_thread::get_id());
    EXPECT_EQ(second.packet.Length, 100u);  // its own length; only its capacity was copied
    EXPECT_EQ(second.bytes, 20u);
    EXPECT_EQ(second.transferred, 20u);
    EXPECT_EQ(second.tag(), 2);
}

TEST_F(MemoryMedium, FramesWaitForAReadAndABlockedWaiterWakesWhenOneArrives) {
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_DIRECTED), ERROR_SUCCESS);
    ASSERT_TRUE(send(sender, frameTo(addressOf(receiver), kOther, 7)));
    Read early;
    ASSERT_TRUE(early.post(receiver));
    EXPECT_TRUE(waitAlertably([&] { return early.done; }));
    EXPECT_EQ(early.tag(), 7);

    Read late;
    ASSERT_TRUE(late.post(receiver));
    std::thread other([&] {
        Sleep(50);
        send(sender, frameTo(addressOf(receiver), kOther, 8));
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SleepEx(5000, TRUE), WAIT_IO_COMPLETION);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    other.join();
    EXPECT_TRUE(late.done);
    EXPECT_EQ(late.tag(), 8);
}

TEST_F(MemoryMedium, AFilterOfZeroDropsTheFramesThatWaitForARead) {
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_DIRECTED), ERROR_SUCCESS);
    ASSERT_TRUE(send(sender, frameTo(addressOf(receiver), kOther, 1)));
    ASSERT_EQ(setFilter(receiver, 0), ERROR_SUCCESS);
    ASSERT_TRUE(send(sender, frameTo(addressOf(receiver), kOther, 2)));
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_DIRECTED), ERROR_SUCCESS);
    ASSERT_TRUE(send(sender, frameTo(addressOf(receiver), kOther, 3)));
    Read read;
    ASSERT_TRUE(read.post(receiver));
    ASSERT_TRUE(waitAlertably([&] { return read.done; }));
    EXPECT_EQ(read.tag(), 3);
}

TEST_F(MemoryMedium, OwnFramesComeBackUnlessLoopbackIsDisabled) {
    ASSERT_EQ(setFilter(sender, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    const Mac broadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Read read;
    ASSERT_TRUE(read.post(sender));
    ASSERT_TRUE(send(sender, frameTo(broadcast, addressOf(sender), 1)));
    ASSERT_TRUE(waitAlertably([&] { return read.done; }));
    EXPECT_EQ(read.packet.PacketType, PKTDRV_PACKET_OUTGOING);

    const Mac own = addressOf(sender);
    ASSERT_TRUE(W32N_DisableLoopback(sender, 6, 6, own.data()));
    ASSERT_TRUE(read.post(sender));
    ASSERT_TRUE(send(sender, frameTo(broadcast, own, 2)));
    ASSERT_TRUE(send(receiver, frameTo(broadcast, kOther, 3)));
    ASSERT_TRUE(waitAlertably([&] { return read.done; }));
    EXPECT_EQ(read.tag(), 3);
}

TEST_F(MemoryMedium, CancelledReadsStayEmptyAndCloseAbortsTheRest) {
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    Read cancelled, aborted;
    ASSERT_TRUE(cancelled.post(receiver));
    ASSERT_TRUE(aborted.post(receiver));
    EXPECT_TRUE(W32N_CancelPacketRead(receiver, &cancelled.packet));
    EXPECT_FALSE(W32N_CancelPacketRead(receiver, &cancelled.packet));
    ASSERT_TRUE(W32N_CloseAdapter(receiver));
    EXPECT_TRUE(waitAlertably([&] { return aborted.done; }));
    EXPECT_EQ(aborted.error, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(aborted.packet.Status, ERROR_OPERATION_ABORTED);
    SleepEx(20, TRUE);
    EXPECT_FALSE(cancelled.done);
    receiver = W32N_OpenAdapter(name_.c_str());
}

TEST_F(MemoryMedium, AReadThatCannotBeCancelledAnyMoreCompletesBeforeTheCancelReturns) {
    // Another thread drains the handle too, and fills whichever read comes first, ours as well.
    ASSERT_EQ(setFilter(receiver, PKTDRV_FILTER_BROADCAST), ERROR_SUCCESS);
    constexpr uint32_t kReleased = 0xDEAD;
    std::atomic<bool> stop{false};
    std::thread traffic([&] {
        while (!stop)
            send(sender, frameTo(kBroadcastMac, kOther, 1));
    });
    std::thread drainer([&] {
        Read theirs[4];
        while (!stop) {
            for (Read& read : theirs) {
                if (!read.done && read.packet.Capacity != 0) continue;
                read.post(receiver);
            }
            SleepEx(1, TRUE);
        }
        for (Read& read : theirs)
            W32N_CancelPacketRead(receiver, &read.packet);
        runCompletions();
    });
    // Our reads, released after their cancel and our completions: nothing may write them then.
    std::vector<std::unique_ptr<Read>> released;
    for (int round = 0; round < 1000; ++round) {
        std::vector<std::unique_ptr<Read>> reads;
        for (int i = 0; i < 8; ++i) {
            reads.push_back(std::make_unique<Read>());
            ASSERT_TRUE(reads.back()->post(receiver));
        }
        for (auto& read : reads)
            W32N_CancelPacketRead(receiver, &read->packet);
        runCompletions();
        for (auto& read : reads) {
            read->packet.Status = kReleased;
            released.push_back(std::move(read));
        }
    }
    stop = true;
    traffic.join();
    drainer.join();
    for (const auto& read : released)
        ASSERT_EQ(read->packet.Status, kReleased);
}

TEST_F(MemoryMedium, RefusesBadLengthsAndReadsWithoutARoutine) {
    const auto frame = frameTo(kOther, kOther, 1, 1514);
    unsigned long transferred = 0;
    for (unsigned long length : {13ul, 1515ul}) {
        EXPECT_FALSE(
            W32N_PacketSendEx(sender, frame.data(), length, &transferred, nullptr, nullptr));
        EXPECT_EQ(W32N_GetLastError(), ERROR_INVALID_PARAMETER);
    }
    Read read;
    EXPECT_FALSE(W32N_PacketReadEx(sender, &read.packet, nullptr, nullptr, nullptr));
    EXPECT_EQ(W32N_GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
