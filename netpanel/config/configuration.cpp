// The Configuration tab: operating mode, SSID, channel, transfer rate and power saving, their
// apply to the adapter and its driver key, undo, restore, and loading them from a profile.
#include <algorithm>

#include "config/profile_store.h"
#include "config/value_codes.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {

bool Velto::selectChannel(int32_t channel) {
    // Only the positions the list holds count: the table may hold more from a larger plan.
    for (int k = 1; k <= std::min(Channel.listCount(), 14); ++k) {
        if (ChannelMap[k] == channel) return Channel.selectIfListed(k - 1);
    }
    return false;
}

void Velto::enableChannelFor(int32_t networkType) {
    Channel.setEnabled(networkType != 1);
}

void Velto::showConfiguredSsid() {
    const std::string ssid = gCurSettings.SSID.trimmed();
    SetSSID.setText(ssid.empty() ? "Any" : ssid);
}

void Velto::ApplyConfiguration() {
    const std::string key = driverKey(isWindows95(), AdapterInfo);

    const int channelPosition = Channel.listIndex();
    if (channelPosition >= 0 && channelPosition < std::min(Channel.listCount(), 14)) {
        const int32_t channel = ChannelMap[channelPosition + 1];
        if (nicapi_.VBSetWLChannel(AdapterInfo, channel) == 0) {
            gCurSettings.Channel = channel;
            RegWriteString(key + "RFChannel", std::to_string(channel));
        }
    }

    // No selection sends rate code 0, which the adapter reads as its own choice.
    const int32_t rate = rateCode(TxRate.listIndex());
    if (nicapi_.VBSetWLTxRateControl(AdapterInfo, rate) != -1) {
        gCurSettings.TxRate = rate;
        RegWriteString(key + "TxDataRate", std::to_string(rate));
    }

    // Without a selection the box shows a mode that no code stands for: nothing is sent.
    const int32_t mode = NetworkType.listIndex();
    if (mode >= 0 && nicapi_.VBSetWLNetworkType(AdapterInfo, mode) != -1) {
        gCurSettings.NetworkType = mode;
        RegWriteString(key + "NetworkType", std::to_string(mode));
    }
    // The box follows the mode now in force.
    enableChannelFor(gCurSettings.NetworkType);

    const int32_t powerSaving = CombConfPSMode.listIndex();
    if (powerSaving >= 0 && nicapi_.VBSetWLPSMode(AdapterInfo, powerSaving == 0 ? 0 : -1) == 0) {
        gCurSettings.PSMode = powerSaving;
        RegWriteString(key + "PowerSaveMode", std::to_string(powerSaving));
    }

    std::string ssid = trimBlanks(SetSSID.text());
    if (upperCase(ssid) == "ANY") ssid.clear();
    if (nicapi_.VBSetWLSSID(AdapterInfo, ssid.c_str()) == 0) {
        gCurSettings.SSID = ssid;  // cut to the field's 32 characters
        RegWriteString(key + "SSID", gCurSettings.SSID.trimmed());
    }

    nicapi_.VBSetWLRestartNIC(AdapterInfo);
}

void Velto::cmdConfApply_Click() {
    ActiveProfileLink = readUtilityNumber("DefaultProfileLink");
    if (ActiveProfileLink > 0) {
        Profilename.setText(RegReadValue(utilityValuePath(profileLinkName(ActiveProfileLink))));
    }
    ApplyConfiguration();
    const std::string profile = Profilename.text();
    if (!trimBlanks(profile).empty()) {
        writeProfileText(profile, "SSID", gCurSettings.SSID.trimmed());
        writeProfileNumber(profile, "Channel", gCurSettings.Channel);
        writeProfileNumber(profile, "NetworkType", gCurSettings.NetworkType);
        writeProfileNumber(profile, "PSMode", gCurSettings.PSMode);
        writeProfileNumber(profile, "TxRate", gCurSettings.TxRate);
    }
    if (ActiveProfileLink > 0) Profilename.selectIfListed(ActiveProfileLink - 1);
    cmdConfUndo.setEnabled(false);
    cmdConfApply.setEnabled(false);
}

void Velto::cmdConfUndo_Click() {
    SSTab1_Click(0);
}

void Velto::cmdConfRestore_Click() {
    NetworkType.selectIfListed(gDefSettings.NetworkType);
    const std::string ssid = gDefSettings.SSID.trimmed();
    SetSSID.setText(ssid.empty() ? "Any" : ssid);
    TxRate.selectIfListed(ratePosition(gDefSettings.TxRate));
    selectChannel(gDefSettings.Channel);
    enableChannelFor(gCurSettings.NetworkType);
    CombConfPSMode.selectIfListed(gDefSettings.PSMode);
    configurationChanged();
}

void Velto::LoadProfileConfiguration() {
    const std::string profile = Profilename.text();
    if (trimBlanks(profile).empty()) return;
    loadConfigurationFrom(profile);
}

void Velto::loadConfigurationFrom(const std::string& profile) {
    gCurSettings.SSID = readProfileText(profile, "SSID");
    showConfiguredSsid();
    // Values with no position leave their list as it is.
    gCurSettings.NetworkType = readProfileNumber(profile, "NetworkType");
    NetworkType.selectIfListed(gCurSettings.NetworkType);
    gCurSettings.TxRate = readProfileNumber(profile, "TxRate");
    TxRate.selectIfListed(ratePosition(gCurSettings.TxRate));
    gCurSettings.Channel = readProfileNumber(profile, "Channel");
    selectChannel(gCurSettings.Channel);
    enableChannelFor(gCurSettings.NetworkType);
    gCurSettings.PSMode = readProfileNumber(profile, "PSMode");
    CombConfPSMode.selectIfListed(gCurSettings.PSMode);
}

void Velto::configurationChanged() {
    cmdConfUndo.setEnabled(true);
    cmdConfApply.setEnabled(true);
}

void Velto::NetworkType_Click() {
    configurationChanged();
    Channel.setEnabled(NetworkType.listIndex() != 1);
}

void Velto::Channel_Click() {
    configurationChanged();
}

void Velto::TxRate_Click() {
    configurationChanged();
}

void Velto::CombConfPSMode_Click() {
    configurationChanged();
}

void Velto::SetSSID_Change() {
    configurationChanged();
}

}  // namespace netpanel
