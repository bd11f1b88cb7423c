// Card presence: every 5 seconds, while an adapter is open, whether the card still answers and
// whether the system's wireless service wants the adapter; while none is open, whether a
// supported card was plugged in.
//
// Without a card the utility stays in the tray with its not-connected icon, and its menu offers
// "Exit" (the other two entries are greyed): the person can see that it waits for a card and can
// end it. Nothing but the polling calls the adapter library then.
#include <algorithm>
#include <cstring>

#include "platform/delay.h"
#include "shell/adapter_list.h"
#include "shell/texts.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr int32_t kOsWithWirelessService = 7;
constexpr int32_t kServiceManages = 1;
constexpr int32_t kServiceLetGo = 0;
constexpr int kLinkInfoTab = 0;
constexpr std::array<int, 3> kServiceTabs = {1, 3, 4};

// A text field without leading and trailing blanks, NUL-padded to its size.
template <size_t N>
void trimField(char (&field)[N]) {
    const std::string trimmed = trimBlanks(fieldText(field));
    std::memset(field, 0, N);
    std::memcpy(field, trimmed.data(), std::min(trimmed.size(), N - 1));
}

}  // namespace

void Velto::DetectCardOffTimer_Timer() {
    if (nicapi_.VBQueryWLChannel(AdapterInfo) == -1) {
        letCardGo();
    } else {
        rebindSelectedAdapter();
    }
    followWirelessService();
}

void Velto::letCardGo() {
    hide();
    setWaitingForCard(true);
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    Nicapi::resetCallFields(AdapterInfo);
    nicapi_.VBKvCloseAdapter(AdapterInfo);
    AdapterInfo.AdapterHandle = -1;  // the record names no open adapter any more
    StateFlags[AdapterOpen] = 0;
    DetectCardOffTimer.setEnabled(false);
    DetectCardOnTimer.setEnabled(true);
}

// The adapter the person selected stays the current one; its old handle is closed before the
// new one is opened.
void Velto::rebindSelectedAdapter() {
    const int position = AdapterList.listIndex();
    const int found = std::clamp<int>(AdapterSlots[22], 0, 10);
    const int slot = position >= 0 && position < found ? position + 1 : 1;
    const int entry = AdapterSlots[slot];
    if (entry < 1 || entry > 10) return;
    Nicapi::resetCallFields(AdapterInfo);
    nicapi_.VBKvCloseAdapter(AdapterInfo);
    AdapterInfo = adapterFromEntry(Adapters[entry]);
    openCurrentAdapter();  // a card that fails both attempts is tried again at the next tick
}

void Velto::followWirelessService() {
    if (nicapi_.VBKvGetOSVersion() != kOsWithWirelessService) return;
    const int32_t status = nicapi_.VBQueryWLCheckWZCStatus(AdapterInfo);
    if (status == kServiceManages && !WzcActive) {
        WzcActive = true;
        restrictForService(true);
        nicapi_.VBSetWLDisableWirelessZeroConfiguration(AdapterInfo, 0);
    } else if (status == kServiceLetGo && WzcActive) {
        WzcActive = false;
        restrictForService(false);
        nicapi_.VBSetWLDisableWirelessZeroConfiguration(AdapterInfo, 1);
    }
}

void Velto::restrictForService(bool restricted) {
    if (restricted && std::ranges::find(kServiceTabs, SSTab1.tab()) != kServiceTabs.end()) {
        SSTab1.setTab(kLinkInfoTab);
    }
    for (int tab : kServiceTabs)
        SSTab1.setTabEnabled(tab, !restricted);
    CmdInfoScan.setEnabled(!restricted);
}

void Velto::DetectCardOnTimer_Timer() {
    if (!supportedCardAnswers()) return;
    if (!rebuildAdapters()) return;  // the polling goes on
    setWaitingForCard(false);
    TrayAdd();
    AdapterList.setListIndex(0);  // opens the adapter (AdapterList_Click)
    seedDriverKey();
    StateFlags[UpdatingUi] = 0;
    Timer1.setEnabled(false);
    DetectCardOnTimer.setEnabled(false);
    takeUpProfiles();
    cmdConfApply.setEnabled(false);
    cmdSecApply.setEnabled(false);
    cmdAdvApply.setEnabled(false);
    DetectCardOffTimer.setEnabled(true);
    DetectCardOnTimer.setEnabled(false);
    // The window stays hidden; the person opens it from the tray.
}

// The identifiers are compared upper-cased and without blanks at either end. The check only
// looks: each handle it opens is closed again, and the rebuild opens the adapter to keep.
bool Velto::supportedCardAnswers() {
    AllAdapterCount = static_cast<int16_t>(CreateAllAdapterList(nicapi_, AllAdapters));
    const bool windows95 = isWindows95();
    const int listed = std::clamp<int>(AllAdapterCount, 0, 50);
    bool found = false;
    for (int i = 1; i <= listed; ++i) {
        const std::string id = trimBlanks(hardwareId(windows95, adapterFromEntry(AllAdapters[i])));
        if (id.empty()) continue;  // a missing value matches nothing
        for (int k = 1; k < MatchingDeviceIdNext; ++k) {
            if (trimBlanks(upperCase(MatchingDeviceIds[k])) != id) continue;
            AdapterInfo = adapterFromEntry(AllAdapters[i]);
            trimField(AdapterInfo.AdapterName);
            trimField(AdapterInfo.AdapterDescription);
            trimField(AdapterInfo.InstanceId);
            if (nicapi_.VBKvOpenAdapter(AdapterInfo) == 1) {
                found = true;
                Nicapi::resetCallFields(AdapterInfo);
                nicapi_.VBKvCloseAdapter(AdapterInfo);
                AdapterInfo.AdapterHandle = -1;
                break;
            }
        }
    }
    return found;
}

bool Velto::rebuildAdapters() {
    Adapters.fill(AdapterListEntry{});
    AdapterSlots.fill(0);
    AdapterSlots[21] = static_cast<int16_t>(CreateAdapterList(nicapi_, Adapters));
    matchSupportedAdapters();
    if (AdapterSlots[22] == 0) return false;
    AdapterList.clear();
    for (int n = 1; n <= AdapterSlots[22]; ++n) {
        AdapterList.addItem(fieldText(Adapters[AdapterSlots[n]].AdapterDescription));
    }
    return true;
}

void Velto::setWaitingForCard(bool waiting) {
    waitingForCard_ = waiting;
    ViewAvailableNetworkA.setEnabled(!waiting);
    AboutA.setEnabled(!waiting);
    if (waiting) TraySetDisconnected();  // also brings the icon back if the tray lost it
}

void Velto::exitCommand() {
    if (StateFlags[AdapterOpen] == 1) {
        Exitprg_Click();
        return;
    }
    TrayRemove();
    DelayMs(host_.clock(), 1000);
    End();
}

}  // namespace netpanel
