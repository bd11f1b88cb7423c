// One thread that runs posted tasks in order: every engine call of a two-way test (send, stop,
// set a pattern, close) goes through it, whether a button or a routine asked for it, so no two
// of them ever overlap and none of them blocks the window.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace loopkit {

class ControlThread {
public:
    ControlThread();
    // Runs what was posted before, then ends the thread.
    ~ControlThread();
    ControlThread(const ControlThread&) = delete;
    ControlThread& operator=(const ControlThread&) = delete;

    // Queues a task; tasks posted after the destructor began are dropped.
    void post(std::function<void()> task);
    // Waits until every task posted before this call has run (not from the thread itself).
    void drain();

private:
    void run();

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool busy_ = false;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace loopkit
