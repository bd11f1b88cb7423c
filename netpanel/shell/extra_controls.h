// The two components of the main window that have no view of their own.
#pragma once

#include <string>
#include <utility>

#include "ui/controls.h"

namespace netpanel {

// The small icons of a list view's rows; the view chooses the images.
class ImageList : public ui::Control {
public:
    explicit ImageList(std::string name) : Control(std::move(name)) { setVisible(false); }
};

// The file, colour and font dialogs of the window; nothing of the window opens them.
class CommonDialog : public ui::Control {
public:
    explicit CommonDialog(std::string name) : Control(std::move(name)) { setVisible(false); }
};

}  // namespace netpanel
