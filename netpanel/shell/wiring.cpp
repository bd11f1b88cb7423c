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

    AdapterList.Click = to(&Velto::AdapterList_Click);
    DisplayUnit.Click = to(&Velto::DisplayUnit_Click);
    CmdInfoScan.Click = to(&Velto::CmdInfoScan_Click);

    Picture1.MouseMove = [this](int button, int shift, float x, float y) {
        if (!ended_) Picture1_MouseMove(button, shift, x, y);
    };
    SSTab1.Click = [this](int previousTab) {
        if (!ended_) SSTab1_Click(previousTab);
    };
    Exitprg.Click = to(&Velto::Exitprg_Click);
    AboutA.Click = to(&Velto::AboutA_Click);
    Command4.Click = to(&Velto::Command4_Click);

    cmdConfCreate.Click = to(&Velto::cmdConfCreate_Click);
    CmdConfActivate.Click = to(&Velto::CmdConfActivate_Click);
}

}  // namespace netpanel
