// Connects the events of the window's controls and timers to their handlers. Once the program
// ended, no handler runs any more.
#include "shell/velto.h"

namespace netpanel {

void Velto::wire() {
    auto to = [this](void (Velto::*handler)()) {
        return [this, handler] {
            if (!ended_) (this->*handler)();
        };
    };

    QueryUnload = [this](int unloadMode) { return !ended_ && Form_QueryUnload(unloadMode); };

    Timer1.Tick = to(&Velto::Timer1_Timer);
    Timer2.Tick = to(&Velto::Timer2_Timer);

    // Card presence
    DetectCardOffTimer.Tick = to(&Velto::DetectCardOffTimer_Timer);
    DetectCardOnTimer.Tick = to(&Velto::DetectCardOnTimer_Timer);

    AdapterList.Click = to(&Velto::AdapterList_Click);
    DisplayUnit.Click = to(&Velto::DisplayUnit_Click);
    CmdInfoScan.Click = to(&Velto::CmdInfoScan_Click);

    Picture1.MouseMove = [this](int button, int shift, float x, float y) {
        if (!ended_) Picture1_MouseMove(button, shift, x, y);
    };
    SSTab1.Click = [this](int previousTab) {
        if (!ended_) SSTab1_Click(previousTab);
    };
    Exitprg.Click = to(&Velto::exitCommand);
    AboutA.Click = to(&Velto::AboutA_Click);
    Command4.Click = to(&Velto::Command4_Click);

    NetworkType.Click = to(&Velto::NetworkType_Click);
    Channel.Click = to(&Velto::Channel_Click);
    TxRate.Click = to(&Velto::TxRate_Click);
    CombConfPSMode.Click = to(&Velto::CombConfPSMode_Click);
    SetSSID.Change = to(&Velto::SetSSID_Change);
    cmdConfApply.Click = to(&Velto::cmdConfApply_Click);
    cmdConfUndo.Click = to(&Velto::cmdConfUndo_Click);
    cmdConfRestore.Click = to(&Velto::cmdConfRestore_Click);

    Profilename.Change = to(&Velto::Profilename_Change);
    Profilename.Click = to(&Velto::Profilename_Click);
    cmdConfCreate.Click = to(&Velto::cmdConfCreate_Click);
    cmdConfRemove.Click = to(&Velto::cmdConfRemove_Click);
    CmdConfActivate.Click = to(&Velto::CmdConfActivate_Click);

    KeyLength.GotFocus = to(&Velto::KeyLength_GotFocus);
    KeyLength.Click = to(&Velto::KeyLength_Click);
    ASCIIOption.Click = to(&Velto::ASCIIOption_Click);
    HEXOption.Click = to(&Velto::HEXOption_Click);
    for (int n = 1; n <= 4; ++n) {
        defaultKey(n).Click = [this, n] {
            if (!ended_) DefaultKeyN_Click(n);
        };
        ui::TextBox& key = networkKey(n);
        key.GotFocus = [this, n] {
            if (!ended_) NetworkKeyN_GotFocus(n);
        };
        key.KeyDown = [this, n](int keyCode, int shift) {
            if (!ended_) NetworkKeyN_KeyDown(n, keyCode, shift);
        };
        key.Change = [this, n] {
            if (!ended_) NetworkKeyN_Change(n);
        };
    }
    Check802.Click = to(&Velto::Check802_Click);
    cmdSecApply.Click = to(&Velto::cmdSecApply_Click);
    cmdSecUndo.Click = to(&Velto::cmdSecUndo_Click);
    cmdSecRestore.Click = to(&Velto::cmdSecRestore_Click);

    SetFragment.Scroll = to(&Velto::SetFragment_Scroll);
    SetRTS_CTS.Scroll = to(&Velto::SetRTS_CTS_Scroll);
    Preamble.Click = to(&Velto::Preamble_Click);
    AuthMode.Click = to(&Velto::AuthMode_Click);
    cmdAdvApply.Click = to(&Velto::cmdAdvApply_Click);
    cmdAdvUndo.Click = to(&Velto::cmdAdvUndo_Click);
    cmdAdvRestore.Click = to(&Velto::cmdAdvRestore_Click);

    // Site survey
    Rescan.Click = to(&Velto::Rescan_Click);
    SiteSurveyListView.Click = to(&Velto::SiteSurveyListView_Click);
    SiteSurveyListView.DblClick = to(&Velto::SiteSurveyListView_DblClick);
    ConnectButton.Click = to(&Velto::ConnectButton_Click);
    ViewAvailableNetworkA.Click = to(&Velto::ViewAvailableNetworkA_Click);
    SSTab1.MouseUp = [this](int button, int shift, float x, float y) {
        if (!ended_) SSTab1_MouseUp(button, shift, x, y);
    };

    // "OK" and "Help"
    Submit.Click = to(&Velto::Submit_Click);
    HelpButton.Click = to(&Velto::HelpButton_Click);
}

}  // namespace netpanel
