// One bound widget per control of the window model, chosen by the control's kind.
#pragma once

#include <QPixmap>

#include <functional>

class QWidget;

namespace netpanel::ui {
class Control;
}

namespace netpanel::qt {

// Creates the widget of `control` in `parent` and binds it: Label - QLabel, Frame - QGroupBox,
// Button - QPushButton, TextBox - QLineEdit, ComboBox - QComboBox, OptionButton - QRadioButton,
// CheckBox - QCheckBox, Slider - QSlider, ProgressBar - QProgressBar, ListView - QTreeWidget,
// TabStrip - QTabWidget with one empty page per tab, PictureBox - QLabel with its picture.
// Controls without a view of their own (menus, image lists, dialogs) get none: null.
QWidget* createWidget(ui::Control& control, QWidget& parent,
                      const std::function<QPixmap(int icon)>& pictureOf);

}  // namespace netpanel::qt
