// The form runtime's codes of keys, shift states and mouse buttons.
#include <Qt>

#include <array>
#include <utility>

#include "qt/binders.h"

namespace netpanel::qt {

int vbKeyCode(int qtKey) {
    // Letters and digits have the same codes in both.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
    static constexpr std::array<std::pair<int, int>, 20> kKeys{{
        {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},
        {Qt::Key_Alt, 18},      {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
        {Qt::Key_Home, 36},     {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
        {Qt::Key_Delete, 46},   {Qt::Key_CapsLock, 20},
    }};
    for (const auto& [qt, vb] : kKeys) {
        if (qt == qtKey) return vb;
    }
    // Any other printable key: the first of the keyboard's punctuation codes.
    constexpr int kPunctuation = 186;
    return qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde ? kPunctuation : 0;
}

int vbShiftMask(int qtModifiers) {
    int mask = 0;
    if ((qtModifiers & Qt::ShiftModifier) != 0) mask |= 1;
    if ((qtModifiers & Qt::ControlModifier) != 0) mask |= 2;
    if ((qtModifiers & Qt::AltModifier) != 0) mask |= 4;
    return mask;
}

int vbMouseButton(int qtButton) {
    switch (qtButton) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

}  // namespace netpanel::qt
