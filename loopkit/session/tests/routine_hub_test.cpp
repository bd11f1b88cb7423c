// The hub hands routine news only to owners still there, and frees report arrays only when no
// routine of their run can still read them.
#include <routine_hub.h>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace loopkit {
namespace {

class Owner : public RoutineTarget {
public:
    void runEnded(RunKey run) override {
        std::lock_guard guard(lock);
        ended.push_back(run);
    }
    void frameReported(RunKey, ReportedFrame frame) override {
        std::lock_guard guard(lock);
        frames.push_back(std::move(frame));
    }
    std::mutex lock;
    std::vector<RunKey> ended;
    std::vector<ReportedFrame> frames;
};

// What the engine does to a record before it starts the record's routine.
void fill(_Rx_Frame_Report_Dump& record, uint32_t size) {
    record.IsGood = 1;
    record.FrameSize = size;
    record.FrameBytes[0] = 0xAB;
}

TEST(RoutineHub, ArraysOutliveTheirOwnerUntilEveryFilledRecordHadItsRoutine) {
    RoutineHub& hub = RoutineHub::instance();
    const size_t before = hub.liveRuns();
    Owner owner;
    const RunKey run = hub.begin(&owner);
    _Rx_Frame_Report_Dump* records = hub.dumpArray(run, 3);
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records[2].UserData, run);  // the key, never a pointer
    fill(records[0], 60);
    fill(records[1], 5000);  // a size past the record is cut to the record
    hub.forget(&owner);
    RoutineHub::completionRoutine(RoutineHub::routineArgument(run));
    RoutineHub::dumpRoutine(&records[1]);
    EXPECT_EQ(hub.liveRuns(), before + 1);  // record 0's routine has not run yet
    RoutineHub::dumpRoutine(&records[0]);
    EXPECT_EQ(hub.liveRuns(), before);
    EXPECT_TRUE(owner.ended.empty());  // a forgotten owner hears nothing
    EXPECT_TRUE(owner.frames.empty());
}

TEST(RoutineHub, OwnerGetsCopiesInAnyOrderAndTheRunEndsWithItsWorker) {
    RoutineHub& hub = RoutineHub::instance();
    const size_t before = hub.liveRuns();
    Owner owner;
    const RunKey run = hub.begin(&owner);
    _Rx_Frame_Report_Dump* records = hub.dumpArray(run, 2);
    fill(records[0], 60);
    fill(records[1], 5000);
    RoutineHub::dumpRoutine(&records[1]);
    hub.workerEnded(run);  // the owner waited for the worker: two records are final
    RoutineHub::dumpRoutine(&records[0]);
    ASSERT_EQ(owner.frames.size(), 2u);
    EXPECT_EQ(owner.frames[0].index, 1u);
    EXPECT_EQ(owner.frames[0].bytes.size(), 1516u);
    EXPECT_EQ(owner.frames[1].bytes.size(), 60u);
    EXPECT_EQ(owner.frames[1].bytes.front(), 0xAB);
    hub.release(run);
    EXPECT_EQ(hub.liveRuns(), before);
    // A routine of a run that is gone finds nothing and does no harm.
    RoutineHub::completionRoutine(RoutineHub::routineArgument(run));
    EXPECT_TRUE(owner.ended.empty());
}

}  // namespace
}  // namespace loopkit
