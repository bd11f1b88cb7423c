#include "traffic.h"

#include <algorithm>

#include "radio.h"

namespace nicapi {
namespace {

constexpr uint64_t kBeaconsPerStep = 10;
constexpr uint64_t kBeaconOctets = 80;
constexpr uint64_t kDataOctets = 512;
constexpr int kWeakSignal = 35;  // below this level (-70 dBm) errors and retries begin

uint64_t oneIn(uint64_t hash, uint64_t n) {
    return hash % n == 0 ? 1 : 0;
}

}  // namespace

void Traffic::add(TallyWord position, uint64_t amount) {
    words_[position] = static_cast<uint32_t>(words_[position] + amount);
}

void Traffic::step(std::optional<int> peerSignal) {
    const uint64_t hash = mixBits(++steps_);
    if (!peerSignal) {
        add(kTxMulticastFrames, kBeaconsPerStep);
        add(kTxMulticastOctets, kBeaconsPerStep * kBeaconOctets);
        return;
    }
    const uint64_t weakness = static_cast<uint64_t>(std::max(0, kWeakSignal - *peerSignal));
    const uint64_t data = hash % 7;
    const uint64_t sent = 1 + (hash >> 8) % 4;
    add(kRxMulticastFrames, kBeaconsPerStep);
    add(kRxMulticastOctets, kBeaconsPerStep * kBeaconOctets);
    add(kRxUnicastFrames, data);
    add(kRxUnicastOctets, data * kDataOctets);
    add(kRxFragments, data);
    add(kTxUnicastFrames, sent);
    add(kTxUnicastOctets, sent * kDataOctets);
    add(kTxFragments, sent);
    add(kTxSingleRetry, weakness > 0 ? (hash >> 12) % 2 : 0);
    add(kTxMultipleRetry, weakness / 10);
    add(kRxFcsErrors, (hash >> 16) % (1 + weakness / 3) + oneIn(hash >> 24, 10));
    add(kRxPlcpErrors, oneIn(hash >> 32, 12) + weakness / 10);
    add(kRxMissed, oneIn(hash >> 40, 20));
    add(kRxDuplicates, oneIn(hash >> 44, 25));
    add(kRxGoodFrames, kBeaconsPerStep + data + (hash >> 48) % 5);
}

void Traffic::fillTally(uint8_t* block) const {
    for (std::size_t i = 0; i < words_.size(); ++i) {
        for (std::size_t b = 0; b < 4; ++b)
            block[4 * i + b] = static_cast<uint8_t>(words_[i] >> (8 * b));
    }
}

std::array<uint32_t, 4> Traffic::frameCounts() const {
    return {words_[kTxUnicastFrames] + words_[kTxMulticastFrames],
            words_[kRxUnicastFrames] + words_[kRxMulticastFrames],
            words_[kTxSingleRetry] + words_[kTxMultipleRetry], words_[kRxFcsErrors]};
}

}  // namespace nicapi
