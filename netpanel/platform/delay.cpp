#include "delay.h"

#include <algorithm>
#include <ctime>
#include <thread>

namespace netpanel {

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

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
    const float seconds = static_cast<float>(ms) / 1000.0f;  // single precision, as the timer is
    double start = clock.secondsSinceMidnight();
    for (;;) {
        double now = clock.secondsSinceMidnight();
        if (start > now) start -= kSecondsPerDay;  // midnight passed
        double left = seconds - (now - start);
        if (left < 0) return;
        // Sleep for what is left, at least a millisecond, so the loop never spins.
        auto step = std::chrono::milliseconds(std::max<long>(1, static_cast<long>(left * 1000.0)));
        clock.sleep(step);
    }
}

}  // namespace netpanel
