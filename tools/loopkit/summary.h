// What a run found and how it is told: the live line, the final summary (text or JSON) and the
// exit status.
#pragma once

#include <cstdint>
#include <string>

#include "command_line.h"

namespace loopkit_cli {

enum Exit { kExitPassed = 0, kExitFailed = 1, kExitUsage = 2, kExitNoInterface = 3 };

// How a run ended.
enum class Ending {
    kDone,         // the frames asked for (tx, 2way) or counted (rx), or the test's own end
    kPeer,         // 2way: the peer's stop frame ended the capture
    kIdle,         // rx: nothing new for --idle seconds
    kTimeout,      // --timeout
    kInterrupted,  // SIGINT or SIGTERM
    kLinkFailed,   // tx: the link refused a frame
};

const char* endingName(Ending ending);

// The engines' counters at the end of a run (those of the mode; the rest stay 0).
struct Figures {
    uint32_t sent = 0;
    uint64_t sentBytes = 0;
    uint32_t sendDurationMs = 0;
    uint32_t good = 0;
    uint32_t bad = 0;
    uint32_t lost = 0;
    uint64_t receivedBytes = 0;  // of the good frames
    uint32_t receiveDurationMs = 0;
};

struct Outcome {
    Mode mode = Mode::kTx;
    std::string interface;
    unsigned long asked = 0;  // --frames
    Ending ending = Ending::kDone;
    Figures figures;
};

// count per second over durationMs; 0 when no time passed.
uint64_t perSecond(uint64_t count, uint32_t durationMs);

std::string summaryText(const Outcome& outcome);
// One JSON object on one line, without a line end.
std::string summaryJson(const Outcome& outcome);
int exitStatus(const Outcome& outcome);

// The live line: counters so far and the rates since the previous line.
struct LiveRates {
    uint64_t sentBytesPerSecond = 0;
    uint64_t receivedBytesPerSecond = 0;
};
std::string liveText(Mode mode, const Figures& figures, const LiveRates& rates);

}  // namespace loopkit_cli
