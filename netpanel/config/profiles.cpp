// Configuration profiles: the profile list, the active profile, creation, removal, and
// activation, which puts every stored setting into force on the adapter.
#include <algorithm>

#include "config/profile_store.h"
#include "config/value_codes.h"
#include "platform/delay.h"
#include "platform/registry_handles.h"
#include "platform/registry_paths.h"
#include "shell/messages.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

// More profiles than this are not listed: the count comes from the hive, which may be damaged.
constexpr int32_t kMaxProfiles = 1000;

// Waits after the first restart of an activation: a change of operating mode takes longer.
constexpr int32_t kSettleMs = 2000;
constexpr int32_t kModeChangeSettleMs = 10000;
constexpr int32_t kRestartSettleMs = 1000;

std::string readLinkedName(int32_t link) {
    return RegReadValue(utilityValuePath(profileLinkName(link)));
}

}  // namespace

void Velto::LoadProfileList() {
    ProfileCount = std::clamp(readUtilityNumber("ProfileLinkNumber"), 0, kMaxProfiles);
    Profilename.clear();
    for (int32_t link = 1; link <= ProfileCount; ++link)
        Profilename.addItem(readLinkedName(link));
}

void Velto::SelectDefaultProfile() {
    ActiveProfileLink = readUtilityNumber("DefaultProfileLink");
    if (Profilename.listCount() == 0) {
        // Only an empty list gets a new "Default", from the settings start-up read.
        Profilename.setText("Default");
        cmdConfCreate_Click();
        return;
    }
    reselectActiveProfile();
}

void Velto::reselectActiveProfile() {
    const int32_t link = readUtilityNumber("DefaultProfileLink");
    if (Profilename.listCount() == 0) return;
    // A link the list does not hold (an edited hive, a lost write) falls back to the first.
    Profilename.setListIndex(link >= 1 && link <= Profilename.listCount() ? link - 1 : 0);
}

std::optional<std::string> Velto::selectedProfile() const {
    const int position = Profilename.listIndex();
    if (position < 0 || Profilename.text() != Profilename.items()[position]) return std::nullopt;
    return Profilename.text();
}

void Velto::Profilename_Change() {
    // Remove and Activate for a stored name, Create for a new one.
    auto storedName = [this](bool stored) {
        cmdConfRemove.setEnabled(stored);
        cmdConfCreate.setEnabled(!stored);
        CmdConfActivate.setEnabled(stored);
    };
    const std::string& text = Profilename.text();
    if (text != "Default" && ProfileCount == 0) storedName(false);
    for (int32_t link = 1; link <= ProfileCount; ++link) {
        const bool stored = readLinkedName(link) == text;
        storedName(stored);
        if (stored) return;
    }
}

void Velto::Profilename_Click() {
    cmdConfCreate.setEnabled(false);
    CmdConfActivate.setEnabled(true);
    cmdConfRemove.setEnabled(Profilename.text() != "Default");
    LoadProfileConfiguration();
}

void Velto::cmdConfCreate_Click() {
    Timer1_Timer();  // refreshes gCurSettings.Channel from the adapter
    const std::string name = Profilename.text();
    if (name.empty()) return;
    if (const auto problem = profileNameProblem(name, profileNames())) {
        host_.messageBox(*problem, kMessageTitle, ui::MsgIcon::Exclamation, ui::MsgButtons::OK);
        return;
    }
    const auto& names = profileNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        // A new profile becomes the active one, although nothing reaches the adapter.
        Profilename.addItem(name);
        ProfileCount = Profilename.listCount();
        ActiveProfileLink = ProfileCount;
        RegWriteString(utilityValuePath("DefaultProfileLink"), blankNumber(ProfileCount));
        RegWriteString(utilityValuePath("ProfileLinkNumber"), blankNumber(ProfileCount));
        RegWriteString(utilityValuePath(profileLinkName(ProfileCount)), name);
    }
    writeProfile(name, gCurSettings);
    cmdConfRemove.setEnabled(true);
    cmdConfCreate.setEnabled(false);
    CmdConfActivate.setEnabled(false);
}

void Velto::cmdConfRemove_Click() {
    // The box's text must name the selected entry: the key deleted and the links moved are the
    // same profile's.
    const std::optional<std::string> name = selectedProfile();
    if (!name || name->empty()) return;
    const int position = Profilename.listIndex();
    const std::vector<std::string> names = profileNames();
    const auto oldCount = static_cast<int32_t>(names.size());
    ProfileCount = oldCount - 1;
    // A key that another listed name reaches too (names differing in case) stays.
    if (!keySharedWithAnother(names, position)) {
        DeleteKeyTree(HKEY_CURRENT_USER, profileKeyRelative(*name));
    }
    // The first profile becomes the active one; an empty list has none.
    ActiveProfileLink = ProfileCount > 0 ? 1 : 0;
    RegWriteString(utilityValuePath("DefaultProfileLink"), std::to_string(ActiveProfileLink));
    for (int32_t link = position + 1; link <= oldCount; ++link)
        RegDeletePath(utilityValuePath(profileLinkName(link)));
    for (int32_t link = position + 1; link <= ProfileCount; ++link)
        RegWriteString(utilityValuePath(profileLinkName(link)), names[link]);
    RegWriteString(utilityValuePath("ProfileLinkNumber"), blankNumber(ProfileCount));
    LoadProfileList();
    Profilename.selectIfListed(0);
}

void Velto::CmdConfActivate_Click() {
    CmdConfActivate.setEnabled(false);
    StateFlags[UpdatingUi] = 1;
    // The box's text must name the selected entry: the profile read is the one recorded active.
    const std::optional<std::string> profile = selectedProfile();
    if (!profile) {
        StateFlags[UpdatingUi] = 0;
        return;
    }
    host_.setWaitCursor(true);
    putProfileIntoForce(*profile);
    ActiveProfileLink = Profilename.listIndex() + 1;
    RegWriteString(utilityValuePath("DefaultProfileLink"), std::to_string(ActiveProfileLink));
    nicapi_.VBSetWLRestartNIC(AdapterInfo);
    host_.setWaitCursor(false);

    cmdConfUndo.setEnabled(false);
    cmdConfApply.setEnabled(false);
    cmdAdvApply.setEnabled(false);
    cmdSecApply.setEnabled(false);
    if (gCurSettings.KeyInUse >= 1 && gCurSettings.KeyInUse <= 4) {
        StateFlags[DefaultKeyNo] = static_cast<int16_t>(gCurSettings.KeyInUse);
    }
    StateFlags[UpdatingUi] = 0;
}

void Velto::putProfileIntoForce(const std::string& profile) {
    auto text = [&profile](const char* value) { return readProfileText(profile, value); };
    auto number = [&profile](const char* value) { return readProfileNumber(profile, value); };

    gCurSettings.SSID = text("SSID");
    if (nicapi_.VBSetWLSSID(AdapterInfo, gCurSettings.SSID.trimmed().c_str()) == 0) {
        showConfiguredSsid();
    }

    gCurSettings.NetworkType = number("NetworkType");
    const bool modeChanges = gCurSettings.NetworkType != nicapi_.VBQueryWLNetworkType(AdapterInfo);
    if (nicapi_.VBSetWLNetworkType(AdapterInfo, gCurSettings.NetworkType) != -1) {
        NetworkType.selectIfListed(gCurSettings.NetworkType);
    }

    gCurSettings.TxRate = number("TxRate");
    if (nicapi_.VBSetWLTxRateControl(AdapterInfo, gCurSettings.TxRate) != -1) {
        TxRate.selectIfListed(ratePosition(gCurSettings.TxRate));
    }

    gCurSettings.Channel = number("Channel");
    selectChannel(gCurSettings.Channel);
    nicapi_.VBSetWLChannel(AdapterInfo, gCurSettings.Channel);
    enableChannelFor(gCurSettings.NetworkType);

    gCurSettings.PSMode = number("PSMode");
    if (nicapi_.VBSetWLPSMode(AdapterInfo, gCurSettings.PSMode == 0 ? 0 : -1) == 0) {
        CombConfPSMode.selectIfListed(gCurSettings.PSMode);
    }

    nicapi_.VBSetWLRestartNIC(AdapterInfo);
    DelayMs(host_.clock(), modeChanges ? kModeChangeSettleMs : kSettleMs);

    gCurSettings.KeyLength = number("KeyLength");
    KeyLength.selectIfListed(gCurSettings.KeyLength);
    gCurSettings.KeyType = number("KeyType");
    (gCurSettings.KeyType != 0 ? ASCIIOption : HEXOption).setValue(true);
    gCurSettings.KeyMaxLength = number("KeyMaxLength");
    const auto keys = gCurSettings.networkKeys();
    for (int k = 0; k < 4; ++k) {
        *keys[k] = text(("NetworkKey" + std::to_string(k + 1)).c_str());
        gstrKeyCache[k] = keys[k]->trimmed();
    }
    gCurSettings.KeyInUse = number("KeyInUse");
    if (gCurSettings.KeyLength == 0) {
        nicapi_.VBSetWLWEPStatus(AdapterInfo, 0);
    } else {
        nicapi_.VBSetWLWEPStatus(AdapterInfo, 1);
        nicapi_.VBSetWLWEPbit(AdapterInfo, gCurSettings.KeyLength == 1 ? 0 : 1);
        if (gCurSettings.KeyInUse != 0) {
            writeWepKeys(
                {keys[0]->trimmed(), keys[1]->trimmed(), keys[2]->trimmed(), keys[3]->trimmed()},
                gCurSettings.KeyInUse);
        }
    }

    gCurSettings.Ieee8021x = number("Ieee8021x");
    gCurSettings.SecurityProfileName = text("SecurityProfileName");
    nicapi_.VBSetWLRestartNIC(AdapterInfo);
    DelayMs(host_.clock(), kRestartSettleMs);

    gCurSettings.FragmentThreshold = number("FragmentThreshold");
    if (nicapi_.VBSetWLFragmentationThreshold(AdapterInfo, gCurSettings.FragmentThreshold) != -1) {
        showFragmentThreshold(gCurSettings.FragmentThreshold);
    }
    gCurSettings.RTSCTSThreshold = number("RTSCTSThreshold");
    if (nicapi_.VBSetWLRTSCTSThreshold(AdapterInfo, gCurSettings.RTSCTSThreshold) != -1) {
        showRtsCtsThreshold(gCurSettings.RTSCTSThreshold);
    }

    gCurSettings.AuthenticationMode = number("Authentication Mode");
    if (wepOn() &&
        nicapi_.VBSetWLAuthenticationMode(AdapterInfo, gCurSettings.AuthenticationMode) == 0) {
        AuthMode.selectIfListed(gCurSettings.AuthenticationMode - 1);
    }
    gCurSettings.Preamble = number("Pramble");
    if (nicapi_.VBSetWLPreambleMode(AdapterInfo, gCurSettings.Preamble) != -1) {
        Preamble.selectIfListed(gCurSettings.Preamble - 1);
    }
}

}  // namespace netpanel
