// Where a dialog runs: on the thread of the program's Qt application when there is one, else
// under an application made for the call. Qt ends the process when it finds no display or a
// second application, so those cases are turned away here with a message instead.
#include "show_dialog.h"

#include <QApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>

#include "rx_dialog.h"
#include "two_way_dialog.h"
#include "tx_dialog.h"

namespace loopkit::dialogs {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

void runModal(const std::function<void()>& show) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr) {
        if (qobject_cast<QApplication*>(app) == nullptr) {
            std::fputs(
                "loopkit: the test dialogs need a QApplication, but this program runs a "
                "QCoreApplication without widgets; no dialog is shown.\n",
                stderr);
            return;
        }
        if (QThread::currentThread() == app->thread()) {
            show();
        } else {
            // Widgets live on the application's thread only; its event loop must be running.
            QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
        }
        return;
    }

    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) {
        std::fputs(
            "loopkit: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); no "
            "dialog is shown. Run the program on a desktop, or under Xvfb.\n",
            stderr);
        return;
    }
    // An application for this call only; calls from several threads take turns.
    static std::mutex lock;
    std::lock_guard guard(lock);
    static int argc = 1;
    static char name[] = "loopkit";
    static char* argv[] = {name, nullptr};
    {
        auto own = std::make_unique<QApplication>(argc, argv);
        show();
    }
}

template <class Dialog>
void showModal(WLAdapterInfo* adapter) {
    if (adapter == nullptr) return;
    runModal([adapter] {
        Dialog dialog(adapter);
        if (dialog.valid()) dialog.exec();
    });
}

}  // namespace

void showTxDialog(WLAdapterInfo* adapter) {
    showModal<TxDialog>(adapter);
}

void showRxDialog(WLAdapterInfo* adapter) {
    showModal<RxDialog>(adapter);
}

void showTwoWayDialog(WLAdapterInfo* adapter) {
    showModal<TwoWayDialog>(adapter);
}

}  // namespace loopkit::dialogs
