// The send batch against a link that is busy or refuses frames when a test says so.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "../src/send_batch.h"
#include "driver_fixture.h"

namespace {

using namespace pktdrv;
using pktdrv_test::runCompletions;
using pktdrv_test::Send;

// Takes frames until told otherwise; remembers the first byte of each frame it took.
class ScriptedLink final : public Adapter {
public:
    ScriptedLink() : Adapter(MacAddress{0x02, 0, 0, 0, 0, 1}) {}

    std::vector<uint8_t> taken;
    size_t room = SIZE_MAX;  // frames it takes before it answers `refusal`
    SendResult refusal{.busy = SendResult::Busy::UntilWritable};

    SendResult sendFrames(std::span<const OutgoingFrame> frames) override {
        SendResult result = refusal;
        result.sent = std::min(room, frames.size());
        for (size_t i = 0; i < result.sent; ++i)
            taken.push_back(frames[i].data[0]);
        room -= result.sent;
        if (result.sent == frames.size()) return SendResult{.sent = result.sent};
        return result;
    }
    int sendFd() const override { return 0; }
    DWORD disableLoopback() override { return ERROR_SUCCESS; }

protected:
    DWORD applyPacketFilter(uint32_t) override { return ERROR_SUCCESS; }
    DWORD prepareReceive() override { return ERROR_SUCCESS; }
    int readyFd() const override { return -1; }
    bool peek(ReceivedFrame&) override { return false; }
    void consume() override {}
};

class BatchOnALink : public testing::Test {
protected:
    void TearDown() override {
        link->room = SIZE_MAX;
        batch().flush();
        runCompletions();
    }
    static SendBatch& batch() { return *threadBatch(); }
    DWORD hold(Send& send, uint8_t tag) {
        const uint8_t frame[60] = {tag};
        return batch().hold(1, link, frame, &send.transferred, &send.overlapped, Send::complete);
    }

    std::shared_ptr<ScriptedLink> link = std::make_shared<ScriptedLink>();
};

TEST_F(BatchOnALink, ABusyLinkKeepsItsFramesInOrderUntilItTakesThem) {
    struct Case {
        SendResult::Busy busy;
        int fd;
        DWORD retryMs;
    };
    for (const Case c : {Case{SendResult::Busy::UntilWritable, 0, INFINITE},
                         Case{SendResult::Busy::ForAMoment, -1, 1}}) {
        link->taken.clear();
        link->room = 10;
        link->refusal = SendResult{.busy = c.busy};
        std::vector<Send> sends(SendBatch::kFlushCount);
        for (uint8_t i = 0; i < SendBatch::kFlushCount; ++i)
            ASSERT_EQ(hold(sends[i], i), ERROR_SUCCESS);
        EXPECT_EQ(link->taken.size(), 10u);
        KvIdleWait wait;
        batch().flush(&wait);
        EXPECT_EQ(wait.fd, c.fd);
        EXPECT_EQ(wait.retryMs, c.retryMs);
        runCompletions();
        EXPECT_EQ(sends[9].completions, 1);
        EXPECT_EQ(sends[10].completions, 0);  // still held

        link->room = SIZE_MAX;
        runCompletions();
        for (uint8_t i = 0; i < SendBatch::kFlushCount; ++i) {
            ASSERT_EQ(link->taken[i], i);
            EXPECT_EQ(sends[i].error, 0u);
        }
    }
}

TEST_F(BatchOnALink, ARefusalFailsTheRestAndTheNextSendOnce) {
    link->room = 3;
    link->refusal = SendResult{.error = 31};
    std::vector<Send> sends(5);
    for (uint8_t i = 0; i < 5; ++i)
        ASSERT_EQ(hold(sends[i], i), ERROR_SUCCESS);
    runCompletions();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sends[i].error, i < 3 ? 0u : 31u) << i;
        EXPECT_EQ(sends[i].transferred, i < 3 ? 60u : 0u) << i;
    }
    link->room = SIZE_MAX;
    Send next;
    EXPECT_EQ(hold(next, 5), 31u);
    EXPECT_EQ(hold(next, 5), ERROR_SUCCESS);
    runCompletions();
    EXPECT_EQ(next.error, 0u);
}

TEST_F(BatchOnALink, HoldsNoMoreThanItsLimitForABusyLinkAndWithdrawsAClosedOnes) {
    link->room = 0;
    std::vector<Send> sends(SendBatch::kHoldLimit + 1);
    for (size_t i = 0; i < SendBatch::kHoldLimit; ++i)
        ASSERT_EQ(hold(sends[i], static_cast<uint8_t>(i)), ERROR_SUCCESS);
    EXPECT_EQ(hold(sends.back(), 0), PKTDRV_ERROR_NOT_READY);

    link->close();
    runCompletions();
    EXPECT_EQ(sends[0].error, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(sends[SendBatch::kHoldLimit - 1].error, ERROR_OPERATION_ABORTED);
    EXPECT_TRUE(batch().empty());
}

}  // namespace
