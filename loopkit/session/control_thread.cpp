#include "control_thread.h"

namespace loopkit {

ControlThread::ControlThread() : thread_([this] { run(); }) {}

ControlThread::~ControlThread() {
    {
        std::lock_guard guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void ControlThread::post(std::function<void()> task) {
    {
        std::lock_guard guard(lock_);
        if (ending_) return;
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void ControlThread::drain() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return tasks_.empty() && !busy_; });
}

void ControlThread::run() {
    std::unique_lock guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return ending_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // ending, and nothing left to run
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        guard.unlock();
        task();
        guard.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace loopkit
