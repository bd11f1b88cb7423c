// loopkit 2way: the two-way protocol of the test dialogs, so that the command faces a dialog
// or another command. The run ends when the station's capture has ended and its stream with
// its stop frame is done: after the peer's stop frame, after its own --frames (the peer then
// answers with its stop frame), or after a stop of its own (timeout, Ctrl-C, a peer silent for
// 3 s).
#include <two_way_test.h>

#include <rates.h>

#include <mutex>

#include "adapter.h"
#include "live_line.h"
#include "run_waiter.h"
#include "runs.h"

namespace loopkit_cli {
namespace {

// How long a station whose stream ended waits for the peer's stop frame before it stops, and
// how long it waits for the next frame of a peer that has sent before.
constexpr auto kPeerGrace = std::chrono::seconds(3);

// The test's news, handed from its control thread to the run.
struct News {
    std::mutex lock;
    loopkit::TwoWayTest* test = nullptr;  // set before the test starts
    bool started = false;
    bool running = false;
    bool streamEnded = false;
    // The stream's figures when it ended: the stop frame that follows restarts the counters.
    loopkit::TwoWayTest::Counters stream;
};

Figures figuresOf(const loopkit::TwoWayTest::Counters& c) {
    Figures f;
    f.sent = c.sent;
    f.sentBytes = c.sentBytes;
    f.sendDurationMs = c.sendDuration;
    f.good = c.good;
    f.bad = c.bad;
    f.lost = c.lost;
    f.receivedBytes = c.receivedBytes;
    f.receiveDurationMs = c.receiveDuration;
    return f;
}

// The capture's figures now, and the stream's as it ended. Before that the live line shows the
// sending engine's counters as they are, and the summary none.
Figures figuresNow(const loopkit::TwoWayTest& test, News& news, bool final) {
    Figures f = figuresOf(test.counters());
    std::lock_guard guard(news.lock);
    if (!news.streamEnded && !final) return f;
    const Figures stream = news.streamEnded ? figuresOf(news.stream) : Figures{};
    f.sent = stream.sent;
    f.sentBytes = stream.sentBytes;
    f.sendDurationMs = stream.sendDurationMs;
    return f;
}

loopkit::TwoWayTest::Events eventsFor(News& news, RunWaiter& waiter) {
    loopkit::TwoWayTest::Events events;
    events.runningChanged = [&news, &waiter](bool running) {
        {
            std::lock_guard guard(news.lock);
            news.running = running;
            news.started = news.started || running;
        }
        waiter.notify();
    };
    events.streamEnded = [&news, &waiter] {
        {
            std::lock_guard guard(news.lock);
            news.streamEnded = true;
            news.stream = news.test->counters();
        }
        waiter.notify();
    };
    return events;
}

}  // namespace

RunResult runTwoWay(const Request& request, const RunIo& io) {
    RunResult result = beginResult(Mode::kTwoWay, request, request.twoWay.frames);
    Outcome& outcome = result.outcome;
    OpenedAdapter adapter(request.interface);
    if (!adapter.ok())
        return notBegun(std::move(result), kExitNoInterface,
                        "cannot open " + request.interface + ": " + adapter.reason());
    RunWaiter waiter(io.stopFd);
    News news;
    loopkit::TwoWayTest test(adapter.info(), eventsFor(news, waiter));  // ends before the others
    if (!test.valid())
        return notBegun(std::move(result), kExitNoInterface,
                        "cannot use " + request.interface + " for a test");
    {
        std::lock_guard guard(news.lock);
        news.test = &test;
    }
    const bool server = request.twoWay.server;
    test.start(server ? loopkit::TwoWayTest::Role::Server : loopkit::TwoWayTest::Role::Client,
               request.twoWay.frameLength - kHeaderLength,
               {.frames = request.twoWay.frames, .intervalMs = request.twoWay.intervalMs});
    test.settle();  // the capture receives from here on: a client's start frame is not missed
    if (io.notice)
        io.notice(server ? "waiting for a client on " + request.interface
                         : "starting the test on " + request.interface);

    LiveLine live(io.live);
    loopkit::RateMemory sentRate, receivedRate;
    RunClock clock(request.timeoutMs);
    std::optional<Clock::time_point> graceEnd;
    bool stopping = false;
    auto stop = [&](Ending why) {
        if (stopping) return;
        stopping = true;
        outcome.ending = why;
        clock.disarm();
        graceEnd.reset();
        test.stop();
    };
    // The peer is taken to be gone when its frames stop coming for kPeerGrace (its stop frame
    // may be dropped like any frame).
    uint64_t lastCount = 0;
    Clock::time_point lastChange = Clock::now();
    for (;;) {
        std::optional<Clock::time_point> wakeAt = graceEnd;
        if (!stopping && lastCount > 0 && (!wakeAt || lastChange + kPeerGrace < *wakeAt))
            wakeAt = lastChange + kPeerGrace;
        const RunWaiter::Woke woke = waiter.wait(clock.nextDeadline(wakeAt));
        bool ended = false;
        {
            std::lock_guard guard(news.lock);
            ended = news.started && !news.running;
            if (news.streamEnded && !graceEnd && !stopping) graceEnd = Clock::now() + kPeerGrace;
        }
        if (ended) break;
        if (woke == RunWaiter::Woke::kStopAsked) stop(Ending::kInterrupted);
        if (clock.timedOut()) stop(Ending::kTimeout);
        if (graceEnd && Clock::now() >= *graceEnd) stop(Ending::kDone);
        const Figures now = figuresNow(test, news, false);
        const uint64_t count = uint64_t{now.good} + now.bad + now.lost;
        if (count != lastCount) {
            lastCount = count;
            lastChange = Clock::now();
        } else if (lastCount > 0 && Clock::now() >= lastChange + kPeerGrace) {
            stop(Ending::kIdle);
        }
        if (clock.tickDue() && live.enabled()) {
            // Both rates over the capture's time, as the dialog shows them.
            LiveRates rates{
                sentRate.next(now.sentBytes, now.receiveDurationMs).value_or(0),
                receivedRate.next(now.receivedBytes, now.receiveDurationMs).value_or(0)};
            live.show(liveText(Mode::kTwoWay, now, rates));
        }
    }
    live.clear();
    outcome.figures = figuresNow(test, news, true);
    if (!stopping) {
        const bool ownFramesDone =
            request.twoWay.frames != 0 && outcome.figures.sent >= request.twoWay.frames;
        outcome.ending = ownFramesDone ? Ending::kDone : Ending::kPeer;
    }
    return result;
}

}  // namespace loopkit_cli
