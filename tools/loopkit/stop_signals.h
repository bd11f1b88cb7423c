// SIGINT and SIGTERM as a request to stop: the signals are blocked in the calling thread, and
// thus in every thread it starts afterwards, and arrive through a signalfd that a run polls.
// Create it before any other thread exists. They stay blocked until the process ends, so a stop
// asked for never kills the process before its summary is out.
#pragma once

namespace loopkit_cli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int fd() const { return fd_; }  // readable once one of them arrived; -1 when unavailable

private:
    int fd_ = -1;
};

}  // namespace loopkit_cli
