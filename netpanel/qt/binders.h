// Binds the controls of the window model to Qt widgets.
//
// The model is the only source of truth. Each binder copies the control's properties into the
// widget whenever the control tells its observers, with the widget's signals blocked, so that a
// change made by code never looks like a person's action. A person's action on the widget calls
// the control's user...() method, which raises the event; the widget is then copied from the
// control again, so an action the control refuses leaves no trace on the screen.
//
// Enabled, visible and tool tip are mirrored for every kind. A widget must have its parent
// before it is bound (a parentless widget would open as a window of its own when shown). The
// control must outlive the widget; a widget may go first (its observer then does nothing).
#pragma once

#include <functional>

class QCheckBox;
class QPixmap;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTreeWidget;
class QWidget;

namespace netpanel::ui {
class Button;
class CheckBox;
class ComboBox;
class Form;
class Frame;
class Label;
class ListView;
class OptionButton;
class PictureBox;
class ProgressBar;
class Slider;
class TabStrip;
class TextBox;
}  // namespace netpanel::ui

namespace netpanel::qt {

// Twips per pixel of the screen, as positions of mouse events are reported to the model.
inline constexpr int kTwipsPerPixel = 15;

void bind(ui::Label& control, QLabel& widget);
void bind(ui::Frame& control, QGroupBox& widget);
// Click.
void bind(ui::Button& control, QPushButton& widget);
// Read-only while locked, password echo while a password character is set; typing, focus and
// key presses reach the control.
void bind(ui::TextBox& control, QLineEdit& widget);
// Editable for a DropdownCombo; choosing an item, typing and focus reach the control.
void bind(ui::ComboBox& control, QComboBox& widget);
// Exclusion is the model's: the radio buttons are not auto-exclusive.
void bind(ui::OptionButton& control, QRadioButton& widget);
void bind(ui::CheckBox& control, QCheckBox& widget);
// Every value change that code did not make is a person's scroll.
void bind(ui::Slider& control, QSlider& widget);
void bind(ui::ProgressBar& control, QProgressBar& widget);
// Columns, rows with their colours, the selection; a person's change of the selection is a
// Click of the newly selected row, a double click a DblClick.
void bind(ui::ListView& control, QTreeWidget& widget);
// The tab widget's pages belong to the caller; captions, the current tab and the available tabs
// are the model's. A mouse button released on the tab bar is the strip's MouseUp.
void bind(ui::TabStrip& control, QTabWidget& widget);
// The picture of the control's icon id, from `pictureOf`.
void bind(ui::PictureBox& control, QLabel& widget, std::function<QPixmap(int icon)> pictureOf);
// A top-level window: caption and visibility (showing also raises and activates it).
void bind(ui::Form& control, QWidget& window);

// VB key code and shift mask (1 Shift, 2 Ctrl, 4 Alt) of a Qt key event's key and modifiers.
int vbKeyCode(int qtKey);
int vbShiftMask(int qtModifiers);
// VB mouse button (1 left, 2 right, 4 middle) of a Qt button.
int vbMouseButton(int qtButton);

}  // namespace netpanel::qt
