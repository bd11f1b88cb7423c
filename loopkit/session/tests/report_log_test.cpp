// The frame log: record order whatever the order of the routines, and the dump text block.
#include <report_log.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace loopkit {
namespace {

ReportedFrame quiet(size_t index, bool good, uint32_t lost) {
    ReportedFrame frame;
    frame.index = index;
    frame.head.IsGood = good ? 1 : 0;
    frame.head.LostCount = lost;
    frame.head.FrameSize = 60;
    return frame;
}

TEST(ReportLog, QuietLogFollowsRecordOrderWhateverTheArrivalOrder) {
    // good, good, two lost, good, bad
    const ReportedFrame frames[] = {quiet(0, true, 0), quiet(1, true, 0), quiet(2, true, 2),
                                    quiet(3, false, 2)};
    std::vector<size_t> order(4);
    std::iota(order.begin(), order.end(), 0);
    do {
        ReportLog log;
        std::string text;
        for (size_t i : order)
            text += log.add(frames[i]);
        EXPECT_EQ(text, "..LL.B");
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(ReportLog, LostFramesCountFromThePreviousGoodRecordAndResetStartsOver) {
    ReportLog log;
    EXPECT_EQ(log.add(quiet(0, true, 3)), "LLL.");
    EXPECT_EQ(log.add(quiet(1, false, 5)), "B");
    EXPECT_EQ(log.add(quiet(2, true, 5)), "LL.");
    EXPECT_EQ(log.add(quiet(2, true, 5)), "");  // a record logs once
    log.reset();
    EXPECT_EQ(log.add(quiet(0, true, 1)), "L.");
}

TEST(ReportLog, DumpBlockShowsAddressesTypeAndSixteenBytesPerLine) {
    std::vector<uint8_t> frame(20);
    std::iota(frame.begin(), frame.end(), uint8_t{0});
    frame[12] = 0x60;
    frame[13] = 0x00;
    EXPECT_EQ(dumpLogText(frame),
              "802.3    Dest: 00.01.02.03.04.05   Src:  06.07.08.09.0A.0B    Length/TYPE: 24576\r\n"
              "000000:  00 01 02 03 04 05 06 07 : 08 09 0A 0B 60 00 0E 0F\r\n"
              "000010:  10 11 12 13             :                        \r\n"
              "\r\n");
}

}  // namespace
}  // namespace loopkit
