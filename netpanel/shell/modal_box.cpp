// Message boxes that wait for an answer while the window's timers would otherwise go on.
//
// A view may keep its event loop running while a box is open (Qt does): the card detection and
// link timers would then fire in the middle of the handler that asked, close the adapter or
// change what the handler is about to use. The adapter timers stand still until the answer.
#include <array>

#include "shell/velto.h"

namespace netpanel {

ui::MsgResult Velto::askWithTimersHeld(const std::string& text, const std::string& title,
                                       ui::MsgIcon icon, ui::MsgButtons buttons) {
    const std::array<ui::Timer*, 4> held = {&Timer1, &Timer2, &DetectCardOffTimer,
                                            &DetectCardOnTimer};
    std::array<bool, 4> wasEnabled{};
    for (size_t i = 0; i < held.size(); ++i) {
        wasEnabled[i] = held[i]->enabled();
        held[i]->setEnabled(false);
    }
    const int16_t openBefore = StateFlags[AdapterOpen];
    const ui::MsgResult answer = host_.messageBox(text, title, icon, buttons);
    // Whatever ended the program, or opened or let go the adapter during the box, has set the
    // timers as the new state needs them.
    if (!ended_ && StateFlags[AdapterOpen] == openBefore) {
        for (size_t i = 0; i < held.size(); ++i)
            held[i]->setEnabled(wasEnabled[i]);
    }
    return answer;
}

}  // namespace netpanel
