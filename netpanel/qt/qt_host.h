// The host services of the window model, for real: Qt message boxes, the system tray, the popup
// menu at the mouse, the HTML help, the wait cursor, the event loop's end, the single-instance
// lock and the system clock.
#pragma once

#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "platform/delay.h"
#include "qt/tray_icon.h"
#include "ui/host.h"
#include "ui/single_instance.h"

class QWidget;

namespace netpanel::qt {

class QtHost : public ui::Host {
public:
    // Interactive: message boxes wait for the person. Headless (a platform without a screen):
    // each message goes to stderr and is answered at once as if dismissed: OK for a lone OK,
    // otherwise Cancel, or No without a Cancel button.
    enum class Dialogs { Interactive, Headless };
    explicit QtHost(Dialogs dialogs = Dialogs::Interactive);
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // Headless for the offscreen and minimal platforms, else Interactive.
    static Dialogs dialogsForPlatform();
    // The desktop the single-instance rule applies to: $DISPLAY, else $WAYLAND_DISPLAY, else the
    // platform's name.
    static std::string displayName();

    ui::MsgResult messageBox(const std::string& text, const std::string& title, ui::MsgIcon icon,
                             ui::MsgButtons buttons) override;
    void beep() override;
    bool shellNotifyIcon(uint32_t message, const ui::NotifyIconData& data) override;
    void popupMenu(ui::Menu& menu) override;
    void showHelp(const std::string& helpFile, const std::string& topic) override;
    void setWaitCursor(bool wait) override;
    void endProgram() override;
    bool anotherInstanceRuns() override;
    netpanel::Clock& clock() override { return clock_; }

    // The window message boxes belong to while it is shown.
    void setWindow(QWidget* window) { window_ = window; }
    TrayIcon& tray() { return tray_; }
    // Opens a help page; the default asks the desktop. False: the built-in viewer shows it.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { openUrl_ = std::move(opener); }
    // The built-in help viewer, once it was needed.
    QTextBrowser* helpViewer() const { return helpViewer_; }
    // Whether the model ended the program; before the event loop runs, the caller must look.
    bool endRequested() const { return endRequested_; }
    // Whether anotherInstanceRuns() found another copy on this desktop.
    bool anotherInstanceFound() const { return anotherInstanceFound_; }

private:
    QWidget* dialogParent() const;
    void showBuiltInHelp(const QString& page);

    Dialogs dialogs_;
    SystemClock clock_;
    TrayIcon tray_;
    QPointer<QWidget> window_;
    std::function<bool(const QUrl&)> openUrl_;
    QPointer<QTextBrowser> helpViewer_;
    std::unique_ptr<QWidget> helpWindow_;
    std::unique_ptr<ui::SingleInstance> instanceLock_;
    bool waitCursor_ = false;
    bool endRequested_ = false;
    bool anotherInstanceFound_ = false;
};

// The answer of a message box whose buttons were `buttons` when `clicked` (a
// QMessageBox::StandardButton) was pressed; a box closed without a button counts as dismissed.
ui::MsgResult messageResult(int clicked, ui::MsgButtons buttons);
// The answer of a dismissed box.
ui::MsgResult dismissedResult(ui::MsgButtons buttons);

}  // namespace netpanel::qt
