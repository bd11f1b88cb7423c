// The radio model: which network an adapter joins, what the link to it looks like, and what a
// scan hears. Levels are in the adapter's signal unit, dBm + 105.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "environment.h"
#include "nicapi/nicapi.h"
#include "settings.h"

namespace nicapi {

using Air = std::span<const Station>;

// VBQueryWLPortStatus: 3 and 4 while joined, the others while not.
enum class PortStatus : int32_t {
    kScanning = 1,     // no network matches the settings in force
    kWepMismatch = 2,  // the network is there, but its privacy or WEP key differs
    kJoinedBss = 3,    // joined an access point
    kJoinedIbss = 4,   // joined or started an ad hoc network
    kLeft = 5,         // the SSID was changed: out of the network until the next restart
    kLost = 6,         // the joined station went off the air; searching
    kWrongMode = 8,    // the SSID is only heard as a network of the other mode
    kJoining = 9,      // restarted or inserted; the join is still under way
};

inline constexpr int kSignalOffset = 105;
inline constexpr int kSensitivityDbm = -94;  // weaker stations are not heard
inline constexpr int kMinQuality = 10;       // per-frame link quality, lower is better
inline constexpr int kMaxQuality = 80;

struct Network {
    std::string ssid;
    MacAddress bssid{};
    int channel = 0;
    NetworkMode mode = NetworkMode::kInfrastructure;
    bool own = false;  // an ad hoc network this adapter started alone
    bool operator==(const Network&) const = default;
};

struct JoinOutcome {
    PortStatus status = PortStatus::kScanning;
    std::optional<Network> network;
};

struct LinkSample {
    int32_t qualitySum = 0;
    int32_t signalLevel = 0;
    int32_t qualityCount = 0;
};

bool heard(const Station& station, ChannelSet plan);
bool privacyMatches(const Station& station, const AdapterSettings& settings);
// The station is one that the settings would join.
bool acceptable(const Station& station, const AdapterSettings& settings, ChannelSet plan);

// Infrastructure joins the strongest acceptable access point; ad hoc the strongest acceptable
// station of the SSID, or starts its own network on the channel in force. An empty SSID (or
// "any") accepts every network of the mode whose privacy matches the WEP settings.
JoinOutcome chooseNetwork(const AdapterSettings& settings, ChannelSet plan, Air air,
                          const MacAddress& ownMac);

// A deterministic link reading of the station: the `counter`-th sample has the same jitter
// every time.
LinkSample linkSample(const Station& station, uint64_t counter);
// 1, 2, 5 (5.5) or 11: the highest rate of the mask that the signal level carries.
int32_t currentRate(int rateMask, int signalLevel);
uint32_t channelFrequencyKhz(int channel);
SurveyEntry surveyEntry(const Station& station, uint64_t counter);

// A well-mixed 64-bit hash, and from it a jitter of -spread..spread.
uint64_t mixBits(uint64_t value);
int jitter(uint64_t hash, int spread);
uint64_t stationSeed(const MacAddress& bssid);

}  // namespace nicapi
