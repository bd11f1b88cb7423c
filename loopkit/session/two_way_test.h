// The two-way test: two stations send to each other at once, each counting what the other
// sends. Both stations run this protocol, a dialog or the command alike, so either can face
// the other:
//
//   server: waits for a frame starting "Start 2 Way Test!", then starts its stream at the first
//           counted frame after it;
//   client: sends that start frame, then its stream;
//   either: a stream that ends is followed by a frame starting "Stop 2 Way Test!", which ends
//           the peer's capture; a capture that ends stops the station's stream. The stop frame
//           goes out three times, 20 ms apart, so that one lost frame leaves no peer running.
//
// Streams are incrementing-pattern test frames to the broadcast address, numbered, without a
// checksum. Every engine call runs on the test's control thread. Counters may be read from any
// thread.
#pragma once

#include <loopkit/loopkit.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "control_thread.h"
#include "routine_hub.h"

namespace loopkit {

inline constexpr char kTwoWayStartText[] = "Start 2 Way Test!";
inline constexpr char kTwoWayStopText[] = "Stop 2 Way Test!";
inline constexpr int kTwoWayMinLength = 36;  // the payload lengths a test frame can have
inline constexpr int kTwoWayMaxLength = 1490;

// How a station's own stream runs: it ends by itself after `frames` frames (0: only when
// stopped; its stop frames follow as after any stream) and pauses intervalMs before each
// frame (the dialog streams flat out).
struct TwoWayStream {
    unsigned long frames = 0;
    int intervalMs = 0;
};

class TwoWayTest final : private RoutineTarget {
public:
    enum class Role { Server, Client };

    // News for the owner, called on the control thread: the owner hands it to its own thread.
    struct Events {
        std::function<void(bool running)> runningChanged;  // idle <-> running
        std::function<void()> streamStarted;               // the station's own stream began
        std::function<void()> streamEnded;
    };

    struct Counters {
        uint32_t sent = 0;
        uint64_t sentBytes = 0;
        uint32_t sendDuration = 0;
        uint32_t good = 0;
        uint32_t bad = 0;
        uint32_t lost = 0;
        uint64_t receivedBytes = 0;
        uint32_t receiveDuration = 0;
    };

    // Creates both engines on the adapter; valid() says whether both exist.
    TwoWayTest(WLAdapterInfo* adapter, Events events);
    // Stops what runs and closes the engines; no event follows.
    ~TwoWayTest();
    TwoWayTest(const TwoWayTest&) = delete;
    TwoWayTest& operator=(const TwoWayTest&) = delete;

    bool valid() const { return tx_ != nullptr && rx_ != nullptr; }
    // payloadLength must lie within kTwoWayMinLength..kTwoWayMaxLength.
    void start(Role role, int payloadLength, TwoWayStream stream = {});
    void stop();
    Counters counters() const;
    // Waits until the control thread has run every request made so far: after start(), the
    // capture receives (or failed to start).
    void settle() { control_.drain(); }

private:
    enum class Sending { Nothing, StartFrame, Stream, StopFrame };

    void runEnded(RunKey run) override;
    void frameReported(RunKey run, ReportedFrame frame) override;

    // Control thread only.
    void begin(Role role, int payloadLength, TwoWayStream stream);
    bool capture(bool waitForStart);
    void startStream();
    void sendMarker(const char* text, Sending what);
    void onSendEnded(RunKey run);
    void onCaptureEnded(RunKey run);
    void sendStopFrameAndWait();
    void updateRunning();
    void closeEngines();
    template <class Event, class... Args>
    void notify(const Event& event, Args... args) {
        if (event && !closing_.load()) event(args...);
    }

    Events events_;
    std::atomic<bool> closing_{false};
    void* tx_ = nullptr;
    void* rx_ = nullptr;
    // Control thread only.
    int length_ = 0;
    TwoWayStream stream_;
    Sending sending_ = Sending::Nothing;
    RunKey sendRun_ = 0;
    RunKey captureRun_ = 0;
    bool capturing_ = false;
    bool running_ = false;
    ControlThread control_;  // last: it ends first, while everything it uses still exists
};

}  // namespace loopkit
