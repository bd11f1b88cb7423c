// The arrangement of Velto's widgets: tabs, frames as group boxes, label and field rows.
#pragma once

#include <QWidget>

#include <functional>
#include <set>
#include <utility>

class QTabWidget;

namespace netpanel {
class Velto;
}
namespace netpanel::ui {
class Control;
}

namespace netpanel::qt {

// Finds the widget made for a control and records that it has its place.
class Arranger {
public:
    explicit Arranger(std::function<QWidget*(const ui::Control&)> lookup)
        : lookup_(std::move(lookup)) {}

    // The control's widget; throws std::logic_error when it has none.
    QWidget& operator()(const ui::Control& control) { return as<QWidget>(control); }
    // The same as a W; also throws when it is another kind of widget.
    template <class W>
    W& as(const ui::Control& control) {
        auto* widget = qobject_cast<W*>(find(control));
        if (widget == nullptr) fail(control);
        return *widget;
    }
    bool placed(QWidget* widget) const { return placed_.contains(widget); }

private:
    QWidget* find(const ui::Control& control);
    [[noreturn]] static void fail(const ui::Control& control);

    std::function<QWidget*(const ui::Control&)> lookup_;
    std::set<QWidget*> placed_;
};

// Lays out the six tab pages of `tabs` and the window around them (tab widget, then OK, Cancel
// and Help on a row below).
void arrangeVelto(const Velto& velto, Arranger& widgets, QWidget& window, QTabWidget& tabs);

}  // namespace netpanel::qt
