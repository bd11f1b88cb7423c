// The figures of the test dialogs and the command: byte rates between two readings of an
// engine, and error rates in per mille.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace loopkit {

// The previous reading of a byte counter and of a duration.
class RateMemory {
public:
    void reset() { *this = RateMemory{}; }
    // Bytes per second since the last reading: (bytes - last bytes) * 1000 / (duration - last
    // duration). None when the duration did not move (nothing to divide by); the reading is
    // remembered either way.
    std::optional<uint64_t> next(uint64_t bytes, uint32_t durationMs);

private:
    uint64_t bytes_ = 0;
    uint32_t duration_ = 0;
};

// part * 1000 / total in signed 64-bit arithmetic, 0 when either is 0 or negative.
int64_t perMille(int64_t part, int64_t total);
// A per-mille figure as shown: the number, or "< 1" when lessThanOne is asked for and a
// non-zero part comes to 0.
std::string perMilleText(int64_t part, int64_t total, bool lessThanOne);

}  // namespace loopkit
