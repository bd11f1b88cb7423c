#include "radio.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nicapi {
namespace {

struct RateStep {
    int maskBit;
    int32_t rate;
    int minSignal;  // signal level needed to carry the rate
};

constexpr std::array<RateStep, 4> kRates{{{8, 11, 30}, {4, 5, 22}, {2, 2, 18}, {1, 1, 0}}};

constexpr uint32_t kChannel1Khz = 2412000;
constexpr uint32_t kChannelSpacingKhz = 5000;
constexpr uint32_t kChannel14Khz = 2484000;
constexpr uint32_t kBeaconPeriodTu = 100;
constexpr uint32_t kDsConfigLength = 32;
constexpr uint32_t kNetworkTypeDs = 1;
constexpr uint8_t kSupportedRates[8] = {0x82, 0x84, 0x8B, 0x96, 0, 0, 0, 0};

NetworkMode modeOf(const AdapterSettings& settings) {
    return settings.networkType == 0 ? NetworkMode::kAdHoc : NetworkMode::kInfrastructure;
}

Network networkOf(const Station& station) {
    return {station.ssid, station.bssid, station.channel, station.mode, false};
}

// An ad hoc network started alone: a locally administered BSSID made from the adapter's MAC.
Network ownNetwork(const AdapterSettings& settings, const MacAddress& mac) {
    MacAddress bssid = mac;
    bssid[0] = static_cast<uint8_t>((bssid[0] | 0x02) & 0xFE);
    bssid[5] ^= 0x5A;
    return {settings.ssid, bssid, settings.channel, NetworkMode::kAdHoc, true};
}

int qualityOf(int signalLevel) {
    const int span = kMaxQuality - kMinQuality;
    return std::clamp(kMinQuality + (75 - signalLevel) * span / 60, kMinQuality, kMaxQuality);
}

}  // namespace

bool heard(const Station& station, ChannelSet plan) {
    return hasChannel(plan, station.channel) && station.signalDbm >= kSensitivityDbm;
}

bool privacyMatches(const Station& station, const AdapterSettings& settings) {
    if (!station.privacy()) return settings.wepStatus == 0;
    if (settings.wepStatus == 0) return false;
    return settings.keys[static_cast<std::size_t>(settings.defaultKey)] == station.wepKey;
}

bool acceptable(const Station& station, const AdapterSettings& settings, ChannelSet plan) {
    return heard(station, plan) && station.mode == modeOf(settings) &&
           (isAnySsid(settings.ssid) || station.ssid == settings.ssid) &&
           privacyMatches(station, settings);
}

JoinOutcome chooseNetwork(const AdapterSettings& settings, ChannelSet plan, Air air,
                          const MacAddress& ownMac) {
    const Station* best = nullptr;
    bool ssidHeard = false;
    bool otherModeHeard = false;
    const bool any = isAnySsid(settings.ssid);
    for (const Station& station : air) {
        if (!heard(station, plan) || (!any && station.ssid != settings.ssid)) continue;
        if (station.mode != modeOf(settings)) {
            otherModeHeard = true;
            continue;
        }
        ssidHeard = true;
        if (privacyMatches(station, settings) && (!best || station.signalDbm > best->signalDbm))
            best = &station;
    }
    if (best) {
        const bool adHoc = best->mode == NetworkMode::kAdHoc;
        return {adHoc ? PortStatus::kJoinedIbss : PortStatus::kJoinedBss, networkOf(*best)};
    }
    if (any) return {PortStatus::kScanning, std::nullopt};
    if (ssidHeard) return {PortStatus::kWepMismatch, std::nullopt};
    if (modeOf(settings) == NetworkMode::kAdHoc && hasChannel(plan, settings.channel))
        return {PortStatus::kJoinedIbss, ownNetwork(settings, ownMac)};
    if (otherModeHeard) return {PortStatus::kWrongMode, std::nullopt};
    return {PortStatus::kScanning, std::nullopt};
}

uint64_t mixBits(uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

int jitter(uint64_t hash, int spread) {
    return static_cast<int>(hash % static_cast<uint64_t>(2 * spread + 1)) - spread;
}

uint64_t stationSeed(const MacAddress& bssid) {
    uint64_t seed = 0;
    for (const uint8_t byte : bssid)
        seed = seed << 8 | byte;
    return mixBits(seed);
}

LinkSample linkSample(const Station& station, uint64_t counter) {
    const uint64_t hash = mixBits(stationSeed(station.bssid) ^ counter);
    const int signal = std::max(1, station.signalDbm + kSignalOffset + jitter(hash, 2));
    const int quality =
        std::clamp(qualityOf(signal) + jitter(hash >> 16, 2), kMinQuality, kMaxQuality);
    const int count = 10 + static_cast<int>((hash >> 32) % 11);
    return {quality * count, signal, count};
}

int32_t currentRate(int rateMask, int signalLevel) {
    if (rateMask == 0) rateMask = kAllRates;
    for (const RateStep& step : kRates)
        if ((rateMask & step.maskBit) != 0 && signalLevel >= step.minSignal) return step.rate;
    for (auto step = kRates.rbegin(); step != kRates.rend(); ++step)
        if ((rateMask & step->maskBit) != 0) return step->rate;
    return kRates.back().rate;
}

uint32_t channelFrequencyKhz(int channel) {
    if (channel == kLastChannel) return kChannel14Khz;
    return kChannel1Khz + kChannelSpacingKhz * static_cast<uint32_t>(channel - kFirstChannel);
}

SurveyEntry surveyEntry(const Station& station, uint64_t counter) {
    SurveyEntry entry{};
    entry.Length = sizeof(SurveyEntry);
    std::memcpy(entry.MacAddress, station.bssid.data(), station.bssid.size());
    entry.SsidLength = static_cast<uint32_t>(std::min(station.ssid.size(), sizeof entry.Ssid));
    std::memcpy(entry.Ssid, station.ssid.data(), entry.SsidLength);
    entry.Privacy = station.privacy() ? 1 : 0;
    const uint64_t hash = mixBits(stationSeed(station.bssid) ^ ~counter);
    entry.Rssi = std::max(1, station.signalDbm + kSignalOffset + jitter(hash, 2));
    entry.NetworkTypeInUse = kNetworkTypeDs;
    entry.ConfigLength = kDsConfigLength;
    entry.BeaconPeriod = kBeaconPeriodTu;
    entry.DsConfig = channelFrequencyKhz(station.channel);
    entry.InfrastructureMode = station.mode == NetworkMode::kInfrastructure ? 1 : 0;
    std::memcpy(entry.SupportedRates, kSupportedRates, sizeof kSupportedRates);
    return entry;
}

}  // namespace nicapi
