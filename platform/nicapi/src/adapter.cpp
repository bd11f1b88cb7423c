#include "adapter.h"

#include <utility>

namespace nicapi {

Adapter::Adapter(AdapterSpec spec)
    : spec_(std::move(spec)),
      eepromKind_(eepromKindOf(spec_.hardwareId)),
      eeprom_(buildEepromImage(spec_)),
      plan_(channelPlanOf(eeprom_, eepromKind_)),
      wzcManaged_(spec_.wzcManaged) {}

void Adapter::powerOn(Clock::time_point joinAt) {
    present_ = true;
    stored_ = powerOnSettings(plan_);
    inForce_ = stored_;
    traffic_ = {};
    linkSamples_ = 0;
    scans_ = 0;
    survey_.clear();
    link_.start(joinAt);
}

void Adapter::pull() {
    present_ = false;
    link_.leave();
    survey_.clear();
}

bool Adapter::store(Setting setting, int32_t value) {
    return storeSetting(stored_, setting, value, plan_);
}

bool Adapter::storeKey(int32_t index, bool is128, bool isDefault, const uint8_t* material) {
    return nicapi::storeKey(stored_, index, is128, isDefault, material);
}

void Adapter::setSsid(std::string_view ssid) {
    const std::string text(ssid.substr(0, kMaxSsidLength));
    stored_.ssid = text;
    inForce_.ssid = text;
    if (link_.joined() && link_.network()->ssid == text) return;
    link_.leave();
}

void Adapter::restart(Clock::time_point joinAt) {
    inForce_ = stored_;
    link_.start(joinAt);
}

void Adapter::settle(Clock::time_point now, Air air) {
    link_.settle(now, joinContext(air));
}

void Adapter::airChanged(Air air) {
    link_.airChanged(joinContext(air));
}

int32_t Adapter::channel() const {
    return link_.joined() ? link_.network()->channel : inForce_.channel;
}

std::string Adapter::currentSsid() const {
    return link_.joined() ? link_.network()->ssid : std::string();
}

const Station* Adapter::peer(Air air) const {
    if (!link_.joined() || link_.network()->own) return nullptr;
    return findStation(air, link_.network()->bssid);
}

int32_t Adapter::currentRate(Air air) const {
    if (!link_.joined()) return 0;
    // Alone in an own network, nothing limits the rate.
    const Station* station = peer(air);
    const int signal =
        station ? station->signalDbm + kSignalOffset : (link_.network()->own ? kSignalOffset : 0);
    return nicapi::currentRate(inForce_.txRate, signal);
}

LinkSample Adapter::sampleLink(Air air) {
    const Station* station = peer(air);
    if (!station) return {};
    return linkSample(*station, linkSamples_++);
}

const Traffic& Adapter::advanceTraffic(Air air) {
    if (!link_.joined()) return traffic_;
    const Station* station = peer(air);
    traffic_.step(station ? std::optional<int>(station->signalDbm + kSignalOffset) : std::nullopt);
    return traffic_;
}

void Adapter::scan(Air air) {
    survey_.clear();
    ++scans_;
    for (const Station& station : air)
        if (heard(station, plan_)) survey_.push_back(surveyEntry(station, scans_));
}

}  // namespace nicapi
