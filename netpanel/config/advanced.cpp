// The Advanced tab: the fragmentation and RTS/CTS thresholds, the preamble and the
// authentication type, their apply to the adapter, its driver key and the profile.
#include <algorithm>

#include "config/profile_store.h"
#include "config/value_codes.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

// The title of a threshold slider: "(Disabled)" at 2305, else the name and a blank.
void showTitle(const ui::Slider& slider, ui::Label& title, ui::Label& number,
               const std::string& name) {
    title.setCaption(slider.value() == kThresholdDisabled ? name + " (Disabled)" : name + " ");
    number.setCaption(std::to_string(slider.value()));
}

}  // namespace

void Velto::showThresholdTitles() {
    showTitle(SetFragment, lblFragmentTitle, lblFragment, "Fragmentation Threshold");
    showTitle(SetRTS_CTS, lblCTSRTSTitle, lblRTS_CTS, "RTS/CTS Threshold");
}

// Stored values outside a slider's range move the slider to its end; the stored value stays.
void Velto::showFragmentThreshold(int32_t value) {
    SetFragment.setValue(std::clamp(value, SetFragment.min(), SetFragment.max()));
    showThresholdTitles();
}

void Velto::showRtsCtsThreshold(int32_t value) {
    SetRTS_CTS.setValue(std::clamp(value, SetRTS_CTS.min(), SetRTS_CTS.max()));
    showThresholdTitles();
}

void Velto::loadAdvancedFrom(const std::string& profile) {
    gCurSettings.FragmentThreshold = readProfileNumber(profile, "FragmentThreshold");
    showFragmentThreshold(gCurSettings.FragmentThreshold);
    gCurSettings.RTSCTSThreshold = readProfileNumber(profile, "RTSCTSThreshold");
    showRtsCtsThreshold(gCurSettings.RTSCTSThreshold);
    gCurSettings.AuthenticationMode = readProfileNumber(profile, "Authentication Mode");
    AuthMode.selectIfListed(gCurSettings.AuthenticationMode - 1);
    gCurSettings.Preamble = readProfileNumber(profile, "Pramble");
    Preamble.selectIfListed(gCurSettings.Preamble - 1);
    // The authentication type matters only with WEP on.
    AuthMode.setEnabled(readProfileNumber(profile, "KeyLength") >= 1);
}

void Velto::cmdAdvApply_Click() {
    const std::string key = driverKey(isWindows95(), AdapterInfo);

    const int32_t fragment = SetFragment.value();
    if (nicapi_.VBSetWLFragmentationThreshold(AdapterInfo, fragment) != -1) {
        gCurSettings.FragmentThreshold = fragment;
        RegWriteString(key + "FragmentThreshold", std::to_string(fragment));
    }
    const int32_t rtsCts = SetRTS_CTS.value();
    if (nicapi_.VBSetWLRTSCTSThreshold(AdapterInfo, rtsCts) != -1) {
        gCurSettings.RTSCTSThreshold = rtsCts;
        RegWriteString(key + "RTSCTSThreshold", std::to_string(rtsCts));
    }
    // Positions without a selection have no code: nothing is sent for them.
    const int32_t authentication = AuthMode.listIndex() + 1;
    if (wepOn() && authentication >= 1 &&
        nicapi_.VBSetWLAuthenticationMode(AdapterInfo, authentication) == 0) {
        gCurSettings.AuthenticationMode = authentication;
        RegWriteString(key + "AuthentMode", std::to_string(authentication));
    }
    const int32_t preamble = Preamble.listIndex() + 1;
    if (preamble >= 1 && nicapi_.VBSetWLPreambleMode(AdapterInfo, preamble) != -1) {
        gCurSettings.Preamble = preamble;
        RegWriteString(key + "Preamble", std::to_string(preamble));
    }
    nicapi_.VBSetWLRestartNIC(AdapterInfo);

    // The profile gets all four, whatever the adapter took.
    const std::string profile = Profilename.text();
    if (!trimBlanks(profile).empty()) {
        writeProfileNumber(profile, "FragmentThreshold", gCurSettings.FragmentThreshold);
        writeProfileNumber(profile, "RTSCTSThreshold", gCurSettings.RTSCTSThreshold);
        writeProfileNumber(profile, "Authentication Mode", gCurSettings.AuthenticationMode);
        writeProfileNumber(profile, "Pramble", gCurSettings.Preamble);
    }
    cmdAdvUndo.setEnabled(false);
    cmdAdvApply.setEnabled(false);
}

void Velto::cmdAdvUndo_Click() {
    SSTab1_Click(0);
}

void Velto::cmdAdvRestore_Click() {
    showFragmentThreshold(gDefSettings.FragmentThreshold);
    showRtsCtsThreshold(gDefSettings.RTSCTSThreshold);
    AuthMode.selectIfListed(gDefSettings.AuthenticationMode - 1);
    Preamble.selectIfListed(gDefSettings.Preamble - 1);
    advancedChanged();
}

void Velto::advancedChanged() {
    cmdAdvUndo.setEnabled(true);
    cmdAdvApply.setEnabled(true);
}

void Velto::SetFragment_Scroll() {
    showThresholdTitles();
    advancedChanged();
}

void Velto::SetRTS_CTS_Scroll() {
    showThresholdTitles();
    advancedChanged();
}

// The program's own selections (an adapter's reported preamble, a profile's values) are no
// change of the user's.
void Velto::Preamble_Click() {
    if (StateFlags[UpdatingUi] == 0) advancedChanged();
}

void Velto::AuthMode_Click() {
    if (StateFlags[UpdatingUi] == 0) advancedChanged();
}

}  // namespace netpanel
