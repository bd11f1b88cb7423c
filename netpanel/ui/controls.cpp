#include "ui/controls.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace netpanel::ui {

namespace {

// Runs a handler from a copy, so that a handler may reassign itself while it runs.
template <typename Handler, typename... Args>
void raise(const Handler& handler, Args... args) {
    if (!handler) return;
    Handler copy = handler;
    copy(args...);
}

void checkRange(int value, int min, int max, const char* what) {
    if (value < min || value > max) throw std::out_of_range(what);
}

void checkOrderedRange(int min, int max) {
    if (min > max) throw std::invalid_argument("range minimum above maximum");
}

// Assigns and reports whether the value changed.
template <typename T>
bool assign(T& field, T value) {
    if (field == value) return false;
    field = std::move(value);
    return true;
}

}  // namespace

// --- Control --------------------------------------------------------------------------------

Control::Control(std::string name) : name_(std::move(name)) {}

void Control::setEnabled(bool enabled) {
    if (assign(enabled_, enabled)) changed();
}

void Control::setVisible(bool visible) {
    if (assign(visible_, visible)) changed();
}

void Control::setToolTip(std::string toolTip) {
    if (assign(toolTip_, std::move(toolTip))) changed();
}

void Control::addObserver(std::function<void()> observer) {
    observers_.push_back(std::move(observer));
}

void Control::changed() {
    // By index and from copies: an observer may add observers.
    for (size_t i = 0; i < observers_.size(); ++i)
        raise(observers_[i]);
}

void CaptionedControl::setCaption(std::string caption) {
    if (assign(caption_, std::move(caption))) changed();
}

void Button::userClick() {
    if (usable()) raise(Click);
}

// --- TextBox --------------------------------------------------------------------------------

namespace {

// The bytes of the first `characters` characters of UTF-8 text (a view's text arrives so).
size_t utf8Prefix(const std::string& text, int characters) {
    size_t at = 0;
    for (int n = 0; n < characters && at < text.size(); ++n) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
    }
    return at;
}

}  // namespace

void TextBox::setText(std::string text) {
    if (!assign(text_, std::move(text))) return;
    selStart_ = 0;
    selLength_ = 0;
    changed();
    raise(Change);
}

void TextBox::setMaxLength(int maxLength) {
    checkRange(maxLength, 0, std::numeric_limits<int>::max(), "TextBox.MaxLength");
    if (assign(maxLength_, maxLength)) changed();
}

void TextBox::setPasswordChar(char passwordChar) {
    if (assign(passwordChar_, passwordChar)) changed();
}

void TextBox::setLocked(bool locked) {
    if (assign(locked_, locked)) changed();
}

void TextBox::setSelection(int start, int length) {
    const int size = static_cast<int>(text_.size());
    start = std::clamp(start, 0, size);
    length = std::clamp(length, 0, size - start);
    if (start == selStart_ && length == selLength_) return;
    selStart_ = start;
    selLength_ = length;
    changed();
}

void TextBox::setFocus() {
    ++focusRequests_;
    changed();
}

void TextBox::userType(std::string text) {
    if (!usable() || locked_) return;
    if (maxLength_ > 0) text.resize(utf8Prefix(text, maxLength_));
    setText(std::move(text));
}

void TextBox::userFocus() {
    if (usable()) raise(GotFocus);
}

void TextBox::userBlur() {
    if (usable()) raise(LostFocus);
}

void TextBox::userKeyDown(int keyCode, int shift) {
    if (usable()) raise(KeyDown, keyCode, shift);
}

// --- ComboBox -------------------------------------------------------------------------------

ComboBox::ComboBox(std::string name, Style style) : Control(std::move(name)), style_(style) {}

void ComboBox::addItem(std::string item) {
    items_.push_back(std::move(item));
    changed();
}

void ComboBox::clear() {
    items_.clear();
    listIndex_ = -1;
    text_.clear();
    changed();
}

void ComboBox::removeItem(int index) {
    checkRange(index, 0, listCount() - 1, "ComboBox.RemoveItem");
    items_.erase(items_.begin() + index);
    if (index == listIndex_) {
        listIndex_ = -1;
        if (style_ == Style::DropdownList) text_.clear();
    } else if (index < listIndex_) {
        --listIndex_;
    }
    changed();
}

void ComboBox::setListIndex(int index) {
    checkRange(index, -1, listCount() - 1, "ComboBox.ListIndex");
    bool differs = assign(listIndex_, index);
    differs |= assign(text_, index < 0 ? std::string() : items_[index]);
    if (differs) changed();
    raise(Click);
}

bool ComboBox::selectIfListed(int index) {
    if (index < 0 || index >= listCount()) return false;
    setListIndex(index);
    return true;
}

void ComboBox::setText(std::string text) {
    if (text == text_) return;
    auto found = std::find(items_.begin(), items_.end(), text);
    listIndex_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
    text_ = std::move(text);
    changed();
    raise(Change);
}

void ComboBox::userSelect(int index) {
    if (usable() && index >= -1 && index < listCount()) setListIndex(index);
}

void ComboBox::userType(std::string text) {
    if (usable() && style_ == Style::DropdownCombo) setText(std::move(text));
}

void ComboBox::userFocus() {
    if (usable()) raise(GotFocus);
}

// --- OptionButton ---------------------------------------------------------------------------

OptionButton::OptionButton(std::string name, OptionGroup& group)
    : CaptionedControl(std::move(name)), group_(group) {
    group_.members_.push_back(this);
}

OptionButton::~OptionButton() {
    std::erase(group_.members_, this);
}

void OptionButton::store(bool value) {
    if (assign(value_, value)) changed();
}

void OptionButton::setValue(bool value) {
    if (!value) {
        store(false);
        return;
    }
    // Copy: a member's observer must not disturb the walk.
    std::vector<OptionButton*> others = group_.members_;
    store(true);
    for (OptionButton* other : others)
        if (other != this) other->store(false);
    raise(Click);
}

void OptionButton::userClick() {
    if (usable()) setValue(true);
}

// --- CheckBox -------------------------------------------------------------------------------

void CheckBox::setValue(int value) {
    checkRange(value, kUnchecked, kGrayed, "CheckBox.Value");
    if (!assign(value_, value)) return;
    changed();
    raise(Click);
}

void CheckBox::userClick() {
    if (usable()) setValue(value_ == kUnchecked ? kChecked : kUnchecked);
}

// --- Slider and ProgressBar -----------------------------------------------------------------

void Slider::setRange(int min, int max) {
    checkOrderedRange(min, max);
    bool differs = assign(min_, min);
    differs |= assign(max_, max);
    differs |= assign(value_, std::clamp(value_, min, max));
    if (differs) changed();
}

void Slider::setValue(int value) {
    checkRange(value, min_, max_, "Slider.Value");
    if (assign(value_, value)) changed();
}

void Slider::userScroll(int value) {
    if (!usable()) return;
    setValue(std::clamp(value, min_, max_));
    raise(Scroll);
}

void ProgressBar::setRange(int min, int max) {
    checkOrderedRange(min, max);
    bool differs = assign(min_, min);
    differs |= assign(max_, max);
    differs |= assign(value_, std::clamp(value_, min, max));
    if (differs) changed();
}

void ProgressBar::setValue(int value) {
    checkRange(value, min_, max_, "ProgressBar.Value");
    if (assign(value_, value)) changed();
}

// --- ListView -------------------------------------------------------------------------------

void ListView::setColumns(std::vector<std::string> columns) {
    if (assign(columns_, std::move(columns))) changed();
}

int ListView::addRow(Row row) {
    rows_.push_back(std::move(row));
    changed();
    return static_cast<int>(rows_.size()) - 1;
}

void ListView::clear() {
    if (rows_.empty() && selectedIndex_ == -1) return;
    rows_.clear();
    selectedIndex_ = -1;
    changed();
}

void ListView::setSelectedIndex(int index) {
    checkRange(index, -1, static_cast<int>(rows_.size()) - 1, "ListView.SelectedItem");
    if (assign(selectedIndex_, index)) changed();
}

void ListView::setBackColor(uint32_t color) {
    if (assign(backColor_, color & 0xFFFFFFu)) changed();
}

bool ListView::userSelects(int row) {
    if (!usable() || row < -1 || row >= static_cast<int>(rows_.size())) return false;
    setSelectedIndex(row);
    return true;
}

void ListView::userClick(int row) {
    if (userSelects(row)) raise(Click);
}

void ListView::userDoubleClick(int row) {
    if (userSelects(row)) raise(DblClick);
}

// --- TabStrip -------------------------------------------------------------------------------

TabStrip::TabStrip(std::string name, std::vector<std::string> captions)
    : Control(std::move(name)),
      captions_(std::move(captions)),
      tabEnabled_(captions_.size(), true) {
    if (captions_.empty()) throw std::invalid_argument("a tab strip needs a tab");
}

void TabStrip::check(int tab) const {
    checkRange(tab, 0, tabCount() - 1, "TabStrip.Tab");
}

void TabStrip::setTabCaption(int tab, std::string caption) {
    check(tab);
    if (assign(captions_[tab], std::move(caption))) changed();
}

void TabStrip::setTab(int tab) {
    check(tab);
    int previous = tab_;
    if (!assign(tab_, tab)) return;
    changed();
    raise(Click, previous);
}

bool TabStrip::tabEnabled(int tab) const {
    check(tab);
    return tabEnabled_[tab];
}

void TabStrip::setTabEnabled(int tab, bool enabled) {
    check(tab);
    if (tabEnabled_[tab] == enabled) return;
    tabEnabled_[tab] = enabled;
    changed();
}

void TabStrip::userSelectTab(int tab) {
    if (usable() && tab >= 0 && tab < tabCount() && tabEnabled_[tab]) setTab(tab);
}

void TabStrip::userMouseUp(int button, int shift, float x, float y) {
    if (usable()) raise(MouseUp, button, shift, x, y);
}

// --- PictureBox, menus, form ----------------------------------------------------------------

void PictureBox::setIcon(int icon) {
    if (assign(icon_, icon)) changed();
}

void PictureBox::userMouseMove(int button, int shift, float x, float y) {
    // Tray messages go to the picture box's window whether it is shown or not.
    if (enabled()) raise(MouseMove, button, shift, x, y);
}

void MenuItem::userClick() {
    if (usable()) raise(Click);
}

void Menu::addItem(MenuItem& item) {
    items_.push_back(&item);
    changed();
}

void Form::userClose() {
    if (!usable()) return;
    bool cancelled = false;
    if (QueryUnload) {
        auto handler = QueryUnload;
        cancelled = handler(kFormControlMenu);
    }
    if (!cancelled) hide();
}

}  // namespace netpanel::ui
