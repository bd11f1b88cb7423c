// The Site Survey tab: searching for the networks the adapter hears, the list of them coloured by
// signal, and joining one of them ("Connect" or a double-click on its row).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/byte_to_hex.h"
#include "platform/delay.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "shell/messages.h"
#include "shell/rounding.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int kSurveyCapacity = 16;
constexpr int kSiteSurveyTab = 2;
constexpr int kSecurityTab = 3;
constexpr int kScanWaitMs = 5000;
constexpr int32_t kAllRates = 15;
constexpr int32_t kAutoPreamble = 3;

// The list's background: the system's button face while the rows are not a current search, the
// window colour while they are.
constexpr uint32_t kButtonFace = 0xF0F0F0;
constexpr uint32_t kWindowColor = 0xFFFFFF;

constexpr uint32_t kWeakRed = 0xFF0000;
constexpr uint32_t kFairBlue = 0x0000FF;
constexpr uint32_t kStrongGreen = 0x0AC832;  // RGB 10, 200, 50

constexpr const char* kJoinWepQuestion =
    "The Network Device included data encryption information.Are you sure connect to the "
    "device?";

// Zero-fills a buffer, asks the adapter for up to 16 networks and copies all 16 entries, used
// or not, into table[1..16]. The library's own result is not looked at: an empty or failed
// retrieval leaves zeros, whose channel is out of range.
int32_t RetrieveSurvey(Nicapi& nicapi, WLAdapterInfo& adapter, std::array<SurveyEntry, 17>& table,
                       int32_t& count) {
    SurveyBuffer buffer;
    std::memset(&buffer, 0, sizeof buffer);
    buffer.Count = kSurveyCapacity;
    nicapi.VBWLRetrieveSiteSurveyData(adapter, buffer, kSurveyCapacity);
    std::copy(std::begin(buffer.Entries), std::end(buffer.Entries), table.begin() + 1);
    count = buffer.Count;
    return 0;
}

// The channel of an entry's centre frequency (kHz): five MHz apart from 2412 MHz for channel 1,
// except 2484 MHz, which is channel 14.
int32_t FrequencyToChannel(const SurveyEntry& entry) {
    const auto c = static_cast<int32_t>(std::trunc((entry.DsConfig / 1000.0 - 2412.0) / 5.0));
    return c == 14 ? c : c + 1;
}

bool channelInRange(int32_t channel) {
    return channel >= 1 && channel <= 14;
}

// The SSID as the entry's own bytes: NULs and 8-bit characters stay, at most 32 of them.
std::string ssidOf(const SurveyEntry& entry) {
    const size_t length = std::min<size_t>(entry.SsidLength, sizeof entry.Ssid);
    return std::string(reinterpret_cast<const char*>(entry.Ssid), length);
}

std::string bssidOf(const SurveyEntry& entry) {
    std::string text;
    for (uint8_t byte : entry.MacAddress)
        text += (text.empty() ? "" : ":") + ByteToHex(byte);
    return text;
}

// The signal as a percentage of the calibrated range; a range of no width (limits missing from
// KvConfig.ini) shows 0.
int32_t signalPercent(int32_t rssi, int32_t min, int32_t max) {
    if (max <= min) return 0;
    const double share = (static_cast<double>(rssi) - min) / (static_cast<double>(max) - min);
    return std::clamp(roundHalfEven(share * 100.0), 0, 100);
}

uint32_t signalColor(int32_t percent) {
    if (percent <= 30) return kWeakRed;
    if (percent <= 65) return kFairBlue;
    return kStrongGreen;
}

}  // namespace

void Velto::Rescan_Click() {
    host_.setWaitCursor(true);
    SiteSurveyListView.setEnabled(false);
    SiteSurveyListView.setBackColor(kButtonFace);
    // Nothing may be joined from rows that are about to be replaced or turn stale.
    ConnectButton.setEnabled(false);

    nicapi_.VBWLSiteSurveyStart(AdapterInfo);
    DelayMs(host_.clock(), kScanWaitMs);

    std::array<SurveyEntry, 17> found{};
    int32_t count = 0;
    const int32_t result = RetrieveSurvey(nicapi_, AdapterInfo, found, count);
    count = std::clamp(count, 0, kSurveyCapacity);

    // A first entry without a channel means the search found nothing usable: the old rows stay,
    // with the entries they describe.
    if (result == 0 && channelInRange(FrequencyToChannel(found[1]))) {
        SurveyTable = found;
        showSurvey(count);
        SiteSurveyListView.setBackColor(kWindowColor);
        SiteSurveyListView.setEnabled(true);
    }

    host_.setWaitCursor(false);
    Rescan.setEnabled(true);
}

void Velto::showSurvey(int count) {
    SiteSurveyListView.clear();
    std::string wep;  // an unknown privacy value repeats the row before
    for (int i = 1; i <= count; ++i) {
        SurveyEntry& entry = SurveyTable[i];
        entry.Rssi = clampUpperFirst(entry.Rssi, SignalStrengthMin, SignalStrengthMax);
        const int32_t percent = signalPercent(entry.Rssi, SignalStrengthMin, SignalStrengthMax);

        if (entry.Privacy == 0) wep = "Disable";
        if (entry.Privacy == 1) wep = "Enable";
        const int row = SiteSurveyListView.addRow(
            {ssidOf(entry),
             {bssidOf(entry), " " + std::to_string(percent) + "%",
              " " + std::to_string(FrequencyToChannel(entry)), wep,
              entry.InfrastructureMode != 0 ? "Infrastructure" : "Ad-Hoc"},
             signalColor(percent)});
        SiteSurveyListView.setSelectedIndex(row);
    }
}

const SurveyEntry* Velto::joinableEntry() const {
    if (WzcActive || !SiteSurveyListView.enabled()) return nullptr;
    const int row = SiteSurveyListView.selectedIndex();
    if (row < 0 || row >= std::min<int>(kSurveyCapacity, SiteSurveyListView.rows().size())) {
        return nullptr;
    }
    const SurveyEntry& entry = SurveyTable[row + 1];
    return channelInRange(FrequencyToChannel(entry)) ? &entry : nullptr;
}

void Velto::SiteSurveyListView_Click() {
    if (WzcActive) return;
    ConnectButton.setEnabled(joinableEntry() != nullptr);
}

void Velto::SiteSurveyListView_DblClick() {
    if (WzcActive) return;
    ConnectButton_Click();
}

void Velto::ConnectButton_Click() {
    const SurveyEntry* selected = joinableEntry();
    if (selected != nullptr) {
        // A copy: whatever runs while the question is open cannot change what is joined.
        const SurveyEntry entry = *selected;
        const bool asked = entry.Privacy == 1;
        if (!asked || askWithTimersHeld(kJoinWepQuestion, kWindowTitle, ui::MsgIcon::Question,
                                        ui::MsgButtons::OKCancel) == ui::MsgResult::OK) {
            // The card may have gone, or the program ended, while the question was open.
            if (adapterStillOpen()) joinNetwork(entry);
        }
    }
    ConnectButton.setEnabled(false);
}

void Velto::joinNetwork(const SurveyEntry& entry) {
    const std::string key = driverKey(isWindows95(), AdapterInfo);
    const int32_t channel = FrequencyToChannel(entry);
    const auto mode = static_cast<int32_t>(entry.InfrastructureMode);
    const auto privacy = static_cast<int32_t>(entry.Privacy);

    // The driver key records what was asked for, whatever the adapter answered.
    const std::string ssid = ssidOf(entry);
    nicapi_.VBSetWLSSID(AdapterInfo, ssid.c_str());
    RegWriteString(key + "SSID", trimBlanks(ssid));
    nicapi_.VBSetWLChannel(AdapterInfo, channel);
    RegWriteString(key + "RFChannel", std::to_string(channel));
    nicapi_.VBSetWLTxRateControl(AdapterInfo, kAllRates);
    RegWriteString(key + "TxDataRate", std::to_string(kAllRates));
    nicapi_.VBSetWLNetworkType(AdapterInfo, mode);
    RegWriteString(key + "NetworkType", std::to_string(mode));
    const int32_t powerSaving = nicapi_.VBQueryWLPSMode(AdapterInfo);
    RegWriteString(key + "PowerSaveMode", std::to_string(powerSaving));
    nicapi_.VBSetWLWEPStatus(AdapterInfo, privacy);
    const int32_t preamble = nicapi_.VBSetWLPreambleMode(AdapterInfo, kAutoPreamble);
    StateFlags[UpdatingUi] = 1;

    auto enableKeyEntry = [this](bool enabled) {
        for (int n = 1; n <= 4; ++n) {
            defaultKey(n).setEnabled(enabled);
            networkKey(n).setEnabled(enabled);
        }
    };
    // The Security tab is prepared only when the adapter took the preamble.
    if (preamble == 0) {
        if (privacy == 1) {
            // 1 is 128-bit keys; anything else, a failed query too, is taken for 64-bit ones.
            const int keyLength = nicapi_.VBQueryWLWEPbit(AdapterInfo) == 1 ? 2 : 1;
            KeyLength.setListIndex(keyLength);
            gnSurveyJoined = 1;
            // Entering the tab reloads it from the profile: the network's key length wins.
            SSTab1.setTab(kSecurityTab);
            KeyLength.setListIndex(keyLength);
            AuthMode.setEnabled(true);
            enableKeyEntry(true);
        } else {
            KeyLength.setListIndex(0);
            enableKeyEntry(false);
        }
    }

    // With WEP the user enters the keys and applies them on the Security tab, which restarts.
    if (privacy != 0) {
        SubmitSecurity.setEnabled(true);
    } else {
        nicapi_.VBSetWLRestartNIC(AdapterInfo);
    }
    StateFlags[UpdatingUi] = 0;
    cmdConfApply.setEnabled(false);
    cmdAdvApply.setEnabled(false);
}

void Velto::ViewAvailableNetworkA_Click() {
    SSTab1.setTab(kSiteSurveyTab);
    show();
}

void Velto::SSTab1_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
    if (SSTab1.tab() == kSiteSurveyTab && !SiteSurveyListView.enabled()) Rescan_Click();
}

}  // namespace netpanel
