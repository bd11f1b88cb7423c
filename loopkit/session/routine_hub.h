// Where the engines' routines find the object that started a run.
//
// The engines run completion and report routines on threads of their own, possibly after the
// dialog or command that started the run has gone, and in any order. So a routine never gets a
// pointer to its owner: a run has a 32-bit key, the completion routine's argument carries it
// and every record of a run's report arrays carries it in UserData. The hub, which lives as long
// as the process, looks the key (or the record's address) up under its lock and hands the owner
// a copy of what it needs; an owner that went away gets nothing.
//
// The hub also owns the report arrays, and frees a run's arrays only once its worker has ended
// and every record filled has had its routine: no routine can then still read them.
#pragma once

#include <loopkit/loopkit.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "report_log.h"

namespace loopkit {

using RunKey = uint32_t;

// The owner of runs. The hub calls these under its lock, from routine threads: they must only
// hand the news on (post it to the owner's thread) and return.
class RoutineTarget {
public:
    virtual void runEnded(RunKey run) = 0;
    virtual void frameReported(RunKey run, ReportedFrame frame) = 0;

protected:
    ~RoutineTarget() = default;
};

class RoutineHub {
public:
    static RoutineHub& instance();

    // A new run of `target`; pass routineArgument(key) as the completion routine's argument.
    RunKey begin(RoutineTarget* target);
    static void* routineArgument(RunKey run);
    // The run's report arrays, zeroed, each record's UserData set to the key. Null when the
    // capacity is 0 or the memory is not there.
    _Rx_Frame_Report_Quiet* quietArray(RunKey run, size_t capacity);
    _Rx_Frame_Report_Dump* dumpArray(RunKey run, size_t capacity);
    // The owner knows the run's worker has ended (it waited for it): no more records will be
    // filled. The completion routine tells the hub the same.
    void workerEnded(RunKey run);
    // The owner wants no more news of the run; its arrays stay until their routines are done.
    void release(RunKey run);
    // Releases every run of the target. After this returns the hub never calls it again.
    void forget(RoutineTarget* target);
    // Runs that still hold arrays or wait for routines (for tests).
    size_t liveRuns();
    // Waits until at most `count` runs are live; false when the timeout came first.
    bool waitForLiveRuns(size_t count, std::chrono::milliseconds timeout);

    // The routines handed to the engines.
    static unsigned int completionRoutine(void* argument);
    static unsigned int quietRoutine(void* record);
    static unsigned int dumpRoutine(void* record);

private:
    struct Run {
        RoutineTarget* target = nullptr;
        std::unique_ptr<_Rx_Frame_Report_Quiet[]> quiet;
        size_t quietCapacity = 0;
        std::unique_ptr<_Rx_Frame_Report_Dump[]> dump;
        size_t dumpCapacity = 0;
        bool ended = false;
        size_t filled = 0;  // records filled, counted once the worker ended
        size_t arrived = 0;
    };
    using Runs = std::map<RunKey, Run>;

    void ended(Runs::iterator run);
    void record(const void* address, bool dump);
    // Erases the run when nobody needs it any more.
    void settle(Runs::iterator run);

    std::mutex lock_;
    std::condition_variable runErased_;
    Runs runs_;
    RunKey nextKey_ = 1;
};

}  // namespace loopkit
