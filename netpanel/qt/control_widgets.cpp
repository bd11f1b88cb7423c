#include "qt/control_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>

#include <utility>

#include "qt/binders.h"
#include "qt/object_tree.h"
#include "ui/controls.h"

namespace netpanel::qt {

namespace {

// The widget W for a control of kind C, if `control` is one.
template <class C, class W, class... Args>
QWidget* make(ui::Control& control, QWidget& parent, Args&&... args) {
    auto* typed = dynamic_cast<C*>(&control);
    if (typed == nullptr) return nullptr;
    auto& widget = ownedBy<W>(parent, std::forward<Args>(args)...);
    widget.setObjectName(QString::fromStdString(control.name()));
    bind(*typed, widget);
    return &widget;
}

QWidget* makeTabs(ui::Control& control, QWidget& parent) {
    auto* strip = dynamic_cast<ui::TabStrip*>(&control);
    if (strip == nullptr) return nullptr;
    auto& tabs = ownedBy<QTabWidget>(parent);
    tabs.setObjectName(QString::fromStdString(control.name()));
    for (const auto& caption : strip->captions()) {
        tabs.addTab(&ownedBy<QWidget>(tabs), QString::fromStdString(caption));
    }
    bind(*strip, tabs);
    return &tabs;
}

QWidget* makePicture(ui::Control& control, QWidget& parent,
                     const std::function<QPixmap(int icon)>& pictureOf) {
    auto* picture = dynamic_cast<ui::PictureBox*>(&control);
    if (picture == nullptr) return nullptr;
    auto& label = ownedBy<QLabel>(parent);
    label.setObjectName(QString::fromStdString(control.name()));
    bind(*picture, label, pictureOf);
    return &label;
}

}  // namespace

QWidget* createWidget(ui::Control& control, QWidget& parent,
                      const std::function<QPixmap(int icon)>& pictureOf) {
    QWidget* widget = nullptr;
    if (!widget) widget = make<ui::Button, QPushButton>(control, parent);
    if (!widget) widget = make<ui::Label, QLabel>(control, parent);
    if (!widget) widget = make<ui::Frame, QGroupBox>(control, parent);
    if (!widget) widget = make<ui::TextBox, QLineEdit>(control, parent);
    if (!widget) widget = make<ui::ComboBox, QComboBox>(control, parent);
    if (!widget) widget = make<ui::OptionButton, QRadioButton>(control, parent);
    if (!widget) widget = make<ui::CheckBox, QCheckBox>(control, parent);
    if (!widget) widget = make<ui::Slider, QSlider>(control, parent, Qt::Horizontal);
    if (!widget) widget = make<ui::ProgressBar, QProgressBar>(control, parent);
    if (!widget) widget = make<ui::ListView, QTreeWidget>(control, parent);
    if (!widget) widget = makeTabs(control, parent);
    if (!widget) widget = makePicture(control, parent, pictureOf);
    return widget;
}

}  // namespace netpanel::qt
