// loopkit: the packet tests of the Loopkit library from the shell, for scripts and test
// stations without a desktop.
//
//   loopkit tx IFACE [options]     send test frames
//   loopkit rx IFACE [options]     count the test frames that arrive
//   loopkit 2way IFACE --server|--client [options]   the dialogs' two-way test
//
// Exit status: 0 passed, 1 failed (frames bad, lost or missing), 2 usage, 3 no interface.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "runs.h"
#include "stop_signals.h"
#include "summary.h"
#include "usage.h"

namespace {

using namespace loopkit_cli;

int usageError(const Parsed& parsed) {
    std::fprintf(stderr, "loopkit: %s\n%s\n", parsed.error.c_str(), helpHint(parsed.mode).c_str());
    return kExitUsage;
}

RunResult runMode(const Request& request, const RunIo& io) {
    switch (request.mode) {
        case Mode::kTx:
            return runTx(request, io);
        case Mode::kRx:
            return runRx(request, io);
        case Mode::kTwoWay:
            return runTwoWay(request, io);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const Parsed parsed = parseCommandLine({argv + 1, argv + argc});
    if (!parsed.error.empty()) return usageError(parsed);
    if (parsed.help || parsed.request->help) {
        std::fputs(manual(parsed.mode).c_str(), stdout);
        return kExitPassed;
    }
    const Request& request = *parsed.request;
    const StopSignals signals;  // before the engines start any thread
    RunIo io;
    io.stopFd = signals.fd();
    io.live = isatty(STDERR_FILENO) ? stderr : nullptr;
    io.notice = [](const std::string& text) {
        std::fprintf(stderr, "loopkit: %s\n", text.c_str());
    };
    try {
        const RunResult result = runMode(request, io);
        if (result.status != kExitPassed) {
            std::fprintf(stderr, "loopkit: %s\n", result.error.c_str());
            return result.status;
        }
        const std::string summary =
            request.json ? summaryJson(result.outcome) : summaryText(result.outcome);
        std::printf("%s\n", summary.c_str());
        return exitStatus(result.outcome);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loopkit: %s\n", e.what());
        return kExitFailed;
    }
}
