#include "two_way_test.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace loopkit {
namespace {

constexpr int kPatternIncrementing = 2;
constexpr int kPatternCustom = 5;
constexpr int kStopFrameWaitMs = 1000;
constexpr unsigned long kStopFrames = 3;
constexpr int kStopFrameIntervalMs = 20;

unsigned long markerFrames(bool stop) {
    return stop ? kStopFrames : 1;
}

int markerInterval(bool stop) {
    return stop ? kStopFrameIntervalMs : 0;
}

int textSize(const char* text) {
    return static_cast<int>(std::strlen(text));
}

}  // namespace

TwoWayTest::TwoWayTest(WLAdapterInfo* adapter, Events events) : events_(std::move(events)) {
    tx_ = KvTxCreate(adapter);
    rx_ = KvRxCreate(adapter);
}

TwoWayTest::~TwoWayTest() {
    closing_ = true;
    RoutineHub::instance().forget(this);
    control_.post([this] { closeEngines(); });
    // control_ ends here, after the tasks already queued and the close.
}

void TwoWayTest::start(Role role, int payloadLength, TwoWayStream stream) {
    control_.post([=, this] { begin(role, payloadLength, stream); });
}

void TwoWayTest::stop() {
    control_.post([this] {
        KvTxSendStop(tx_);
        KvRxStopCapture(rx_);
    });
}

TwoWayTest::Counters TwoWayTest::counters() const {
    Counters c;
    if (!valid()) return c;
    c.sent = KvTxGetPacketSent(tx_);
    c.sentBytes = KvTxGetTotalBytes(tx_);
    c.sendDuration = KvTxGetSendDuration(tx_);
    c.good = KvRxGetPacketsGood(rx_);
    c.bad = KvRxGetPacketsBad(rx_);
    c.lost = KvRxGetPacketsLost(rx_);
    c.receivedBytes = KvRxGetTotalBytes(rx_);
    c.receiveDuration = KvRxGetDurationRead(rx_);
    return c;
}

// --- Routines: hand the news to the control thread --------------------------------------------

void TwoWayTest::runEnded(RunKey run) {
    control_.post([this, run] {
        if (run == captureRun_) {
            onCaptureEnded(run);
        } else {
            onSendEnded(run);
        }
    });
}

void TwoWayTest::frameReported(RunKey run, ReportedFrame) {
    // The server's one-record array: the first frame counted after the start frame.
    control_.post([this, run] {
        if (run == captureRun_ && capturing_ && sending_ == Sending::Nothing) startStream();
    });
}

// --- Control thread ---------------------------------------------------------------------------

void TwoWayTest::begin(Role role, int payloadLength, TwoWayStream stream) {
    if (!valid() || running_) return;
    length_ = payloadLength;
    stream_ = stream;
    running_ = true;
    notify(events_.runningChanged, true);
    if (role == Role::Server) {
        capture(true);
    } else if (capture(false)) {
        // The capture receives before the start frame leaves: no frame of the server's stream,
        // which follows it, can be missed.
        sendMarker(kTwoWayStartText, Sending::StartFrame);
    }
    updateRunning();
}

bool TwoWayTest::capture(bool waitForStart) {
    KvRxSetStartPattern(rx_, waitForStart ? kTwoWayStartText : nullptr,
                        waitForStart ? textSize(kTwoWayStartText) : 0);
    KvRxSetEndPattern(rx_, kTwoWayStopText, textSize(kTwoWayStopText));
    RoutineHub& hub = RoutineHub::instance();
    const RunKey run = hub.begin(this);
    _Rx_Frame_Report_Quiet* record = waitForStart ? hub.quietArray(run, 1) : nullptr;
    captureRun_ = run;
    capturing_ =
        KvRxStartCapture(rx_, nullptr, 0, true, true, false, false, &RoutineHub::completionRoutine,
                         RoutineHub::routineArgument(run), REPORT_ALL,
                         record != nullptr ? &RoutineHub::quietRoutine : nullptr, record,
                         record != nullptr ? 1 : 0, nullptr, nullptr, 0, nullptr);
    if (!capturing_) {
        // Wait for whatever the refused start left running, so the run's records are final.
        KvRxStopCapture(rx_);
        KvRxSetExpectedPattern(rx_, nullptr, 0);
        hub.workerEnded(run);
        hub.release(run);
        captureRun_ = 0;
    }
    return capturing_;
}

void TwoWayTest::startStream() {
    const RunKey run = RoutineHub::instance().begin(this);
    if (!KvTxSend(tx_, kPatternIncrementing, nullptr, length_, stream_.frames, stream_.intervalMs,
                  true, false, false, 0, &RoutineHub::completionRoutine,
                  RoutineHub::routineArgument(run))) {
        RoutineHub::instance().release(run);
        return;
    }
    sendRun_ = run;
    sending_ = Sending::Stream;
    notify(events_.streamStarted);
}

void TwoWayTest::sendMarker(const char* text, Sending what) {
    // The pattern fills the start of the payload, zeros the rest. The stop frame's run brings no
    // further send, so it cannot start a loop.
    RoutineHub& hub = RoutineHub::instance();
    const RunKey run = hub.begin(this);
    if (!KvTxSetPattern(tx_, text, textSize(text)) ||
        !KvTxSend(tx_, kPatternCustom, nullptr, length_, markerFrames(what == Sending::StopFrame),
                  markerInterval(what == Sending::StopFrame), false, false, false, 0,
                  &RoutineHub::completionRoutine, RoutineHub::routineArgument(run))) {
        hub.release(run);
        sending_ = Sending::Nothing;
        return;
    }
    sendRun_ = run;
    sending_ = what;
}

void TwoWayTest::onSendEnded(RunKey run) {
    RoutineHub::instance().release(run);
    if (run != sendRun_) return;
    const Sending ended = sending_;
    sending_ = Sending::Nothing;
    sendRun_ = 0;
    if (ended == Sending::StartFrame) {
        if (capturing_) {
            startStream();
        } else {
            sendMarker(kTwoWayStopText, Sending::StopFrame);  // stopped meanwhile: end the server
        }
    } else if (ended == Sending::Stream) {
        notify(events_.streamEnded);
        sendMarker(kTwoWayStopText, Sending::StopFrame);
    }
    updateRunning();
}

void TwoWayTest::onCaptureEnded(RunKey run) {
    RoutineHub::instance().release(run);
    capturing_ = false;
    captureRun_ = 0;
    // The stream's end brings the stop frames; stop frames already on their way are let go.
    if (sending_ == Sending::Stream) KvTxSendStop(tx_);
    updateRunning();
}

void TwoWayTest::sendStopFrameAndWait() {
    // The test no longer hears its routines (it is closing): the stop frames' end comes to a
    // listener of its own, which the hub forgets before it goes.
    struct SendEnd final : RoutineTarget {
        void runEnded(RunKey) override {
            std::lock_guard guard(lock);
            ended = true;
            changed.notify_all();
        }
        void frameReported(RunKey, ReportedFrame) override {}
        std::mutex lock;
        std::condition_variable changed;
        bool ended = false;
    } sendEnd;
    RoutineHub& hub = RoutineHub::instance();
    const RunKey run = hub.begin(&sendEnd);
    if (KvTxSetPattern(tx_, kTwoWayStopText, textSize(kTwoWayStopText)) &&
        KvTxSend(tx_, kPatternCustom, nullptr, length_, kStopFrames, kStopFrameIntervalMs, false,
                 false, false, 0, &RoutineHub::completionRoutine,
                 RoutineHub::routineArgument(run))) {
        // A few frames: the engine ends by itself once they left, well within the bound.
        std::unique_lock guard(sendEnd.lock);
        sendEnd.changed.wait_for(guard, std::chrono::milliseconds(kStopFrameWaitMs),
                                 [&] { return sendEnd.ended; });
    }
    hub.forget(&sendEnd);
}

void TwoWayTest::updateRunning() {
    const bool running = capturing_ || sending_ != Sending::Nothing;
    if (running == running_) return;
    running_ = running;
    notify(events_.runningChanged, running);
}

void TwoWayTest::closeEngines() {
    // Closed while the peer may still stream: tell it, as a stream's end would.
    const bool peerMayRun =
        capturing_ || sending_ == Sending::Stream || sending_ == Sending::StartFrame;
    KvRxStopCapture(rx_);
    KvTxSendStop(tx_);
    if (peerMayRun) sendStopFrameAndWait();
    KvTxClose(tx_);
    KvRxClose(rx_);
    tx_ = nullptr;
    rx_ = nullptr;
    RoutineHub& hub = RoutineHub::instance();
    // The workers have ended: the capture's records are final.
    if (captureRun_ != 0) hub.workerEnded(captureRun_);
}

}  // namespace loopkit
