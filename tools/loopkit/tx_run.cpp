// loopkit tx: one transmit engine, until its frames left, the timeout or a stop.
#include <rates.h>

#include "adapter.h"
#include "live_line.h"
#include "run_waiter.h"
#include "runs.h"

namespace loopkit_cli {
namespace {

Figures txFigures(void* engine) {
    Figures f;
    f.sent = KvTxGetPacketSent(engine);
    f.sentBytes = KvTxGetTotalBytes(engine);
    f.sendDurationMs = KvTxGetSendDuration(engine);
    return f;
}

bool startSending(void* engine, const TxOptions& o, void* completionArgument) {
    if (o.pattern == 5 && !KvTxSetPattern(engine, o.text.data(), static_cast<int>(o.text.size())))
        return false;
    const int payload = o.frameLength == kRandomLength ? 0 : o.frameLength - kHeaderLength;
    const char* to = o.to ? reinterpret_cast<const char*>(o.to->data()) : nullptr;
    return KvTxSend(engine, o.pattern, to, payload, o.frames, o.intervalMs, o.numbering, o.checksum,
                    o.swap, o.fill, &loopkit::RoutineHub::completionRoutine, completionArgument);
}

}  // namespace

RunResult runTx(const Request& request, const RunIo& io) {
    RunResult result = beginResult(Mode::kTx, request, request.tx.frames);
    Outcome& outcome = result.outcome;
    OpenedAdapter adapter(request.interface);
    if (!adapter.ok())
        return notBegun(std::move(result), kExitNoInterface,
                        "cannot open " + request.interface + ": " + adapter.reason());
    Engine engine(KvTxCreate(adapter.info()));
    RunWaiter waiter(io.stopFd);
    if (!engine || !startSending(engine.get(), request.tx, waiter.completionArgument()))
        return notBegun(std::move(result), kExitNoInterface, "cannot send on " + request.interface);
    if (io.notice) io.notice("sending on " + request.interface);

    LiveLine live(io.live);
    loopkit::RateMemory rate;
    RunClock clock(request.timeoutMs);
    bool stopping = false;
    auto stop = [&](Ending why) {
        if (stopping) return;
        stopping = true;
        outcome.ending = why;
        clock.disarm();
        KvTxSendStop(engine.get());
    };
    while (!waiter.ended()) {
        const RunWaiter::Woke woke = waiter.wait(clock.nextDeadline());
        if (woke == RunWaiter::Woke::kStopAsked) stop(Ending::kInterrupted);
        if (clock.timedOut()) stop(Ending::kTimeout);
        if (clock.tickDue() && live.enabled()) {
            const Figures now = txFigures(engine.get());
            live.show(liveText(Mode::kTx, now,
                               {rate.next(now.sentBytes, now.sendDurationMs).value_or(0), 0}));
        }
    }
    live.clear();
    outcome.figures = txFigures(engine.get());
    // The worker ends early without a stop only when the link refused a frame.
    if (!stopping && request.tx.frames != 0 && outcome.figures.sent < request.tx.frames)
        outcome.ending = Ending::kLinkFailed;
    if (!stopping && request.tx.frames == 0) outcome.ending = Ending::kLinkFailed;
    return result;
}

}  // namespace loopkit_cli
