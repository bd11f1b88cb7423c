// Binders of the controls with a caption or a single value, and of the window.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <utility>

#include "qt/binders.h"
#include "qt/binding_support.h"

namespace netpanel::qt {

void bind(ui::Label& control, QLabel& widget) {
    widget.setTextFormat(Qt::PlainText);
    observe(control, widget, [](const ui::Label& c, QLabel& w) {
        const QString caption = toQString(c.caption());
        if (w.text() != caption) w.setText(caption);
    });
}

void bind(ui::Frame& control, QGroupBox& widget) {
    observe(control, widget, [](const ui::Frame& c, QGroupBox& w) {
        const QString caption = toQString(c.caption());
        if (w.title() != caption) w.setTitle(caption);
    });
}

void bind(ui::Button& control, QPushButton& widget) {
    auto sync = observe(control, widget, [](const ui::Button& c, QPushButton& w) {
        const QString caption = toQString(c.caption());
        if (w.text() != caption) w.setText(caption);
    });
    QObject::connect(&widget, &QPushButton::clicked, &widget, [&control, sync] {
        control.userClick();
        sync();
    });
}

void bind(ui::OptionButton& control, QRadioButton& widget) {
    widget.setAutoExclusive(false);
    auto sync = observe(control, widget, [](const ui::OptionButton& c, QRadioButton& w) {
        const QString caption = toQString(c.caption());
        if (w.text() != caption) w.setText(caption);
        w.setChecked(c.value());
    });
    QObject::connect(&widget, &QRadioButton::clicked, &widget, [&control, sync] {
        control.userClick();
        sync();
    });
}

void bind(ui::CheckBox& control, QCheckBox& widget) {
    auto sync = observe(control, widget, [](const ui::CheckBox& c, QCheckBox& w) {
        const QString caption = toQString(c.caption());
        if (w.text() != caption) w.setText(caption);
        w.setTristate(c.value() == ui::CheckBox::kGrayed);
        w.setCheckState(c.value() == ui::CheckBox::kChecked  ? Qt::Checked
                        : c.value() == ui::CheckBox::kGrayed ? Qt::PartiallyChecked
                                                             : Qt::Unchecked);
    });
    QObject::connect(&widget, &QCheckBox::clicked, &widget, [&control, sync] {
        control.userClick();
        sync();
    });
}

void bind(ui::Slider& control, QSlider& widget) {
    auto sync = observe(control, widget, [](const ui::Slider& c, QSlider& w) {
        w.setRange(c.min(), c.max());
        w.setValue(c.value());
    });
    QObject::connect(&widget, &QSlider::valueChanged, &widget, [&control, sync](int value) {
        control.userScroll(value);
        sync();
    });
}

void bind(ui::ProgressBar& control, QProgressBar& widget) {
    widget.setTextVisible(false);
    observe(control, widget, [](const ui::ProgressBar& c, QProgressBar& w) {
        w.setRange(c.min(), c.max());
        w.setValue(c.value());
    });
}

void bind(ui::PictureBox& control, QLabel& widget, std::function<QPixmap(int icon)> pictureOf) {
    observe(control, widget,
            [pictureOf = std::move(pictureOf)](const ui::PictureBox& c, QLabel& w) {
                w.setPixmap(pictureOf(c.icon()));
            });
}

void bind(ui::Form& control, QWidget& window) {
    observe(control, window, [](const ui::Form& c, QWidget& w) {
        const QString caption = toQString(c.caption());
        if (w.windowTitle() != caption) w.setWindowTitle(caption);
        if (c.visible() && (w.isHidden() || w.isMinimized())) {
            w.showNormal();
            w.raise();
            w.activateWindow();
        } else if (!c.visible() && !w.isHidden()) {
            w.hide();
        }
    });
}

}  // namespace netpanel::qt
