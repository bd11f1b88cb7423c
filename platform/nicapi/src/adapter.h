// One simulated adapter: what the environment says it is, the settings stored and in force,
// its link, its traffic and its last scan.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eeprom.h"
#include "environment.h"
#include "link.h"
#include "radio.h"
#include "settings.h"
#include "traffic.h"

namespace nicapi {

class Adapter {
public:
    explicit Adapter(AdapterSpec spec);

    const AdapterSpec& spec() const { return spec_; }
    EepromKind eepromKind() const { return eepromKind_; }
    std::span<const uint8_t> eeprom() const { return eeprom_; }
    ChannelSet channelPlan() const { return plan_; }

    bool present() const { return present_; }
    bool wzcManaged() const { return wzcManaged_; }
    void setWzcManaged(bool managed) { wzcManaged_ = managed; }

    // A card that gets power starts afresh with its power-on settings and joins at `joinAt`;
    // a pulled card forgets its settings, link, traffic and scan.
    void powerOn(Clock::time_point joinAt);
    void pull();

    // Set calls: stored for the next restart; false for a value the adapter does not take.
    bool store(Setting setting, int32_t value);
    bool storeKey(int32_t index, bool is128, bool isDefault, const uint8_t* material);
    // The SSID takes effect at once: a different SSID leaves the network.
    void setSsid(std::string_view ssid);
    // Puts the stored settings into force and joins again at `joinAt`.
    void restart(Clock::time_point joinAt);

    // Completes a join that is due, and follows changes of the air.
    void settle(Clock::time_point now, Air air);
    void airChanged(Air air);

    int32_t inForce(Setting setting) const { return settingValue(inForce_, setting); }
    const std::string& ssid() const { return inForce_.ssid; }
    PortStatus portStatus() const { return link_.status(); }
    // The joined network's channel, else the channel in force.
    int32_t channel() const;
    // Empty while not in a network.
    std::string currentSsid() const;
    // 0 while not in a network.
    int32_t currentRate(Air air) const;
    // Zeros while no peer is heard; each reading has its own jitter.
    LinkSample sampleLink(Air air);
    const Traffic& advanceTraffic(Air air);

    void scan(Air air);
    std::span<const SurveyEntry> survey() const { return survey_; }

private:
    JoinContext joinContext(Air air) const { return {inForce_, plan_, air, spec_.mac}; }
    const Station* peer(Air air) const;

    AdapterSpec spec_;
    EepromKind eepromKind_;
    std::vector<uint8_t> eeprom_;
    ChannelSet plan_;
    bool present_ = false;
    bool wzcManaged_ = false;
    AdapterSettings stored_;
    AdapterSettings inForce_;
    Link link_;
    Traffic traffic_;
    uint64_t linkSamples_ = 0;
    uint64_t scans_ = 0;
    std::vector<SurveyEntry> survey_;
};

}  // namespace nicapi
