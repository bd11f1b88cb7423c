// The tray icon: its record, the connected/not-connected icons, and its mouse messages.
#include <cmath>
#include <cstring>

#include "shell/messages.h"
#include "shell/velto.h"

namespace netpanel {
namespace {

constexpr uint32_t kMouseMove = 0x200;  // the tray's callback message
constexpr int kLeftDoubleClick = 515;
constexpr int kRightButtonDown = 516;

}  // namespace

void Velto::sendTrayRecord(uint32_t message, int icon) {
    ui::NotifyIconData data{};
    data.cbSize = sizeof data;
    data.hWnd = kPicture1Window;
    data.uID = 1;
    data.uFlags = ui::NIF_MESSAGE | ui::NIF_ICON | ui::NIF_TIP;
    data.uCallbackMessage = kMouseMove;
    data.hIcon = static_cast<uint32_t>(icon);
    // The tip, a NUL, then blanks to the end of the field.
    std::memset(data.szTip, ' ', sizeof data.szTip);
    const size_t length = std::strlen(kWindowTitle);
    std::memcpy(data.szTip, kWindowTitle, length);
    data.szTip[length] = '\0';
    host_.shellNotifyIcon(message, data);
}

void Velto::TrayAdd() {
    sendTrayRecord(ui::NIM_ADD, Picture2.icon());
}

// Adding first brings the icon back if the tray lost it; the modify then sets the icon.
void Velto::TraySetConnected() {
    sendTrayRecord(ui::NIM_ADD, Picture1.icon());
    sendTrayRecord(ui::NIM_MODIFY, Picture1.icon());
}

void Velto::TraySetDisconnected() {
    sendTrayRecord(ui::NIM_ADD, Picture2.icon());
    sendTrayRecord(ui::NIM_MODIFY, Picture2.icon());
}

void Velto::TrayRemove() {
    sendTrayRecord(ui::NIM_DELETE, Picture1.icon());
}

void Velto::Picture1_MouseMove(int /*button*/, int /*shift*/, float x, float /*y*/) {
    const auto message = static_cast<int>(std::nearbyint(x / twipsPerPixelX_));
    if (message == kLeftDoubleClick) {
        // Without a card there is nothing to show; the menu still offers "Exit".
        if (waitingForCard()) return;
        SSTab1.setTab(0);
        show();
        Timer1.setEnabled(true);
        show();
    } else if (message == kRightButtonDown) {
        host_.popupMenu(Menu);
    }
}

}  // namespace netpanel
