// netpanel: the wireless LAN utility. It lives in the system tray; its window shows and changes
// the adapter's link and settings.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <variant>

#include "platform/hive_check.h"
#include "platform/nicapi_binding.h"
#include "qt/binders.h"
#include "qt/display_check.h"
#include "qt/qt_host.h"
#include "qt/screenshot_hook.h"
#include "qt/velto_view.h"
#include "shell/messages.h"
#include "shell/velto.h"

namespace {

// The program cannot start: say why, on standard error and, with a screen, in a message box;
// then it ends with 1.
int reportStartFailure(const std::string& reason, netpanel::qt::QtHost::Dialogs dialogs) {
    std::fprintf(stderr, "netpanel: %s\n", reason.c_str());
    if (dialogs == netpanel::qt::QtHost::Dialogs::Interactive) {
        QMessageBox::critical(nullptr, QString::fromLatin1(netpanel::kWindowTitle),
                              QString::fromStdString(reason));
    }
    return 1;
}

}  // namespace

// Exit status: 0 after "Exit", and for a second copy on the same desktop (the running copy
// serves the person; it is not a failure); 1 when the program cannot start (no display, a
// registry hive that cannot be read, no usable adapter library, KvConfig.ini missing or
// malformed).
int main(int argc, char** argv) {
    if (const auto missing = netpanel::qt::missingDisplay(std::span(argv, argc))) {
        std::fprintf(stderr, "netpanel: %s\n", missing->c_str());
        return 1;
    }
    QApplication app(argc, argv);
    // The window hides into the tray; only "Exit" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const auto dialogs = netpanel::qt::QtHost::dialogsForPlatform();
    netpanel::qt::QtHost host(dialogs);
    if (const auto hive = netpanel::unreadableHive()) {
        return reportStartFailure("The registry cannot be read: " + *hive +
                                      ".\nThe file is left as it is: correct or remove it, then "
                                      "start the utility again.",
                                  dialogs);
    }
    auto loaded = netpanel::Nicapi::load();
    if (const auto* reason = std::get_if<std::string>(&loaded)) {
        return reportStartFailure(*reason, dialogs);
    }
    netpanel::Nicapi& nicapi = *std::get<std::unique_ptr<netpanel::Nicapi>>(loaded);

    netpanel::Velto velto(nicapi, host, QCoreApplication::applicationDirPath().toStdString(),
                          netpanel::qt::kTwipsPerPixel);
    // The model has told the person why (a message box, or standard error without a screen).
    if (!velto.Form_Initialize() || host.endRequested()) return host.anotherInstanceFound() ? 0 : 1;
    netpanel::qt::VeltoView view(velto, host, &netpanel::qt::TrayIcon::available);
    velto.Form_Load();
    if (velto.ended() || host.endRequested()) return 0;
    if (!view.trayAvailable()) view.openWithoutTray();
    netpanel::qt::scheduleScreenshot(velto, view);
    return QApplication::exec();
}
