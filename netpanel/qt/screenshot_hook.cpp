#include "qt/screenshot_hook.h"

#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "qt/velto_view.h"

namespace netpanel::qt {

namespace {

constexpr int kDefaultDelayMs = 3000;

int envNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    try {
        return std::stoi(value);
    } catch (const std::exception&) {
        return fallback;
    }
}

}  // namespace

void scheduleScreenshot(Velto& velto, VeltoView& view) {
    const char* path = std::getenv("NETPANEL_SCREENSHOT");
    if (path == nullptr || *path == '\0') return;
    const int delay = envNumber("NETPANEL_SCREENSHOT_DELAY_MS", kDefaultDelayMs);
    const int tab = envNumber("NETPANEL_SCREENSHOT_TAB", -1);
    if (tab >= 0 && tab < velto.SSTab1.tabCount()) {
        QTimer::singleShot(0, &view.window(), [&velto, tab] { velto.SSTab1.userSelectTab(tab); });
    }
    QTimer::singleShot(delay, &view.window(), [&velto, &view, file = std::string(path)] {
        const bool saved = view.window().grab().save(QString::fromStdString(file), "PNG");
        std::fprintf(stderr, "netpanel: screenshot %s %s\n", file.c_str(),
                     saved ? "saved" : "could not be saved");
        velto.Exitprg_Click();
    });
}

}  // namespace netpanel::qt
