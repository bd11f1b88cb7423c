// The services the window model asks of its host: message boxes, the tray icon, the popup
// menu, help, the wait cursor, ending the program, the single-instance rule and the clock.
// The Qt view provides them for real; tests provide fakes with scripted answers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/delay.h"
#include "ui/controls.h"

namespace netpanel::ui {

// The tray icon record, laid out as the utility has always passed it (88 bytes).
struct NotifyIconData {
    uint32_t cbSize;
    uint32_t hWnd;
    uint32_t uID;
    uint32_t uFlags;
    uint32_t uCallbackMessage;
    uint32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconData) == 88, "the tray record is 88 bytes");

// Tray icon messages.
constexpr uint32_t NIM_ADD = 0;
constexpr uint32_t NIM_MODIFY = 1;
constexpr uint32_t NIM_DELETE = 2;
// Which fields of the record are valid (uFlags).
constexpr uint32_t NIF_MESSAGE = 1;
constexpr uint32_t NIF_ICON = 2;
constexpr uint32_t NIF_TIP = 4;

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgResult { OK = 1, Cancel = 2, Yes = 6, No = 7 };

class Host {
public:
    virtual ~Host() = default;

    virtual MsgResult messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    virtual void beep() = 0;
    // Adds, changes or removes the tray icon; false when the tray refused.
    virtual bool shellNotifyIcon(uint32_t message, const NotifyIconData& data) = 0;
    // Shows the menu at the mouse position; returns after the choice (the item's Click has run).
    virtual void popupMenu(Menu& menu) = 0;
    // Opens the help page of `topic` (a tab's page, such as "link-info") of the help file; an
    // empty or unknown topic opens the contents.
    virtual void showHelp(const std::string& helpFile, const std::string& topic) = 0;
    virtual void setWaitCursor(bool wait) = 0;
    virtual void endProgram() = 0;
    // True when another copy of the program runs on this desktop.
    virtual bool anotherInstanceRuns() = 0;
    virtual netpanel::Clock& clock() = 0;
};

}  // namespace netpanel::ui
