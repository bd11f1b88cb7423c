#include "stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace loopkit_cli {
namespace {

sigset_t stopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

StopSignals::StopSignals() {
    const sigset_t set = stopSet();
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0) fd_ = signalfd(-1, &set, SFD_CLOEXEC);
}

StopSignals::~StopSignals() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace loopkit_cli
