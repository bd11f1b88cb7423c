// The window's own commands: tab changes, "About", "Cancel", "Exit" and the close box.
#include "platform/delay.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int32_t kOsWithWirelessService = 7;

}  // namespace

void Velto::SSTab1_Click(int /*previousTab*/) {
    // The adapter's call fields start fresh for the tab entered; reloading what each tab shows
    // (profile values, versions) joins here with those tabs.
    Nicapi::resetCallFields(AdapterInfo);
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
