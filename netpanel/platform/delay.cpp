#include "delay.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <thread>

namespace netpanel {

namespace {
constexpr double kSecondsPerDay = 86400.0;
constexpr double kResolution = 1e-6;
}  // namespace

double SystemClock::secondsSinceMidnight() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
}

void SystemClock::sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

void DelayMs(Clock& clock, int32_t ms) {
    const double seconds = ms / 1000.0;
    double start = clock.secondsSinceMidnight();
    for (;;) {
        double now = clock.secondsSinceMidnight();
        if (start > now) start -= kSecondsPerDay;  // midnight passed
        // Done once the time has passed (within a microsecond, below the timer's resolution), so
        // that a virtual clock accounts for the wait to the millisecond.
        double left = seconds - (now - start);
        if (left <= kResolution) return;
        // Sleep for what is left, at least a millisecond: the loop never spins.
        long step = static_cast<long>(std::ceil((left - kResolution) * 1000.0));
        clock.sleep(std::chrono::milliseconds(std::max(1L, step)));
    }
}

}  // namespace netpanel
