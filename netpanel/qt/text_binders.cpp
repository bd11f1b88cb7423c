// Binders of the controls a person types into: text boxes and combo boxes.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

#include <memory>

#include "qt/binders.h"
#include "qt/binding_support.h"

namespace netpanel::qt {

namespace {

constexpr int kQtMaxLength = 32767;  // QLineEdit's "no limit"

void syncLineEdit(const ui::TextBox& c, QLineEdit& w) {
    w.setReadOnly(c.locked());
    w.setEchoMode(c.passwordChar() != 0 ? QLineEdit::Password : QLineEdit::Normal);
    const QString text = toQString(c.text());
    // Code may put a longer text into a limited box; Qt would cut it.
    const bool fits = c.maxLength() > 0 && static_cast<int>(c.text().size()) <= c.maxLength();
    w.setMaxLength(fits ? c.maxLength() : kQtMaxLength);
    if (w.text() != text) w.setText(text);
}

QStringList itemsOf(const ui::ComboBox& c) {
    QStringList items;
    for (const auto& item : c.items())
        items.append(toQString(item));
    return items;
}

void syncCombo(const ui::ComboBox& c, QComboBox& w) {
    const QStringList items = itemsOf(c);
    bool same = w.count() == items.size();
    for (int i = 0; same && i < w.count(); ++i)
        same = w.itemText(i) == items[i];
    if (!same) {
        w.clear();
        w.addItems(items);
    }
    if (w.currentIndex() != c.listIndex()) w.setCurrentIndex(c.listIndex());
    const QString text = toQString(c.text());
    if (w.isEditable()) {
        if (w.currentText() != text) w.setEditText(text);
    } else {
        // A list box shows a text that is none of its items while nothing is selected.
        const QString placeholder = c.listIndex() < 0 ? text : QString();
        if (w.placeholderText() != placeholder) w.setPlaceholderText(placeholder);
    }
}

}  // namespace

void bind(ui::TextBox& control, QLineEdit& widget) {
    auto sync = observe(control, widget, syncLineEdit);
    // Focus and selection asked for by the model.
    auto focusRequests = std::make_shared<int>(control.focusRequests());
    control.addObserver([&control, &widget, focusRequests] {
        if (control.focusRequests() != *focusRequests) {
            *focusRequests = control.focusRequests();
            widget.setFocus(Qt::OtherFocusReason);
        }
        if (control.selLength() > 0 && (widget.selectionStart() != control.selStart() ||
                                        widget.selectionLength() != control.selLength())) {
            widget.setSelection(control.selStart(), control.selLength());
        }
    });
    QObject::connect(&widget, &QLineEdit::textEdited, &widget,
                     [&control, sync](const QString& text) {
                         control.userType(text.toStdString());
                         sync();
                     });
    hookEvents(widget, [&control](QEvent& event) {
        if (event.type() == QEvent::FocusIn) control.userFocus();
        if (event.type() == QEvent::FocusOut) control.userBlur();
        if (event.type() == QEvent::KeyPress) {
            const auto& key = static_cast<const QKeyEvent&>(event);
            control.userKeyDown(vbKeyCode(key.key()), vbShiftMask(key.modifiers().toInt()));
        }
        return false;
    });
}

// A list box's text while nothing is selected ("Auto Rate") is a value like any item, not a
// hint: it is drawn in the colour of the items, not greyed as Qt draws a placeholder.
void drawPlaceholderAsText(QComboBox& widget) {
    QPalette palette = widget.palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::PlaceholderText,
                         palette.color(group, QPalette::ButtonText));
    widget.setPalette(palette);
}

void bind(ui::ComboBox& control, QComboBox& widget) {
    const bool editable = control.style() == ui::ComboBox::Style::DropdownCombo;
    widget.setEditable(editable);
    if (editable) {
        widget.setInsertPolicy(QComboBox::NoInsert);
        widget.setCompleter(nullptr);
    } else {
        drawPlaceholderAsText(widget);
    }
    auto sync = observe(control, widget, syncCombo);
    QObject::connect(&widget, &QComboBox::activated, &widget, [&control, sync](int index) {
        control.userSelect(index);
        sync();
    });
    if (editable) {
        QObject::connect(widget.lineEdit(), &QLineEdit::textEdited, &widget,
                         [&control, sync](const QString& text) {
                             control.userType(text.toStdString());
                             sync();
                         });
    }
    hookEvents(widget, [&control](QEvent& event) {
        if (event.type() == QEvent::FocusIn) control.userFocus();
        return false;
    });
}

}  // namespace netpanel::qt
