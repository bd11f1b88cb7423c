#include "settings.h"

namespace nicapi {
namespace {

// How a setting's value is checked and kept: a range, and whether any non-zero value means 1.
struct SettingRule {
    int AdapterSettings::*field;
    int32_t low;
    int32_t high;
    bool flag;
};

constexpr int32_t kAnyValue = INT32_MIN;

SettingRule ruleOf(Setting setting) {
    switch (setting) {
        case Setting::kChannel:
            return {&AdapterSettings::channel, kFirstChannel, kLastChannel, false};
        case Setting::kTxRate:
            return {&AdapterSettings::txRate, 0, kAllRates, false};
        case Setting::kNetworkType:
            return {&AdapterSettings::networkType, 0, 1, false};
        case Setting::kPsMode:
            return {&AdapterSettings::psMode, kAnyValue, INT32_MAX, true};
        case Setting::kPreamble:
            return {&AdapterSettings::preamble, 0, 3, false};
        case Setting::kAuthMode:
            return {&AdapterSettings::authMode, 0, 3, false};
        case Setting::kFragThreshold:
            return {&AdapterSettings::fragThreshold, 256, 2346, false};
        case Setting::kRtsThreshold:
            return {&AdapterSettings::rtsThreshold, 0, 2347, false};
        case Setting::kWepStatus:
            return {&AdapterSettings::wepStatus, kAnyValue, INT32_MAX, true};
        case Setting::kWepBit:
            return {&AdapterSettings::wepBit, 0, 1, false};
        case Setting::kDefaultKey:
            return {&AdapterSettings::defaultKey, 0, 3, false};
    }
    return {&AdapterSettings::channel, 0, -1, false};
}

}  // namespace

AdapterSettings powerOnSettings(ChannelSet plan) {
    AdapterSettings settings;
    if (!hasChannel(plan, settings.channel)) {
        for (int channel = kLastChannel; channel >= kFirstChannel; --channel)
            if (hasChannel(plan, channel)) settings.channel = channel;
    }
    return settings;
}

bool storeSetting(AdapterSettings& settings, Setting setting, int32_t value, ChannelSet plan) {
    const SettingRule rule = ruleOf(setting);
    if (value < rule.low || value > rule.high) return false;
    if (setting == Setting::kChannel && !hasChannel(plan, value)) return false;
    settings.*rule.field = rule.flag ? (value != 0 ? 1 : 0) : value;
    return true;
}

int32_t settingValue(const AdapterSettings& settings, Setting setting) {
    return settings.*ruleOf(setting).field;
}

bool storeKey(AdapterSettings& settings, int32_t index, bool is128, bool isDefault,
              const uint8_t* material) {
    if (index < 0 || index >= static_cast<int32_t>(settings.keys.size()) || material == nullptr)
        return false;
    const std::size_t length = is128 ? 13 : 5;
    settings.keys[static_cast<std::size_t>(index)].assign(material, material + length);
    if (isDefault) settings.defaultKey = index;
    return true;
}

bool isAnySsid(std::string_view ssid) {
    return ssid.empty() || equalsIgnoreCase(ssid, "any");
}

}  // namespace nicapi
