// Where a dialog runs: on the thread of the program's Qt application when there is one, else
// under an application made for the call. Qt ends the process when it finds no display or a
// second application, so those cases are turned away here with a message instead.
#include "show_dialog.h"

#include <QApplication>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "rx_dialog.h"
#include "two_way_dialog.h"
#include "tx_dialog.h"

namespace loopkit::dialogs {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Whether a local X display (":N" or ":N.S") named by DISPLAY answers on its socket. Displays
// on other hosts, and everything but X, are left to Qt.
bool localXDisplayAnswers(const char* display) {
    if (display == nullptr || display[0] != ':') return true;
    char* end = nullptr;
    const long number = std::strtol(display + 1, &end, 10);
    if (end == display + 1 || (*end != '\0' && *end != '.')) return true;
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    const auto connects = [&](bool abstract) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const size_t offset = abstract ? 1 : 0;  // abstract names start with a zero byte
        path.copy(address.sun_path + offset, sizeof address.sun_path - offset - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        const auto length =
            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        ::close(fd);
        return ok;
    };
    return connects(false) || connects(true);
}

// Runs `show` on the application's thread and waits until it ran, or until the application
// dropped it unrun (it ended first). Widgets live on the application's thread only; its event
// loop must be running.
void runOnApplicationThread(QCoreApplication* app, const std::function<void()>& show) {
    struct Done {
        std::mutex lock;
        std::condition_variable changed;
        bool finished = false;
    };
    // Signals when the last copy of the posted call is gone, whether it ran or not.
    struct Signal {
        std::shared_ptr<Done> done;
        ~Signal() {
            std::lock_guard guard(done->lock);
            done->finished = true;
            done->changed.notify_all();
        }
    };
    auto done = std::make_shared<Done>();
    auto signal = std::make_shared<Signal>();
    signal->done = done;
    QMetaObject::invokeMethod(
        app, [signal = std::move(signal), &show] { show(); }, Qt::QueuedConnection);
    std::unique_lock guard(done->lock);
    done->changed.wait(guard, [&] { return done->finished; });
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
            runOnApplicationThread(app, show);
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
    if (!isSet("QT_QPA_PLATFORM") && !isSet("WAYLAND_DISPLAY") &&
        !localXDisplayAnswers(std::getenv("DISPLAY"))) {
        std::fprintf(stderr,
                     "loopkit: the display %s does not answer; no dialog is shown. Start its X "
                     "server (or Xvfb) first.\n",
                     std::getenv("DISPLAY"));
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
        try {
            Dialog dialog(adapter);
            if (dialog.valid()) dialog.exec();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "loopkit: no dialog is shown: %s\n", e.what());
        }
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
