#include "run_waiter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace loopkit_cli {

RunWaiter::RunWaiter(int stopFd)
    : wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), stopFd_(stopFd) {
    if (wakeFd_ < 0) throw std::runtime_error("no event descriptor for the run");
}

RunWaiter::~RunWaiter() {
    loopkit::RoutineHub::instance().forget(this);
    close(wakeFd_);
}

void* RunWaiter::completionArgument() {
    const loopkit::RunKey run = loopkit::RoutineHub::instance().begin(this);
    std::lock_guard guard(lock_);
    run_ = run;
    ended_ = false;
    return loopkit::RoutineHub::routineArgument(run);
}

bool RunWaiter::ended() {
    std::lock_guard guard(lock_);
    return ended_;
}

void RunWaiter::runEnded(loopkit::RunKey run) {
    {
        std::lock_guard guard(lock_);
        if (run != run_) return;
        ended_ = true;
    }
    notify();
}

void RunWaiter::notify() {
    const uint64_t one = 1;
    // A full counter already wakes the waiter: nothing is lost when the write is refused.
    [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
}

RunWaiter::Woke RunWaiter::wait(Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, 60000));
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = poll(fds, stopFd_ >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) throw std::runtime_error("poll failed");
        if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
            stopFd_ = -1;  // reported once: the run is stopping from now on
            return Woke::kStopAsked;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
            return Woke::kNews;
        }
        if (ready == 0 && Clock::now() >= deadline) return Woke::kDeadline;
    }
}

}  // namespace loopkit_cli
