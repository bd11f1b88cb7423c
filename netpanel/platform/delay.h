// Waiting on the window thread.
#pragma once

#include <chrono>
#include <cstdint>

namespace netpanel {

// The time source of the utility. The real clock reads the system time; tests give a virtual
// one, so that long waits take no time and can still be measured.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions (the system timer).
    virtual double secondsSinceMidnight() = 0;
    // Blocks the calling thread for `duration`; no window message or timer is handled meanwhile.
    virtual void sleep(std::chrono::milliseconds duration) = 0;
};

class SystemClock : public Clock {
public:
    double secondsSinceMidnight() override;
    void sleep(std::chrono::milliseconds duration) override;
};

// Waits `ms` milliseconds on the calling thread, measured on the seconds-since-midnight timer:
// a wait across midnight ends after its time, not a day later. Sleeps, never spins.
void DelayMs(Clock& clock, int32_t ms);

}  // namespace netpanel
