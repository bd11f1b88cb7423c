// What the binders share: the observer that mirrors a control into its widget, and a hook for
// a widget's events.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QSignalBlocker>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>

#include "qt/object_tree.h"
#include "ui/controls.h"

namespace netpanel::qt {

inline QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

// Enabled and tool tip, and visibility for a widget that has a parent.
void mirrorCommon(const ui::Control& control, QWidget& widget);

// Calls `handler` for each event of the watched object; returning true swallows the event.
class EventHook : public QObject {
public:
    explicit EventHook(std::function<bool(QEvent&)> handler) : handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool(QEvent&)> handler_;
};

// Installs an EventHook on `widget`, owned by it.
void hookEvents(QWidget& widget, std::function<bool(QEvent&)> handler);

// Mirrors `control` into `widget` now and after each of its changes: the common properties,
// then `apply(control, widget)`, with the widget's signals blocked. Returns the mirroring
// function, for calling again after a person's action.
template <class Control, class Widget, class Apply>
std::function<void()> observe(Control& control, Widget& widget, Apply apply) {
    QPointer<Widget> guard(&widget);
    std::function<void()> sync = [&control, guard, apply] {
        if (!guard) return;
        const QSignalBlocker blocker(guard.data());
        mirrorCommon(control, *guard);
        apply(control, *guard);
    };
    control.addObserver(sync);
    sync();
    return sync;
}

}  // namespace netpanel::qt
