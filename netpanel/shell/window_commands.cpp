// The window's own commands: tab changes, "About", "Cancel", "Exit" and the close box.
#include "platform/delay.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int32_t kOsWithWirelessService = 7;

}  // namespace

void Velto::SSTab1_Click(int /*previousTab*/) {
    Nicapi::resetCallFields(AdapterInfo);
    reselectActiveProfile();
    cmdConfRemove.setEnabled(trimBlanks(Profilename.text()) != "Default");

    const int tab = SSTab1.tab();
    if (tab <= 2) gnSurveyJoined = 0;
    // Tabs 1, 3 and 4 show the profile named in the box; an empty name reads nothing.
    const std::string profile = Profilename.text();
    const bool named = !trimBlanks(profile).empty();
    if (tab == 1) {
        if (named) loadConfigurationFrom(profile);
        cmdConfUndo.setEnabled(false);
        cmdConfApply.setEnabled(false);
    } else if (tab == 3) {
        if (named) loadSecurityFrom(profile);
        disable8021x();
        cmdSecUndo.setEnabled(false);
        cmdSecApply.setEnabled(false);
    } else if (tab == 4) {
        if (named) loadAdvancedFrom(profile);
        cmdAdvUndo.setEnabled(false);
        cmdAdvApply.setEnabled(false);
    }
    showTabExtras(tab);
}

void Velto::AboutA_Click() {
    SSTab1.setTab(5);
    show();
}

void Velto::Command4_Click() {
    hide();
}

void Velto::Exitprg_Click() {
    if (nicapi_.VBKvGetOSVersion() == kOsWithWirelessService) {
        // Give the adapter back to the system's wireless service.
        nicapi_.VBSetWLDisableWirelessZeroConfiguration(AdapterInfo, 0);
    }
    nicapi_.VBKvCloseAdapter(AdapterInfo);
    TrayRemove();
    DelayMs(host_.clock(), 1000);
    End();
}

bool Velto::Form_QueryUnload(int unloadMode) {
    if (unloadMode != kFormControlMenu) return false;
    // The close box only hides the window: the program keeps running in the tray.
    hide();
    if (StateFlags[AdapterOpen] == 1) {
        Timer1.setEnabled(false);
        Timer2.setEnabled(true);
    }
    return true;
}

}  // namespace netpanel
