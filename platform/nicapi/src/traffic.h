// The adapter's frame counters: the 256-byte tally block of 32-bit words and the four counters
// of VBGetTxRxFrameCount. The traffic advances one step at each reading while the adapter is
// in a network.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace nicapi {

// Word positions in the tally block; the byte offset is four times the position.
enum TallyWord : std::size_t {
    kTxUnicastFrames = 0,
    kTxMulticastFrames = 1,
    kTxFragments = 2,
    kTxUnicastOctets = 3,
    kTxMulticastOctets = 4,
    kTxDeferred = 5,
    kTxSingleRetry = 6,
    kTxMultipleRetry = 7,
    kTxRetryLimitExceeded = 8,
    kTxDiscards = 9,
    kRxUnicastFrames = 10,
    kRxMulticastFrames = 11,
    kRxFragments = 12,
    kRxUnicastOctets = 13,
    kRxMulticastOctets = 14,
    kRxDiscardsNoBuffer = 15,
    kRxDuplicates = 16,
    kRxWepUndecryptable = 17,
    kRxPlcpErrors = 24,  // byte offset 96: frames whose PLCP header was bad
    kRxFcsErrors = 30,   // byte offset 120: frames with a bad frame check sequence
    kRxMissed = 32,      // byte offset 128: frames the receiver had no buffer for
    kRxGoodFrames = 34,  // byte offset 136: every good frame heard, for this adapter or not
    kTallyWords = 64,
};

inline constexpr std::size_t kTallyBytes = kTallyWords * 4;

class Traffic {
public:
    // One step of traffic with the peer heard at `peerSignal`; none: alone in an own network.
    void step(std::optional<int> peerSignal);

    uint32_t word(TallyWord position) const { return words_[position]; }
    // Little-endian 32-bit words.
    void fillTally(uint8_t* block) const;
    // Frames sent, frames received, transmit retries, receive errors.
    std::array<uint32_t, 4> frameCounts() const;

private:
    void add(TallyWord position, uint64_t amount);

    std::array<uint32_t, kTallyWords> words_{};
    uint64_t steps_ = 0;
};

}  // namespace nicapi
