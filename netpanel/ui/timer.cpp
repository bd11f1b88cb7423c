#include "ui/timer.h"

#include <stdexcept>
#include <utility>

namespace netpanel::ui {

Timer::Timer(std::string name, int interval, bool enabled)
    : name_(std::move(name)), interval_(interval), enabled_(enabled) {
    if (interval < 0) throw std::out_of_range("Timer.Interval");
}

void Timer::notify() {
    // By index and from copies: an observer may add observers.
    for (size_t i = 0; i < observers_.size(); ++i) {
        auto observer = observers_[i];
        observer();
    }
}

void Timer::setInterval(int interval) {
    if (interval < 0) throw std::out_of_range("Timer.Interval");
    interval_ = interval;
    ++generation_;
    notify();
}

void Timer::setEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        ++generation_;
    }
    notify();
}

void Timer::fire() {
    if (!enabled_ || !Tick) return;
    auto tick = Tick;
    tick();
}

void Timer::addObserver(std::function<void()> observer) {
    observers_.push_back(std::move(observer));
}

}  // namespace netpanel::ui
