// The adapter's settings: what the set calls store and what a restart puts into force.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "environment_values.h"

namespace nicapi {

inline constexpr std::size_t kMaxSsidLength = 32;
inline constexpr int kAllRates = 15;  // rate mask bits: 1, 2, 5.5 and 11 Mbit/s
inline constexpr int kThresholdDisabled = 2305;

struct AdapterSettings {
    int channel = 6;
    int txRate = kAllRates;
    int networkType = 1;  // 0 ad hoc, 1 infrastructure
    int psMode = 0;       // 0 off, 1 on
    int preamble = 3;     // 1 long, 2 short, 3 automatic
    int authMode = 3;     // 1 open system, 2 shared key, 3 automatic
    int fragThreshold = kThresholdDisabled;
    int rtsThreshold = kThresholdDisabled;
    int wepStatus = 0;  // 0 off, 1 on
    int wepBit = 0;     // 0 64-bit, 1 128-bit keys
    int defaultKey = 0;
    std::array<std::vector<uint8_t>, 4> keys;  // 5 or 13 bytes once written
    std::string ssid;                          // empty or "any": any network
    bool operator==(const AdapterSettings&) const = default;
};

// The integer settings that set calls change one by one.
enum class Setting {
    kChannel,
    kTxRate,
    kNetworkType,
    kPsMode,
    kPreamble,
    kAuthMode,
    kFragThreshold,
    kRtsThreshold,
    kWepStatus,
    kWepBit,
    kDefaultKey,
};

// A freshly powered adapter: automatic everything, no WEP, any SSID, channel 6 when the plan
// allows it (else its lowest channel).
AdapterSettings powerOnSettings(ChannelSet plan);

// Stores a value when it is valid for the setting (the channel must be in the plan).
bool storeSetting(AdapterSettings& settings, Setting setting, int32_t value, ChannelSet plan);
int32_t settingValue(const AdapterSettings& settings, Setting setting);

// Stores WEP key `index` (0..3): 13 bytes of `material` when is128, else 5.
bool storeKey(AdapterSettings& settings, int32_t index, bool is128, bool isDefault,
              const uint8_t* material);

bool isAnySsid(std::string_view ssid);

}  // namespace nicapi
