// netpanel: the wireless LAN utility. It lives in the system tray; its window shows and changes
// the adapter's link and settings.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <memory>
#include <string>
#include <variant>

#include "platform/nicapi_binding.h"
#include "qt/binders.h"
#include "qt/qt_host.h"
#include "qt/screenshot_hook.h"
#include "qt/velto_view.h"
#include "shell/velto.h"

namespace {

constexpr const char* kTitle = "IEEE 802.11b Wireless LAN Utility";

// The adapter library could not be loaded: say why, then the program ends.
int reportLoadFailure(const std::string& reason, netpanel::qt::QtHost::Dialogs dialogs) {
    std::fprintf(stderr, "netpanel: %s\n", reason.c_str());
    if (dialogs == netpanel::qt::QtHost::Dialogs::Interactive) {
        QMessageBox::critical(nullptr, QString::fromLatin1(kTitle), QString::fromStdString(reason));
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The window hides into the tray; only "Exit" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    netpanel::qt::QtHost host(netpanel::qt::QtHost::dialogsForPlatform());
    auto loaded = netpanel::Nicapi::load();
    if (const auto* reason = std::get_if<std::string>(&loaded)) {
        return reportLoadFailure(*reason, netpanel::qt::QtHost::dialogsForPlatform());
    }
    netpanel::Nicapi& nicapi = *std::get<std::unique_ptr<netpanel::Nicapi>>(loaded);

    netpanel::Velto velto(nicapi, host, QCoreApplication::applicationDirPath().toStdString(),
                          netpanel::qt::kTwipsPerPixel);
    if (!velto.Form_Initialize() || host.endRequested()) return 0;
    const bool trayAvailable = netpanel::qt::TrayIcon::available();
    netpanel::qt::VeltoView view(velto, host, trayAvailable);
    velto.Form_Load();
    if (velto.ended() || host.endRequested()) return 0;
    if (!trayAvailable) view.openWithoutTray();
    netpanel::qt::scheduleScreenshot(velto, view);
    return QApplication::exec();
}
