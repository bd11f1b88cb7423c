// loopkit rx: one receive engine, until the frames asked for were counted, the link went idle,
// the timeout or a stop.
#include <rates.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "adapter.h"
#include "live_line.h"
#include "run_waiter.h"
#include "runs.h"

namespace loopkit_cli {
namespace {

Figures rxFigures(void* engine) {
    Figures f;
    f.good = KvRxGetPacketsGood(engine);
    f.bad = KvRxGetPacketsBad(engine);
    f.lost = KvRxGetPacketsLost(engine);
    f.receivedBytes = KvRxGetTotalBytes(engine);
    f.receiveDurationMs = KvRxGetDurationRead(engine);
    return f;
}

uint64_t counted(const Figures& f) {
    return uint64_t{f.good} + f.bad + f.lost;
}

// The engine writes a frame's record to the report file only for a report routine; this one
// takes no records (no array), so the file gets them all and no thread is started.
unsigned int noRecords(void*) {
    return 0;
}

void setPattern(bool (*setter)(void*, const char*, int), void* engine,
                const std::optional<std::string>& text) {
    if (text) setter(engine, text->data(), static_cast<int>(text->size()));
}

bool startCapture(void* engine, const RxOptions& o, void* completionArgument) {
    setPattern(&KvRxSetStartPattern, engine, o.startPattern);
    setPattern(&KvRxSetEndPattern, engine, o.endPattern);
    setPattern(&KvRxSetExpectedPattern, engine, o.expectedPattern);
    const bool report = !o.report.empty();
    const char* from = o.from ? reinterpret_cast<const char*>(o.from->data()) : nullptr;
    std::string path = o.report;
    return KvRxStartCapture(engine, from, o.frames, o.payloadCheck, o.sequenceCheck, o.acceptAll,
                            o.swap, &loopkit::RoutineHub::completionRoutine, completionArgument,
                            o.condition, report && !o.dump ? &noRecords : nullptr, nullptr, 0,
                            report && o.dump ? &noRecords : nullptr, nullptr, 0,
                            report ? path.data() : nullptr);
}

// The engine runs without a file it cannot create: find out first.
std::string reportFileProblem(const std::string& path) {
    if (path.empty()) return {};
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return "cannot write the report file " + path + ": " + std::strerror(errno);
    std::fclose(file);
    return {};
}

}  // namespace

RunResult runRx(const Request& request, const RunIo& io) {
    RunResult result = beginResult(Mode::kRx, request, request.rx.frames);
    Outcome& outcome = result.outcome;
    if (std::string problem = reportFileProblem(request.rx.report); !problem.empty())
        return notBegun(std::move(result), kExitUsage, problem);
    OpenedAdapter adapter(request.interface);
    if (!adapter.ok())
        return notBegun(std::move(result), kExitNoInterface,
                        "cannot open " + request.interface + ": " + adapter.reason());
    Engine engine(KvRxCreate(adapter.info()));
    RunWaiter waiter(io.stopFd);
    if (!engine || !startCapture(engine.get(), request.rx, waiter.completionArgument()))
        return notBegun(std::move(result), kExitNoInterface,
                        "cannot capture on " + request.interface + " (is the interface up?)");
    if (io.notice) io.notice("receiving on " + request.interface);

    LiveLine live(io.live);
    loopkit::RateMemory rate;
    RunClock clock(request.timeoutMs);
    const auto idle = std::chrono::milliseconds(request.rx.idleMs);
    uint64_t lastCount = 0;
    Clock::time_point lastChange = Clock::now();
    bool stopping = false;
    auto stop = [&](Ending why) {
        if (stopping) return;
        stopping = true;
        outcome.ending = why;
        clock.disarm();
        KvRxStopCapture(engine.get());
    };
    while (!waiter.ended()) {
        std::optional<Clock::time_point> idleAt;
        if (!stopping && idle.count() > 0 && lastCount > 0) idleAt = lastChange + idle;
        const RunWaiter::Woke woke = waiter.wait(clock.nextDeadline(idleAt));
        if (woke == RunWaiter::Woke::kStopAsked) stop(Ending::kInterrupted);
        if (clock.timedOut()) stop(Ending::kTimeout);
        const Figures now = rxFigures(engine.get());
        if (counted(now) != lastCount) {
            lastCount = counted(now);
            lastChange = Clock::now();
        } else if (idleAt && Clock::now() >= *idleAt) {
            stop(Ending::kIdle);
        }
        if (clock.tickDue() && live.enabled())
            live.show(
                liveText(Mode::kRx, now,
                         {0, rate.next(now.receivedBytes, now.receiveDurationMs).value_or(0)}));
    }
    live.clear();
    outcome.figures = rxFigures(engine.get());
    return result;
}

}  // namespace loopkit_cli
