#include "ui/test_clock.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

namespace netpanel::ui {

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

struct TestClock::State {
    struct Entry {
        Timer* timer;
        std::chrono::milliseconds periodStart;
        uint64_t generation;
    };

    double start;
    std::chrono::milliseconds now{0};
    std::chrono::milliseconds slept{0};
    std::vector<Entry> entries;

    // The entry due first at or before `limit` (attach order among equals), if any.
    std::optional<size_t> firstDue(std::chrono::milliseconds limit) const {
        std::optional<size_t> best;
        std::chrono::milliseconds bestDue{};
        for (size_t i = 0; i < entries.size(); ++i) {
            const Timer& timer = *entries[i].timer;
            if (!timer.running()) continue;
            auto due = entries[i].periodStart + std::chrono::milliseconds(timer.interval());
            if (due > limit || (best && due >= bestDue)) continue;
            best = i;
            bestDue = due;
        }
        return best;
    }
};

TestClock::TestClock(double startSecondsSinceMidnight) : state_(std::make_shared<State>()) {
    state_->start = startSecondsSinceMidnight;
}

TestClock::~TestClock() = default;

void TestClock::attach(Timer& timer) {
    for (const State::Entry& entry : state_->entries)
        if (entry.timer == &timer) return;
    size_t index = state_->entries.size();
    state_->entries.push_back({&timer, state_->now, timer.generation()});
    // The timer may outlive the clock: the observer holds the state weakly.
    std::weak_ptr<State> weak = state_;
    timer.addObserver([weak, index] {
        auto state = weak.lock();
        if (!state) return;
        State::Entry& entry = state->entries[index];
        if (entry.timer->generation() == entry.generation) return;
        entry.generation = entry.timer->generation();
        entry.periodStart = state->now;
    });
}

void TestClock::advance(std::chrono::milliseconds duration) {
    // Keep the state alive even if a handler destroys the clock.
    std::shared_ptr<State> state = state_;
    const auto end = state->now + std::max(duration, std::chrono::milliseconds(0));
    while (auto index = state->firstDue(end)) {
        State::Entry& entry = state->entries[*index];
        auto due = entry.periodStart + std::chrono::milliseconds(entry.timer->interval());
        state->now = std::max(state->now, due);
        // The next period starts now; a handler that changes the timer restarts it later.
        entry.periodStart = state->now;
        Timer& timer = *entry.timer;
        timer.fire();
    }
    state->now = std::max(state->now, end);
}

double TestClock::secondsSinceMidnight() {
    double seconds = state_->start + static_cast<double>(state_->now.count()) / 1000.0;
    return std::fmod(seconds, kSecondsPerDay);
}

void TestClock::sleep(std::chrono::milliseconds duration) {
    if (duration.count() <= 0) return;
    state_->now += duration;
    state_->slept += duration;
}

std::chrono::milliseconds TestClock::now() const {
    return state_->now;
}

std::chrono::milliseconds TestClock::slept() const {
    return state_->slept;
}

}  // namespace netpanel::ui
