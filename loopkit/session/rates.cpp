#include "rates.h"

namespace loopkit {

std::optional<uint64_t> RateMemory::next(uint64_t bytes, uint32_t durationMs) {
    const uint64_t byteStep = bytes - bytes_;
    const uint32_t timeStep = durationMs - duration_;
    bytes_ = bytes;
    duration_ = durationMs;
    if (timeStep == 0) return std::nullopt;
    return byteStep * 1000 / timeStep;
}

int64_t perMille(int64_t part, int64_t total) {
    if (part <= 0 || total <= 0) return 0;
    // part * 1000 cannot overflow for any counter the engines keep (32-bit and their sums).
    return part * 1000 / total;
}

std::string perMilleText(int64_t part, int64_t total, bool lessThanOne) {
    const int64_t value = perMille(part, total);
    if (value == 0 && part > 0 && lessThanOne) return "< 1";
    return std::to_string(value);
}

}  // namespace loopkit
