// The window timer: raises Tick each time its interval elapses while enabled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace netpanel::ui {

// The timer holds the model only; a backend (the Qt view, or TestClock in tests) measures the
// periods and calls fire(). Every assignment of interval or enabled tells the observers; the
// backend then restarts its period if generation() moved on.
class Timer {
public:
    Timer(std::string name, int interval, bool enabled);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }

    int interval() const { return interval_; }  // milliseconds; 0 never fires
    // Any assignment, also of the same interval, restarts the period. No event.
    void setInterval(int interval);
    bool enabled() const { return enabled_; }
    // Turning the timer on starts a fresh period; assigning true to a running timer changes
    // nothing; turning it off stops it. No event.
    void setEnabled(bool enabled);
    // Whether periods elapse: enabled with a positive interval.
    bool running() const { return enabled_ && interval_ > 0; }

    // Incremented at every (re)start or stop of the period.
    uint64_t generation() const { return generation_; }

    Event Tick;
    // A period elapsed: runs Tick if the timer is enabled.
    void fire();

    void addObserver(std::function<void()> observer);

private:
    void notify();

    std::string name_;
    int interval_;
    bool enabled_;
    uint64_t generation_ = 0;
    std::vector<std::function<void()>> observers_;
};

}  // namespace netpanel::ui
