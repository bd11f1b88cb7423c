// How a run waits: it sleeps until its engine's completion routine tells that the engine
// ended, something else calls notify(), the user asks to stop (a readable file descriptor:
// the signals' signalfd, or a test's eventfd), or a deadline passes.
#pragma once

#include <routine_hub.h>

#include <chrono>
#include <mutex>
#include <set>

namespace loopkit_cli {

using Clock = std::chrono::steady_clock;

class RunWaiter final : private loopkit::RoutineTarget {
public:
    enum class Woke { kNews, kStopAsked, kDeadline };

    // stopFd: readable once a stop is asked for; -1 for none.
    explicit RunWaiter(int stopFd);
    // After this no completion routine reaches the waiter any more.
    ~RunWaiter();
    RunWaiter(const RunWaiter&) = delete;
    RunWaiter& operator=(const RunWaiter&) = delete;

    // A run whose completion routine is RoutineHub::completionRoutine with this argument.
    void* completionArgument();
    // The run of completionArgument() ended (its completion routine ran).
    bool ended();
    // Wakes wait() from any thread.
    void notify();
    // Sleeps until news, a stop asked for (reported once), or the deadline.
    Woke wait(Clock::time_point deadline);

private:
    void runEnded(loopkit::RunKey run) override;
    void frameReported(loopkit::RunKey, loopkit::ReportedFrame) override {}

    int wakeFd_ = -1;
    int stopFd_ = -1;
    std::mutex lock_;
    loopkit::RunKey run_ = 0;
    bool ended_ = false;
};

}  // namespace loopkit_cli
