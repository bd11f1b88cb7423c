#include "qt/velto_view.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

#include "qt/binders.h"
#include "qt/control_widgets.h"
#include "qt/object_tree.h"
#include "qt/tray_pictures.h"
#include "qt/velto_layout.h"

namespace netpanel::qt {

void VeltoWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // the model decides whether the window goes
    if (onClose) onClose();
}

void VeltoWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto& change = static_cast<const QWindowStateChangeEvent&>(*event);
    if ((change.oldState() & Qt::WindowMinimized) != 0 && !isMinimized() && onRestore) onRestore();
}

QPixmap pictureOf(int icon) {
    switch (icon) {
        case kIconConnected:
            return connectedPicture();
        case kIconNotConnected:
            return disconnectedPicture();
        case kIconSpare:
            return idlePicture();
        case kIconLogo:
            return connectedPicture().scaled(48, 48);
        default:
            return {};
    }
}

void useLayoutFont(QWidget& window) {
    // Arial, or one of the fonts made to its metrics.
    const QStringList families = QFontDatabase::families();
    for (const char* family : {"Arial", "Liberation Sans", "Arimo"}) {
        if (families.contains(QLatin1String(family), Qt::CaseInsensitive)) {
            QFont font = window.font();
            font.setFamily(QLatin1String(family));
            window.setFont(font);
            return;
        }
    }
}

VeltoView::VeltoView(Velto& velto, QtHost& host, TrayPresence trayPresent)
    : velto_(velto),
      host_(host),
      trayPresent_(std::move(trayPresent)),
      window_(std::make_unique<VeltoWindow>()) {
    window_->setObjectName(QStringLiteral("Velto"));
    window_->setWindowIcon(QIcon(pictureOf(kIconConnected)));
    useLayoutFont(*window_);
    createWidgets();
    placeLeftovers(arrange());
    bindWindow();
    bindTimers();
    wireHelp();

    host_.setWindow(window_.get());
    host_.tray().setPictures({
        {static_cast<uint32_t>(velto_.Picture1.icon()), QIcon(pictureOf(velto_.Picture1.icon()))},
        {static_cast<uint32_t>(velto_.Picture2.icon()), QIcon(pictureOf(velto_.Picture2.icon()))},
        {static_cast<uint32_t>(velto_.Picture3.icon()), QIcon(pictureOf(velto_.Picture3.icon()))},
    });
    host_.tray().setMessageHandler([this](int message) { deliverTrayMessage(message); });
}

VeltoView::~VeltoView() {
    host_.tray().setMessageHandler(nullptr);
    host_.setWindow(nullptr);
}

QWidget* VeltoView::widgetFor(const ui::Control& control) const {
    auto found = widgets_.find(&control);
    return found == widgets_.end() ? nullptr : found->second;
}

const TimerBinding* VeltoView::timerBinding(const ui::Timer& timer) const {
    auto found = timers_.find(&timer);
    return found == timers_.end() ? nullptr : found->second.get();
}

// Frames come before what they hold, so each widget finds its parent's group box.
void VeltoView::createWidgets() {
    auto& tabs = *qobject_cast<QTabWidget*>(
        createWidget(velto_.SSTab1, *window_, pictureOf));  // the pages hold the rest
    widgets_[&velto_.SSTab1] = &tabs;
    for (const ControlPlacement& placement : velto_.placements()) {
        if (widgets_.contains(placement.control)) continue;
        QWidget* parent = placement.frame != nullptr      ? widgetFor(*placement.frame)
                          : placement.tab == kOutsideTabs ? window_.get()
                                                          : tabs.widget(placement.tab);
        if (parent == nullptr) parent = window_.get();
        if (QWidget* widget = createWidget(*placement.control, *parent, pictureOf)) {
            widgets_[placement.control] = widget;
        }
    }
}

std::vector<QWidget*> VeltoView::arrange() {
    Arranger arranger([this](const ui::Control& control) { return widgetFor(control); });
    arrangeVelto(velto_, arranger, *window_, *widget<QTabWidget>(velto_.SSTab1));
    std::vector<QWidget*> unplaced;
    for (const ControlPlacement& placement : velto_.placements()) {
        QWidget* shown = widgetFor(*placement.control);
        if (shown != nullptr && !arranger.placed(shown)) unplaced.push_back(shown);
    }
    return unplaced;
}

// A control the arrangement does not know still gets a place: at the end of its container.
void VeltoView::placeLeftovers(const std::vector<QWidget*>& unplaced) {
    for (QWidget* widget : unplaced) {
        QWidget* container = widget->parentWidget();
        if (container->layout() == nullptr) {
            container->setLayout(std::make_unique<QVBoxLayout>().release());  // owned by it
        }
        container->layout()->addWidget(widget);
    }
}

void VeltoView::bindWindow() {
    observeForm();
    window_->onClose = [this] {
        if (trayPresent_()) {
            velto_.userClose();
        } else {
            velto_.Exitprg_Click();
        }
    };
    // A window the model hid while there was no tray is only minimized: restoring it from the
    // task bar opens it as the tray's double-click does.
    window_->onRestore = [this] {
        if (!velto_.visible()) deliverTrayMessage(kLeftDoubleClick);
    };
}

// Caption and visibility. Without a tray (also one that went away since the start) a shown
// window that the model hides is minimized, never hidden, so that it stays reachable.
void VeltoView::observeForm() {
    QPointer<VeltoWindow> guard(window_.get());
    auto sync = [this, guard] {
        if (!guard) return;
        const QSignalBlocker blocker(guard.data());
        const QString caption = QString::fromStdString(velto_.caption());
        if (guard->windowTitle() != caption) guard->setWindowTitle(caption);
        if (velto_.visible()) {
            if (guard->isHidden() || guard->isMinimized()) {
                guard->showNormal();
                guard->raise();
                guard->activateWindow();
            }
        } else if (trayPresent_()) {
            if (!guard->isHidden()) guard->hide();
        } else if (!guard->isHidden() && !guard->isMinimized()) {
            guard->showMinimized();
        }
    };
    velto_.addObserver(sync);
    sync();
}

void VeltoView::bindTimers() {
    for (ui::Timer* timer : velto_.timers()) {
        timers_[timer] = std::make_unique<TimerBinding>(*timer);
    }
}

void VeltoView::wireHelp() {
    auto& f1 = ownedBy<QShortcut>(*window_, QKeySequence(Qt::Key_F1), window_.get());
    QObject::connect(&f1, &QShortcut::activated, window_.get(), [this] {
        if (!velto_.ended()) velto_.F1Help();
    });
}

void VeltoView::deliverTrayMessage(int message) {
    const auto x = static_cast<float>(message * velto_.twipsPerPixelX());
    velto_.Picture1.userMouseMove(0, 0, x, 0);
    if (message == kLeftDoubleClick && velto_.visible()) {
        window_->showNormal();
        window_->raise();
        window_->activateWindow();
    }
}

void VeltoView::openWithoutTray() {
    deliverTrayMessage(kLeftDoubleClick);
    // Waiting for a card the double-click opens nothing; without a tray the window is the only
    // way to the utility, so it opens anyway (closing it exits).
    if (!velto_.visible()) velto_.show();
}

}  // namespace netpanel::qt
