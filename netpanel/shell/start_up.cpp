// Start-up and the current adapter: the single-instance rule, KvConfig.ini, the adapter tables,
// opening the selected adapter and reading its live settings and channel plan.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "platform/adapter_information.h"
#include "platform/byte_to_hex.h"
#include "platform/delay.h"
#include "platform/registry_handles.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "shell/adapter_list.h"
#include "shell/channel_plan.h"
#include "shell/messages.h"
#include "shell/ssid_buffer.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int32_t kOsWithWirelessService = 7;
constexpr int32_t kEepromId = 0x1201;

// Where the EEPROM image of an adapter keeps its first record, how long it is, and its kind.
struct EepromGeometry {
    int firstRecord;
    int length;
    int32_t kind;
};

EepromGeometry eepromGeometry(const std::string& hardwareId) {
    if (hardwareId.starts_with("USB")) return {0x700, 2048, 3};
    if (hardwareId.starts_with("PCMCIA")) return {0x100, 512, 1};
    return {0x100, 512, 2};
}

// The highest rate of a rate mask, as TxRateStatus shows it; empty for other masks.
std::string highestRate(int32_t mask) {
    if (mask == 1) return "1";
    if (mask >= 2 && mask <= 3) return "2";
    if (mask >= 4 && mask <= 7) return "5.5";
    if (mask >= 8 && mask <= 15) return "11";
    return {};
}

}  // namespace

bool Velto::isWindows95() {
    return nicapi_.VBQueryWLIsWindows95() == 1;
}

std::string Velto::hardwareId(bool windows95, const WLAdapterInfo& adapter) {
    return upperCase(RegReadValue(matchingDeviceIdPath(windows95, adapter)));
}

bool Velto::Form_Initialize() {
    if (host_.anotherInstanceRuns()) {
        host_.beep();
        host_.messageBox(kAlreadyRunning, kMessageTitle, ui::MsgIcon::Question, ui::MsgButtons::OK);
        End();
        return false;
    }
    setStartValues();
    if (!readAdapterInformationFile()) {
        End();
        return false;
    }
    AdapterSlots[21] = static_cast<int16_t>(CreateAdapterList(nicapi_, Adapters));
    matchSupportedAdapters();
    return true;
}

bool Velto::readAdapterInformationFile() {
    const std::string path = programDir_ + "/KvConfig.ini";
    std::ifstream file;
    if (std::filesystem::exists(path)) file.open(path, std::ios::binary);
    if (!file.is_open()) {
        host_.beep();
        host_.beep();
        host_.messageBox(kConfigMissing, kMessageTitle, ui::MsgIcon::Question, ui::MsgButtons::OK);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    auto result = readAdapterInformation(text.str(), path);
    if (const auto* error = std::get_if<std::string>(&result)) {
        host_.messageBox(*error, kMessageTitle, ui::MsgIcon::Critical, ui::MsgButtons::OK);
        return false;
    }
    const auto& information = std::get<AdapterInformation>(result);
    SignalStrengthMax = information.signalStrengthMax;
    SignalStrengthMin = information.signalStrengthMin;
    CommunicationQualityMax = information.communicationQualityMax;
    CommunicationQualityMin = information.communicationQualityMin;
    for (const std::string& id : information.matchingDeviceIds) {
        if (MatchingDeviceIdNext > 10) break;
        MatchingDeviceIds[MatchingDeviceIdNext++] = id;
    }
    return true;
}

void Velto::matchSupportedAdapters() {
    const bool windows95 = isWindows95();
    const int listed = std::clamp<int>(AdapterSlots[21], 0, 10);
    int16_t found = 0;
    for (int i = 1; i <= listed; ++i) {
        const std::string id = hardwareId(windows95, adapterFromEntry(Adapters[i]));
        if (id.empty()) continue;  // a missing value matches nothing
        for (int k = 1; k < MatchingDeviceIdNext; ++k) {
            if (id == MatchingDeviceIds[k]) {
                ++found;
                AdapterSlots[found] = static_cast<int16_t>(i);
                AdapterSlots[found + 10] = static_cast<int16_t>(i);
                break;
            }
        }
    }
    AdapterSlots[22] = found;
}

void Velto::Form_Load() {
    if (AdapterSlots[22] > 0) {
        AllAdapterCount = static_cast<int16_t>(CreateAllAdapterList(nicapi_, AllAdapters));
        for (int n = 1; n <= AdapterSlots[22]; ++n) {
            AdapterList.addItem(fieldText(Adapters[AdapterSlots[n]].AdapterDescription));
        }
        AdapterList.setListIndex(0);  // opens the adapter (AdapterList_Click)
        seedDriverKey();
        takeUpProfiles();
        TrayAdd();
    } else {
        DetectCardOnTimer.setEnabled(true);
        Timer3.setEnabled(false);
        setWaitingForCard(true);
    }
    cmdConfApply.setEnabled(false);
    cmdSecApply.setEnabled(false);
    cmdAdvApply.setEnabled(false);
    StateFlags[UpdatingUi] = 0;
    HelpFile = programDir_ + "/UHelp.chm";
    hide();
    Timer1.setEnabled(false);
    SubmitSecurity.setEnabled(false);
    setCaption(kWindowTitle);
}

void Velto::seedDriverKey() {
    const bool windows95 = isWindows95();
    const std::string key = driverKey(windows95, AdapterInfo);
    const std::string relative = driverKeyRelative(windows95, AdapterInfo);
    for (int k = 1; k <= 4; ++k) {
        const std::string name = "Key" + std::to_string(k);
        if (CheckRegValue(HKEY_LOCAL_MACHINE, relative + "\\Keys", name) != 0) {
            RegWriteString(key + "Keys\\" + name, "");
        }
    }
    if (CheckRegValue(HKEY_LOCAL_MACHINE, relative, "Preamble") != 0) {
        RegWriteString(key + "Preamble", "3");
    }
}

void Velto::takeUpProfiles() {
    LoadProfileList();
    SelectDefaultProfile();
    settleWirelessService();
    if (isWindows95()) {
        DelayMs(host_.clock(), 5000);
        ApplyConfiguration();
    }
}

void Velto::settleWirelessService() {
    if (nicapi_.VBKvGetOSVersion() != kOsWithWirelessService) {
        CmdConfActivate_Click();
        return;
    }
    if (nicapi_.VBQueryWLCheckWZCStatus(AdapterInfo) != 0) {
        // The system's service keeps the adapter; the utility runs restricted.
        WzcActive = true;
        nicapi_.VBSetWLDisableWirelessZeroConfiguration(AdapterInfo, 0);
        restrictForService(true);
    } else {
        // A card inserted after a restricted one finds the tabs unavailable still.
        WzcActive = false;
        restrictForService(false);
        nicapi_.VBSetWLDisableWirelessZeroConfiguration(AdapterInfo, 1);
        CmdConfActivate_Click();
    }
}

void Velto::AdapterList_Click() {
    const int position = AdapterList.listIndex();
    if (position < 0 || position >= 10) return;
    const int entry = AdapterSlots[position + 1];
    if (entry < 1 || entry > 10) return;
    if (StateFlags[AdapterOpen] == 1) {
        // The adapter this one replaces is closed first: its handle would stay open for good.
        Nicapi::resetCallFields(AdapterInfo);
        nicapi_.VBKvCloseAdapter(AdapterInfo);
    }
    AdapterInfo = adapterFromEntry(Adapters[entry]);
    if (!openCurrentAdapter()) return;
    StateFlags[AdapterOpen] = 1;
    DisplayUnit.setEnabled(true);
    showAdapterSettings();
    buildChannelList();
    Timer1.setEnabled(true);
    Timer2.setEnabled(true);
    DetectCardOffTimer.setEnabled(true);
}

bool Velto::openCurrentAdapter() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        AdapterInfo.AdapterHandle = -1;
        if (nicapi_.VBKvOpenAdapter(AdapterInfo) == 1) return true;
        Nicapi::resetCallFields(AdapterInfo);
        nicapi_.VBKvCloseAdapter(AdapterInfo);
    }
    return false;
}

void Velto::showAdapterSettings() {
    const int32_t channel = nicapi_.VBQueryWLChannel(AdapterInfo);
    if (channel != -1) ChannelStatus.setText(std::to_string(channel));

    const std::string rate = highestRate(nicapi_.VBQueryWLTxRateControl(AdapterInfo));
    if (!rate.empty()) TxRateStatus.setText(rate);

    SsidBuffer ssid{};
    if (nicapi_.VBQueryWLSSID(AdapterInfo, ssid.data()) == 0) {
        SSIDStatus.setText(configuredSsidText(ssid));
    }

    std::array<uint8_t, 6> mac{};
    nicapi_.VBGetNICAdapterMAC(AdapterInfo, mac.data());
    std::string macText;
    for (uint8_t byte : mac)
        macText += (macText.empty() ? "" : ":") + ByteToHex(byte);
    MACStatus.setText(macText);

    showFrameCounts();

    // The adapter's own preamble is no change of the user's on the Advanced tab.
    const int32_t preamble = nicapi_.VBQueryWLPreambleMode(AdapterInfo);
    const int16_t updating = StateFlags[UpdatingUi];
    StateFlags[UpdatingUi] = 1;
    Preamble.selectIfListed(preamble - 1);
    StateFlags[UpdatingUi] = updating;

    const int32_t authentication = nicapi_.VBQueryWLAuthenticationMode(AdapterInfo);
    if (authentication != -1) gDefSettings.AuthenticationMode = authentication;
}

void Velto::buildChannelList() {
    const EepromGeometry geometry = eepromGeometry(hardwareId(isWindows95(), AdapterInfo));
    nicapi_.VBWLReadEEPROM(AdapterInfo, kEepromId, geometry.kind, EepromImage.data(),
                           geometry.length);
    const ChannelPlan plan = findChannelPlan(EepromImage, geometry.firstRecord, geometry.length);
    Channel.clear();
    ChannelMap.fill(0);
    int position = 0;
    for (int channel : allowedChannels(plan)) {
        Channel.addItem("Ch" + std::to_string(channel));
        ChannelMap[++position] = channel;
    }
}

}  // namespace netpanel
