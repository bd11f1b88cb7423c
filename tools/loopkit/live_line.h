// The line of counters a run keeps up to date on a terminal: rewritten in place once a second,
// cleared at the end, so only the summary stays.
#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "run_waiter.h"

namespace loopkit_cli {

class LiveLine {
public:
    // terminal: where to draw (standard error when it is a terminal), or null for no line.
    explicit LiveLine(std::FILE* terminal) : terminal_(terminal) {}
    ~LiveLine() { clear(); }
    LiveLine(const LiveLine&) = delete;
    LiveLine& operator=(const LiveLine&) = delete;

    bool enabled() const { return terminal_ != nullptr; }
    void show(const std::string& text);
    void clear();

private:
    std::FILE* terminal_;
    bool shown_ = false;
};

// The times a run wakes up for: a tick once a second and, with --timeout, its end.
class RunClock {
public:
    explicit RunClock(int timeoutMs);
    // The earliest of the next tick, the timeout and `extra`.
    Clock::time_point nextDeadline(std::optional<Clock::time_point> extra = {}) const;
    bool timedOut() const { return timeoutAt_ && Clock::now() >= *timeoutAt_; }
    // The run is stopping: the timeout no longer wakes it.
    void disarm() { timeoutAt_.reset(); }
    // True once per second that passed; moves the next tick on.
    bool tickDue();

private:
    Clock::time_point nextTick_;
    std::optional<Clock::time_point> timeoutAt_;
};

}  // namespace loopkit_cli
