// The codes behind the list positions of the Configuration and Advanced tabs.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace netpanel {

// The rate codes of the TxRate positions: 1, 2, 5.5 and 11 Mbit/s, then all four.
inline constexpr std::array<int32_t, 5> kRateCodes = {1, 2, 4, 8, 15};

// The TxRate position of a rate code; -1 for a code with no position.
inline int ratePosition(int32_t code) {
    const auto found = std::find(kRateCodes.begin(), kRateCodes.end(), code);
    return found == kRateCodes.end() ? -1 : static_cast<int>(found - kRateCodes.begin());
}

// The rate code of a TxRate position; 0 (the adapter's own choice) for no selection.
inline int32_t rateCode(int position) {
    return position >= 0 && position < static_cast<int>(kRateCodes.size()) ? kRateCodes[position]
                                                                           : 0;
}

// A threshold at this value is disabled.
inline constexpr int32_t kThresholdDisabled = 2305;

}  // namespace netpanel
