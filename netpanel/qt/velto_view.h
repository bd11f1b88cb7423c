// The Qt view of the main window Velto: one bound widget per control, laid out as a compact
// settings dialog, the timers, the tray icon and the window's ways in and out.
#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "qt/qt_host.h"
#include "qt/timer_binding.h"
#include "shell/velto.h"

namespace netpanel::qt {

// The top-level window: reports the close box and a restore from the minimized state.
class VeltoWindow : public QWidget {
public:
    std::function<void()> onClose;
    std::function<void()> onRestore;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// Whether the desktop has a tray now (TrayIcon::available for the real one).
using TrayPresence = std::function<bool()>;

class VeltoView {
public:
    // Builds the window for `velto` and takes over the tray icon of `host`. With a tray, the
    // close box is the window's own (it hides); without one, closing runs "Exit" and every hide
    // of the form minimizes the window instead, so that it can always be reached and left.
    // `trayPresent` is asked each time, so a tray that went away counts as none.
    VeltoView(Velto& velto, QtHost& host, TrayPresence trayPresent);
    ~VeltoView();
    VeltoView(const VeltoView&) = delete;
    VeltoView& operator=(const VeltoView&) = delete;

    QWidget& window() { return *window_; }
    // The widget of a control; null for one without a view.
    QWidget* widgetFor(const ui::Control& control) const;
    template <class W>
    W* widget(const ui::Control& control) const {
        return qobject_cast<W*>(widgetFor(control));
    }
    const TimerBinding* timerBinding(const ui::Timer& timer) const;

    // A mouse message of the tray icon (512..519), delivered to Picture1.
    void deliverTrayMessage(int message);
    // Without a tray: opens the window as the tray's double-click does.
    void openWithoutTray();
    bool trayAvailable() const { return trayPresent_(); }

private:
    void createWidgets();
    void bindWindow();
    void observeForm();
    void bindTimers();
    // Lays the widgets out; returns those the arrangement has no place for.
    std::vector<QWidget*> arrange();
    void placeLeftovers(const std::vector<QWidget*>& unplaced);
    void wireHelp();

    Velto& velto_;
    QtHost& host_;
    TrayPresence trayPresent_;
    std::unique_ptr<VeltoWindow> window_;
    std::map<const ui::Control*, QWidget*> widgets_;
    std::map<const ui::Timer*, std::unique_ptr<TimerBinding>> timers_;
};

// The pictures of the window's icon ids.
QPixmap pictureOf(int icon);
// Arial, or a font with the same metrics, when the system has one; otherwise the default.
void useLayoutFont(QWidget& window);

}  // namespace netpanel::qt
