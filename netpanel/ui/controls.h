// The controls of the utility's windows, free of any window toolkit.
//
// Each control holds the properties its window uses and raises its events the way the utility's
// form code expects them (Visual Basic rules):
//   ComboBox.ListIndex  any assignment, also of the current index   -> Click
//   ComboBox.Text, TextBox.Text  assignment of a different text     -> Change
//   OptionButton.Value = true  (the group's others turn false)      -> Click
//   CheckBox.Value  assignment of a different value                 -> Click
//   Slider.Value  from code                                         -> nothing
//   TabStrip.Tab  assignment of a different tab                     -> Click(previousTab)
// Handlers run synchronously, on the caller's thread. Observers (the view) are called after a
// property is stored and before the event runs, so a handler that changes other controls sees,
// and leaves, a consistent view. The user...() methods are what the view calls for a person's
// action; they do nothing while the control is disabled or invisible (the control's own flags;
// the form's visibility is not taken into account).
//
// Assigning a value outside a property's range (a list index past the end, a check value other
// than 0, 1 or 2, a slider or progress value outside min..max, a tab that does not exist) is an
// error of the calling code, as the form runtime treats it: std::out_of_range is thrown and
// nothing changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace netpanel::ui {

using Event = std::function<void()>;

// The base of all controls: a name, the common properties and the observers of the view.
class Control {
public:
    explicit Control(std::string name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string toolTip);

    // Called after any property of the control changed (the view mirrors the model from it).
    void addObserver(std::function<void()> observer);

protected:
    // Tells the observers that a property changed.
    void changed();
    // Whether a person can act on the control now.
    bool usable() const { return enabled_ && visible_; }

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string toolTip_;
    std::vector<std::function<void()>> observers_;
};

// A control with a caption text.
class CaptionedControl : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

private:
    std::string caption_;
};

class Label : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

class Frame : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
};

class Button : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    Event Click;
    void userClick();
};

class TextBox : public Control {
public:
    using Control::Control;

    const std::string& text() const { return text_; }
    // Raises Change when the text differs. MaxLength does not limit assignments from code.
    void setText(std::string text);
    int maxLength() const { return maxLength_; }  // 0: no limit
    void setMaxLength(int maxLength);
    char passwordChar() const { return passwordChar_; }  // 0: the text is shown
    void setPasswordChar(char passwordChar);
    bool locked() const { return locked_; }  // read-only for the user
    void setLocked(bool locked);
    // The selected part of the text (SelStart, SelLength); a new text selects nothing.
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelection(int start, int length);  // held to the text
    // Asks the view to put the keyboard focus into the box; the view's focus raises GotFocus.
    void setFocus();
    int focusRequests() const { return focusRequests_; }

    Event Change, GotFocus, LostFocus;
    std::function<void(int keyCode, int shift)> KeyDown;

    // The user made the box's text `text` (UTF-8, cut to maxLength characters); ignored while
    // locked.
    void userType(std::string text);
    void userFocus();
    void userBlur();
    void userKeyDown(int keyCode, int shift);

private:
    std::string text_;
    int maxLength_ = 0;
    char passwordChar_ = 0;
    bool locked_ = false;
    int selStart_ = 0;
    int selLength_ = 0;
    int focusRequests_ = 0;
};

class ComboBox : public Control {
public:
    enum class Style { DropdownCombo, DropdownList };
    explicit ComboBox(std::string name, Style style = Style::DropdownCombo);

    Style style() const { return style_; }
    const std::vector<std::string>& items() const { return items_; }
    void addItem(std::string item);
    // Empties the list and the text; no event.
    void clear();
    // Removes an item; the selection follows its item or becomes -1. No event.
    void removeItem(int index);
    int listCount() const { return static_cast<int>(items_.size()); }

    int listIndex() const { return listIndex_; }
    // -1 .. listCount()-1. Sets text() to the item ("" for -1) without Change, then raises Click,
    // also when the index was already selected.
    void setListIndex(int index);
    // setListIndex(index) when 0 <= index < listCount(); otherwise nothing changes and the
    // result is false. For positions that come from stored or reported values.
    bool selectIfListed(int index);
    const std::string& text() const { return text_; }
    // Raises Change when the text differs; selects the first item equal to it, else -1 (no Click).
    void setText(std::string text);

    Event Click, Change, GotFocus;

    void userSelect(int index);
    void userType(std::string text);  // ignored for a DropdownList
    void userFocus();

private:
    Style style_;
    std::vector<std::string> items_;
    int listIndex_ = -1;
    std::string text_;
};

class OptionButton;

// The option buttons that exclude each other. Declare it before its buttons: it must outlive them.
class OptionGroup {
public:
    OptionGroup() = default;
    OptionGroup(const OptionGroup&) = delete;
    OptionGroup& operator=(const OptionGroup&) = delete;

    const std::vector<OptionButton*>& members() const { return members_; }

private:
    friend class OptionButton;
    std::vector<OptionButton*> members_;
};

class OptionButton : public CaptionedControl {
public:
    OptionButton(std::string name, OptionGroup& group);
    ~OptionButton() override;

    bool value() const { return value_; }
    // true: the group's other options turn false without events, then Click is raised (also when
    // the option was already set). false: no event.
    void setValue(bool value);

    Event Click;
    void userClick();  // = setValue(true)

private:
    void store(bool value);

    OptionGroup& group_;
    bool value_ = false;
};

class CheckBox : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;

    static constexpr int kUnchecked = 0;
    static constexpr int kChecked = 1;
    static constexpr int kGrayed = 2;

    int value() const { return value_; }
    void setValue(int value);  // 0, 1 or 2; raises Click when different

    Event Click;
    void userClick();  // unchecked -> checked, otherwise -> unchecked

private:
    int value_ = kUnchecked;
};

class Slider : public Control {
public:
    using Control::Control;

    int min() const { return min_; }
    int max() const { return max_; }
    // min <= max (else std::invalid_argument); the value is moved into the new range silently.
    void setRange(int min, int max);
    int value() const { return value_; }
    void setValue(int value);  // no event

    Event Scroll;
    void userScroll(int value);  // the value (held to the range), then Scroll

private:
    int min_ = 0;
    int max_ = 10;
    int value_ = 0;
};

class ProgressBar : public Control {
public:
    using Control::Control;

    int min() const { return min_; }
    int max() const { return max_; }
    void setRange(int min, int max);  // as Slider::setRange
    int value() const { return value_; }
    void setValue(int value);

private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
};

class ListView : public Control {
public:
    struct Row {
        std::string text;
        std::vector<std::string> subItems;
        uint32_t color = 0;  // 0xRRGGBB
    };
    using Control::Control;

    const std::vector<std::string>& columns() const { return columns_; }
    void setColumns(std::vector<std::string> columns);
    const std::vector<Row>& rows() const { return rows_; }
    int addRow(Row row);  // returns the row's index
    void clear();         // rows and selection
    int selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(int index);  // -1 .. rows-1; no event
    uint32_t backColor() const { return backColor_; }
    void setBackColor(uint32_t color);

    Event Click, DblClick;
    // Select the row (-1: none, other values are ignored), then raise the event.
    void userClick(int row);
    void userDoubleClick(int row);

private:
    bool userSelects(int row);

    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    int selectedIndex_ = -1;
    uint32_t backColor_ = 0xFFFFFF;
};

class TabStrip : public Control {
public:
    TabStrip(std::string name, std::vector<std::string> captions);

    const std::vector<std::string>& captions() const { return captions_; }
    void setTabCaption(int tab, std::string caption);
    int tabCount() const { return static_cast<int>(captions_.size()); }

    int tab() const { return tab_; }
    void setTab(int tab);  // a different tab raises Click(previousTab)
    bool tabEnabled(int tab) const;
    void setTabEnabled(int tab, bool enabled);

    std::function<void(int previousTab)> Click;
    std::function<void(int button, int shift, float x, float y)> MouseUp;

    void userSelectTab(int tab);  // ignored for a disabled or missing tab
    void userMouseUp(int button, int shift, float x, float y);

private:
    void check(int tab) const;

    std::vector<std::string> captions_;
    std::vector<bool> tabEnabled_;
    int tab_ = 0;
};

// Holds an icon; the tray delivers its mouse messages here (the message number in x, in twips:
// x = message * twipsPerPixelX).
class PictureBox : public Control {
public:
    using Control::Control;

    int icon() const { return icon_; }
    void setIcon(int icon);

    std::function<void(int button, int shift, float x, float y)> MouseMove;
    // Raises MouseMove when enabled, also while invisible (the tray's messages arrive so).
    void userMouseMove(int button, int shift, float x, float y);

private:
    int icon_ = 0;
};

class MenuItem : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;
    Event Click;
    void userClick();
};

// A popup menu of items that live elsewhere (the window owns them).
class Menu : public Control {
public:
    using Control::Control;
    std::vector<MenuItem*> items() const { return items_; }
    void addItem(MenuItem& item);

private:
    std::vector<MenuItem*> items_;
};

class Form : public CaptionedControl {
public:
    using CaptionedControl::CaptionedControl;

    static constexpr int kFormControlMenu = 0;  // unload mode: closed from the window's menu

    void show() { setVisible(true); }
    void hide() { setVisible(false); }

    // Returns true to cancel the closing.
    std::function<bool(int unloadMode)> QueryUnload;
    // The user closes the window: QueryUnload(kFormControlMenu); the form hides unless cancelled.
    void userClose();
};

}  // namespace netpanel::ui
