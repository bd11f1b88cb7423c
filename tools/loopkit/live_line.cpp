#include "live_line.h"

namespace loopkit_cli {
namespace {

constexpr auto kTick = std::chrono::seconds(1);
constexpr char kClearToEnd[] = "\x1b[K";

}  // namespace

void LiveLine::show(const std::string& text) {
    if (terminal_ == nullptr) return;
    std::fprintf(terminal_, "\r%s%s", text.c_str(), kClearToEnd);
    std::fflush(terminal_);
    shown_ = true;
}

void LiveLine::clear() {
    if (terminal_ == nullptr || !shown_) return;
    std::fprintf(terminal_, "\r%s", kClearToEnd);
    std::fflush(terminal_);
    shown_ = false;
}

RunClock::RunClock(int timeoutMs) : nextTick_(Clock::now() + kTick) {
    if (timeoutMs > 0) timeoutAt_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
}

Clock::time_point RunClock::nextDeadline(std::optional<Clock::time_point> extra) const {
    Clock::time_point next = nextTick_;
    if (timeoutAt_ && *timeoutAt_ < next) next = *timeoutAt_;
    if (extra && *extra < next) next = *extra;
    return next;
}

bool RunClock::tickDue() {
    const auto now = Clock::now();
    if (now < nextTick_) return false;
    while (nextTick_ <= now)
        nextTick_ += kTick;
    return true;
}

}  // namespace loopkit_cli
