// The three runs of the command, as functions: open the interface, start the engines, wait for
// the end (the engines' own, the timeout or a stop asked for), stop cleanly and report.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "command_line.h"
#include "summary.h"

namespace loopkit_cli {

struct RunIo {
    int stopFd = -1;            // readable once the user asks to stop; -1 for never
    std::FILE* live = nullptr;  // the terminal for the live line, or null for none
    // One-time messages for the user; the first one says that the run receives (or sends).
    std::function<void(const std::string&)> notice;
};

struct RunResult {
    int status = kExitPassed;  // kExitNoInterface or kExitUsage when the run could not begin
    std::string error;         // why it could not begin
    Outcome outcome;
};

// The result of a run about to begin: its mode, interface and the frames asked for.
inline RunResult beginResult(Mode mode, const Request& request, unsigned long asked) {
    RunResult result;
    result.outcome.mode = mode;
    result.outcome.interface = request.interface;
    result.outcome.asked = asked;
    return result;
}

// `result` as a run that could not begin, with its status and why.
inline RunResult notBegun(RunResult result, int status, std::string error) {
    result.status = status;
    result.error = std::move(error);
    return result;
}

RunResult runTx(const Request& request, const RunIo& io);
RunResult runRx(const Request& request, const RunIo& io);
RunResult runTwoWay(const Request& request, const RunIo& io);

}  // namespace loopkit_cli
