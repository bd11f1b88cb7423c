#include "qt/binding_support.h"

namespace netpanel::qt {

void mirrorCommon(const ui::Control& control, QWidget& widget) {
    // WA_ForceDisabled: the widget itself is disabled, whatever its parent is.
    if (widget.testAttribute(Qt::WA_ForceDisabled) == control.enabled()) {
        widget.setEnabled(control.enabled());
    }
    const QString tip = toQString(control.toolTip());
    if (widget.toolTip() != tip) widget.setToolTip(tip);
    if (widget.parentWidget() != nullptr && widget.isHidden() == control.visible()) {
        widget.setVisible(control.visible());
    }
}

bool EventHook::eventFilter(QObject* watched, QEvent* event) {
    if (event != nullptr && handler_(*event)) return true;
    return QObject::eventFilter(watched, event);
}

void hookEvents(QWidget& widget, std::function<bool(QEvent&)> handler) {
    widget.installEventFilter(&ownedBy<EventHook>(widget, std::move(handler)));
}

}  // namespace netpanel::qt
