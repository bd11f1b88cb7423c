// A virtual clock for tests: time moves only when the test advances it or the code sleeps.
#pragma once

#include <chrono>
#include <memory>

#include "platform/delay.h"
#include "ui/timer.h"

namespace netpanel::ui {

// Drives attached timers as the window's message loop would:
// - advance(d) lets d of virtual time pass and fires the timers due in it, in time order (timers
//   due at the same time in attach order). A timer's period starts when it is attached, enabled
//   or given an interval; after firing, its next period starts at the firing time.
// - sleep() (what DelayMs calls) moves time on WITHOUT firing timers: a busy wait blocks the
//   window's timers. A timer that fell due meanwhile fires once afterwards, as soon as the loop
//   runs again (within the running advance() when its due time lies inside that advance's
//   window, else at the start of the next advance(), also advance(0)), and restarts its period
//   from that firing time: no burst of missed periods.
// - Handlers that change timers (their own or others) are respected at once.
// Attached timers must stay alive while advance() runs; the clock may die before the timers.
class TestClock : public netpanel::Clock {
public:
    explicit TestClock(double startSecondsSinceMidnight = 0.0);
    ~TestClock() override;
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void attach(Timer& timer);  // attaching a timer again changes nothing
    void advance(std::chrono::milliseconds duration);

    // The start plus the virtual time, wrapping at midnight.
    double secondsSinceMidnight() override;
    // Moves time on without firing timers; negative durations count as zero.
    void sleep(std::chrono::milliseconds duration) override;

    // Virtual time since the clock was made.
    std::chrono::milliseconds now() const;
    // Total of all sleep() calls.
    std::chrono::milliseconds slept() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace netpanel::ui
