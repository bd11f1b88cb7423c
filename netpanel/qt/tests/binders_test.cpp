// The binders: model changes reach the widgets without looking like a person's action, and a
// person's action on a widget reaches the model as its event.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "qt/binders.h"
#include "qt/timer_binding.h"
#include "qt_test_support.h"
#include "ui/timer.h"

namespace netpanel::qt {
namespace {

using testing::app;

// Counts the events a control raises.
struct Count {
    int value = 0;
    ui::Event hook() {
        return [this] { ++value; };
    }
};

void addPages(QTabWidget& tabs, int count) {
    for (int page = 0; page < count; ++page) {
        tabs.addTab(std::make_unique<QWidget>().release(), QString::number(page));  // tabs own it
    }
}

class Binders : public testing::AppTest {
protected:
    // Models first: they outlive the widgets.
    ui::Label label{"label"};
    ui::Frame frame{"frame"};
    ui::Button button{"button"};
    ui::TextBox text{"text"};
    ui::ComboBox list{"list", ui::ComboBox::Style::DropdownList};
    ui::ComboBox combo{"combo", ui::ComboBox::Style::DropdownCombo};
    ui::OptionGroup group;
    ui::OptionButton optionA{"optionA", group};
    ui::OptionButton optionB{"optionB", group};
    ui::CheckBox check{"check"};
    ui::Slider slider{"slider"};
    ui::ProgressBar progress{"progress"};
    ui::ListView listView{"listView"};
    ui::TabStrip strip{"strip", {"One", "Two", "Three"}};

    QWidget parent;
    QLabel labelWidget{&parent};
    QGroupBox frameWidget{&parent};
    QPushButton buttonWidget{&parent};
    QLineEdit textWidget{&parent};
    QComboBox listWidget{&parent};
    QComboBox comboWidget{&parent};
    QRadioButton optionAWidget{&parent};
    QRadioButton optionBWidget{&parent};
    QCheckBox checkWidget{&parent};
    QSlider sliderWidget{Qt::Horizontal, &parent};
    QProgressBar progressWidget{&parent};
    QTreeWidget listViewWidget{&parent};
    QTabWidget stripWidget{&parent};
};

TEST_F(Binders, EnabledVisibleAndToolTipFollowTheModelForEveryKind) {
    addPages(stripWidget, 3);
    bind(label, labelWidget);
    bind(frame, frameWidget);
    bind(button, buttonWidget);
    bind(text, textWidget);
    bind(list, listWidget);
    bind(optionA, optionAWidget);
    bind(check, checkWidget);
    bind(slider, sliderWidget);
    bind(progress, progressWidget);
    bind(listView, listViewWidget);
    bind(strip, stripWidget);
    const std::vector<std::pair<ui::Control*, QWidget*>> pairs = {
        {&label, &labelWidget},       {&frame, &frameWidget},   {&button, &buttonWidget},
        {&text, &textWidget},         {&list, &listWidget},     {&optionA, &optionAWidget},
        {&check, &checkWidget},       {&slider, &sliderWidget}, {&progress, &progressWidget},
        {&listView, &listViewWidget}, {&strip, &stripWidget},
    };
    parent.show();
    for (auto [control, widget] : pairs) {
        SCOPED_TRACE(control->name());
        EXPECT_TRUE(widget->isEnabled());
        control->setEnabled(false);
        control->setToolTip("tip of " + control->name());
        control->setVisible(false);
        EXPECT_FALSE(widget->isEnabled());
        EXPECT_EQ(widget->toolTip().toStdString(), "tip of " + control->name());
        EXPECT_TRUE(widget->isHidden());
        control->setVisible(true);
        control->setEnabled(true);
        EXPECT_TRUE(widget->isVisible());
        EXPECT_TRUE(widget->isEnabled());
    }
}

TEST_F(Binders, CaptionsReachTheirWidgets) {
    bind(label, labelWidget);
    bind(frame, frameWidget);
    bind(button, buttonWidget);
    bind(optionA, optionAWidget);
    bind(check, checkWidget);
    label.setCaption("Link Quality:     Excellent (100%)");
    frame.setCaption("Tx/Rx Frame");
    button.setCaption("Re-Connect");
    optionA.setCaption("ASCII");
    check.setCaption("Permit");
    EXPECT_EQ(labelWidget.text(), "Link Quality:     Excellent (100%)");  // blanks kept
    EXPECT_EQ(labelWidget.textFormat(), Qt::PlainText);
    EXPECT_EQ(frameWidget.title(), "Tx/Rx Frame");
    EXPECT_EQ(buttonWidget.text(), "Re-Connect");
    EXPECT_EQ(optionAWidget.text(), "ASCII");
    EXPECT_EQ(checkWidget.text(), "Permit");
}

TEST_F(Binders, ButtonClickRaisesClickOnlyWhileEnabled) {
    Count clicks;
    button.Click = clicks.hook();
    bind(button, buttonWidget);
    buttonWidget.click();
    button.setEnabled(false);
    buttonWidget.click();
    EXPECT_EQ(clicks.value, 1);
}

TEST_F(Binders, TextBoxMirrorsLockPasswordAndTextAndTypingReachesTheModel) {
    Count changes;
    text.Change = changes.hook();
    bind(text, textWidget);
    text.setText("WIRELESS");
    EXPECT_EQ(textWidget.text(), "WIRELESS");
    EXPECT_EQ(changes.value, 1);  // the code's assignment only

    text.setLocked(true);
    text.setPasswordChar('*');
    EXPECT_TRUE(textWidget.isReadOnly());
    EXPECT_EQ(textWidget.echoMode(), QLineEdit::Password);

    text.setLocked(false);
    text.setPasswordChar(0);
    text.setMaxLength(5);
    text.setText("");
    QTest::keyClicks(&textWidget, "kvlab123");
    EXPECT_EQ(text.text(), "kvlab");  // cut to MaxLength
    EXPECT_EQ(textWidget.text(), "kvlab");
    EXPECT_EQ(textWidget.echoMode(), QLineEdit::Normal);
}

TEST_F(Binders, TextBoxKeyDownCarriesVbKeyCodesAndShift) {
    std::vector<std::pair<int, int>> keys;
    text.KeyDown = [&keys](int code, int shift) { keys.emplace_back(code, shift); };
    bind(text, textWidget);
    QTest::keyClick(&textWidget, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(&textWidget, Qt::Key_Space);
    QTest::keyClick(&textWidget, Qt::Key_F1, Qt::ControlModifier);
    // The modifier keys themselves go down first, as on the keyboard.
    const std::vector<std::pair<int, int>> expected = {
        {16, 1}, {65, 1}, {32, 0}, {17, 2}, {112, 2}};
    EXPECT_EQ(keys, expected);
}

TEST_F(Binders, CodeAssignedLongerThanMaxLengthIsShownWhole) {
    bind(text, textWidget);
    text.setMaxLength(5);
    text.setText("longer than five");
    EXPECT_EQ(textWidget.text(), "longer than five");
}

TEST_F(Binders, ListBoxShowsItemsAndSelectionAndAPersonsChoiceIsAClick) {
    Count clicks;
    list.Click = clicks.hook();
    for (const char* item : {"Disable", "64 Bit", "128 Bit"})
        list.addItem(item);
    bind(list, listWidget);
    EXPECT_FALSE(listWidget.isEditable());
    ASSERT_EQ(listWidget.count(), 3);
    EXPECT_EQ(listWidget.itemText(2), "128 Bit");

    list.setListIndex(1);  // code: one Click, from the model
    EXPECT_EQ(listWidget.currentIndex(), 1);
    EXPECT_EQ(clicks.value, 1);

    emit listWidget.activated(2);  // what the combo box emits when a person picks an item
    EXPECT_EQ(list.listIndex(), 2);
    EXPECT_EQ(list.text(), "128 Bit");
    EXPECT_EQ(clicks.value, 2);
}

TEST_F(Binders, ListBoxShowsATextThatIsNoItemWhileNothingIsSelected) {
    list.addItem("1M bit/sec");
    list.setText("Auto Rate");
    bind(list, listWidget);
    EXPECT_EQ(listWidget.currentIndex(), -1);
    EXPECT_EQ(listWidget.placeholderText(), "Auto Rate");
    // Drawn as a value, not greyed as a hint.
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        EXPECT_EQ(listWidget.palette().color(group, QPalette::PlaceholderText),
                  listWidget.palette().color(group, QPalette::ButtonText));
    }
    list.setListIndex(0);
    EXPECT_EQ(listWidget.placeholderText(), "");
}

TEST_F(Binders, EditableComboMirrorsTextAndTypingIsAChange) {
    Count changes;
    combo.Change = changes.hook();
    combo.addItem("Default");
    bind(combo, comboWidget);
    EXPECT_TRUE(comboWidget.isEditable());
    combo.setText("Office");
    EXPECT_EQ(comboWidget.currentText(), "Office");
    EXPECT_EQ(changes.value, 1);
    comboWidget.lineEdit()->clear();
    QTest::keyClicks(comboWidget.lineEdit(), "Lab");
    EXPECT_EQ(combo.text(), "Lab");
    EXPECT_EQ(changes.value, 4);  // one per typed letter
}

TEST_F(Binders, OptionButtonsExcludeEachOtherThroughTheModel) {
    Count clicksB;
    optionB.Click = clicksB.hook();
    bind(optionA, optionAWidget);
    bind(optionB, optionBWidget);
    EXPECT_FALSE(optionAWidget.autoExclusive());
    optionA.setValue(true);
    EXPECT_TRUE(optionAWidget.isChecked());
    optionBWidget.click();
    EXPECT_TRUE(optionB.value());
    EXPECT_FALSE(optionA.value());
    EXPECT_TRUE(optionBWidget.isChecked());
    EXPECT_FALSE(optionAWidget.isChecked());
    optionBWidget.click();  // a checked option stays checked and clicks again
    EXPECT_TRUE(optionBWidget.isChecked());
    EXPECT_EQ(clicksB.value, 2);
}

TEST_F(Binders, CheckBoxShowsThreeStatesAndAClickToggles) {
    Count clicks;
    check.Click = clicks.hook();
    bind(check, checkWidget);
    const std::pair<int, Qt::CheckState> states[] = {
        {ui::CheckBox::kGrayed, Qt::PartiallyChecked},
        {ui::CheckBox::kChecked, Qt::Checked},
        {ui::CheckBox::kUnchecked, Qt::Unchecked},
    };
    for (auto [value, state] : states) {
        check.setValue(value);
        EXPECT_EQ(checkWidget.checkState(), state) << value;
    }
    clicks.value = 0;
    checkWidget.click();
    EXPECT_EQ(check.value(), ui::CheckBox::kChecked);
    EXPECT_EQ(checkWidget.checkState(), Qt::Checked);
    EXPECT_EQ(clicks.value, 1);
}

TEST_F(Binders, SliderFromCodeIsSilentAndAPersonsMoveIsAScroll) {
    Count scrolls;
    slider.Scroll = scrolls.hook();
    bind(slider, sliderWidget);
    slider.setRange(256, 2305);
    slider.setValue(2305);
    EXPECT_EQ(sliderWidget.minimum(), 256);
    EXPECT_EQ(sliderWidget.value(), 2305);
    EXPECT_EQ(scrolls.value, 0);
    sliderWidget.triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(slider.value(), sliderWidget.value());
    EXPECT_LT(slider.value(), 2305);
    EXPECT_EQ(scrolls.value, 1);
}

TEST_F(Binders, ProgressBarShowsRangeAndValue) {
    bind(progress, progressWidget);
    progress.setValue(73);
    EXPECT_EQ(progressWidget.value(), 73);
    EXPECT_EQ(progressWidget.maximum(), 100);
    EXPECT_FALSE(progressWidget.isTextVisible());
}

TEST_F(Binders, ListViewShowsColumnsRowsColoursAndSelection) {
    Count clicks, doubleClicks;
    listView.Click = clicks.hook();
    listView.DblClick = doubleClicks.hook();
    bind(listView, listViewWidget);
    listView.setColumns({"SSID", "BSSID", "Signal"});
    listView.addRow({"LabNet", {"02:4B:56:00:01:01", "-48"}, 0x0000FF});
    listView.addRow({"Corridor", {"02:4B:56:00:0B:01", "-79"}, 0xFF0000});
    ASSERT_EQ(listViewWidget.columnCount(), 3);
    EXPECT_EQ(listViewWidget.headerItem()->text(2), "Signal");
    ASSERT_EQ(listViewWidget.topLevelItemCount(), 2);
    EXPECT_EQ(listViewWidget.topLevelItem(1)->text(0), "Corridor");
    EXPECT_EQ(listViewWidget.topLevelItem(1)->text(2), "-79");
    EXPECT_EQ(listViewWidget.topLevelItem(0)->foreground(1).color(), QColor(0, 0, 255));

    listView.setSelectedIndex(1);
    EXPECT_TRUE(listViewWidget.topLevelItem(1)->isSelected());
    EXPECT_EQ(clicks.value, 0);

    listViewWidget.setCurrentItem(listViewWidget.topLevelItem(0));  // as a person's click does
    EXPECT_EQ(listView.selectedIndex(), 0);
    EXPECT_EQ(clicks.value, 1);
    emit listViewWidget.itemDoubleClicked(listViewWidget.topLevelItem(1), 0);
    EXPECT_EQ(listView.selectedIndex(), 1);
    EXPECT_EQ(doubleClicks.value, 1);

    listView.clear();
    EXPECT_EQ(listViewWidget.topLevelItemCount(), 0);
}

TEST_F(Binders, AMouseClickOnAListRowIsOneClickAlsoOnTheSelectedRow) {
    Count clicks, doubleClicks;
    listView.Click = clicks.hook();
    listView.DblClick = doubleClicks.hook();
    bind(listView, listViewWidget);
    listView.setColumns({"SSID"});
    for (const char* ssid : {"LabNet", "Corridor"})
        listView.addRow({ssid, {}, 0});
    listView.setSelectedIndex(1);
    parent.show();
    auto at = [this](int row) {
        return listViewWidget.visualItemRect(listViewWidget.topLevelItem(row)).center();
    };
    QTest::mouseClick(listViewWidget.viewport(), Qt::LeftButton, {}, at(1));  // already selected
    EXPECT_EQ(clicks.value, 1);
    QTest::mouseClick(listViewWidget.viewport(), Qt::LeftButton, {}, at(0));
    EXPECT_EQ(clicks.value, 2);
    EXPECT_EQ(listView.selectedIndex(), 0);
    QTest::mouseClick(listViewWidget.viewport(), Qt::LeftButton, {}, at(1));   // what a double
    QTest::mouseDClick(listViewWidget.viewport(), Qt::LeftButton, {}, at(1));  // click sends
    QTest::mouseRelease(listViewWidget.viewport(), Qt::LeftButton, {}, at(1));
    EXPECT_EQ(clicks.value, 3);
    EXPECT_EQ(doubleClicks.value, 1);
    EXPECT_EQ(listView.selectedIndex(), 1);
}

TEST_F(Binders, TabStripFollowsTheModelAndRefusedTabsSnapBack) {
    std::vector<int> previousTabs;
    strip.Click = [&previousTabs](int previous) { previousTabs.push_back(previous); };
    addPages(stripWidget, 3);
    bind(strip, stripWidget);
    EXPECT_EQ(stripWidget.tabText(0), "One");
    strip.setTab(2);
    EXPECT_EQ(stripWidget.currentIndex(), 2);
    strip.setTabEnabled(1, false);
    EXPECT_FALSE(stripWidget.isTabEnabled(1));

    stripWidget.setCurrentIndex(0);  // a person's choice
    EXPECT_EQ(strip.tab(), 0);
    stripWidget.setCurrentIndex(1);  // an unavailable tab: the model refuses
    EXPECT_EQ(strip.tab(), 0);
    EXPECT_EQ(stripWidget.currentIndex(), 0);
    EXPECT_EQ(previousTabs, (std::vector<int>{0, 2}));
}

TEST_F(Binders, MouseReleasedOnTheTabBarIsTheStripsMouseUpInTwips) {
    std::vector<std::vector<float>> ups;
    strip.MouseUp = [&ups](int button, int shift, float x, float y) {
        ups.push_back({float(button), float(shift), x, y});
    };
    addPages(stripWidget, 3);
    bind(strip, stripWidget);
    parent.show();
    QTest::mouseRelease(stripWidget.tabBar(), Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 3));
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0], (std::vector<float>{1, 1, 4.0f * kTwipsPerPixel, 3.0f * kTwipsPerPixel}));
}

TEST_F(Binders, FormShowsAndHidesItsWindowAndCarriesTheCaption) {
    ui::Form form("form");
    QWidget window;
    bind(form, window);
    form.setCaption("IEEE 802.11b Wireless LAN Utility");
    EXPECT_EQ(window.windowTitle(), "IEEE 802.11b Wireless LAN Utility");
    form.show();
    EXPECT_TRUE(window.isVisible());
    form.hide();
    EXPECT_FALSE(window.isVisible());
}

TEST(VbInput, KeyCodesShiftMasksAndButtons) {
    const std::pair<int, int> keys[] = {
        {Qt::Key_0, 48},      {Qt::Key_Z, 90},      {Qt::Key_F1, 112},   {Qt::Key_F12, 123},
        {Qt::Key_Return, 13}, {Qt::Key_Escape, 27}, {Qt::Key_Space, 32}, {Qt::Key_Delete, 46},
        {Qt::Key_Left, 37},   {Qt::Key_Comma, 186}, {Qt::Key_Shift, 16}, {Qt::Key_unknown, 0},
    };
    for (auto [qtKey, vb] : keys)
        EXPECT_EQ(vbKeyCode(qtKey), vb) << qtKey;
    EXPECT_EQ(vbShiftMask(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(vbShiftMask(Qt::ControlModifier), 2);
    EXPECT_EQ(vbMouseButton(Qt::RightButton), 2);
    EXPECT_EQ(vbMouseButton(Qt::MiddleButton), 4);
}

using TimerBindings = testing::AppTest;

TEST_F(TimerBindings, QtTimerRunsWhileTheModelsTimerRunsAndFiresTicks) {
    ui::Timer timer("Timer1", 300, false);
    int ticks = 0;
    timer.Tick = [&ticks] { ++ticks; };
    TimerBinding binding(timer);
    EXPECT_FALSE(binding.active());
    timer.setEnabled(true);
    EXPECT_TRUE(binding.active());
    EXPECT_EQ(binding.interval(), 300);
    timer.setInterval(15);
    EXPECT_EQ(binding.interval(), 15);
    EXPECT_TRUE(testing::waitUntil([&ticks] { return ticks >= 2; }));
    timer.setEnabled(false);
    EXPECT_FALSE(binding.active());
    timer.setEnabled(true);
    timer.setInterval(0);  // never fires
    EXPECT_FALSE(binding.active());
}

TEST_F(TimerBindings, AHandlerThatStopsItsTimerStopsTheQtTimer) {
    ui::Timer timer("Timer3", 10, true);
    int ticks = 0;
    timer.Tick = [&] {
        ++ticks;
        timer.setEnabled(false);
    };
    TimerBinding binding(timer);
    EXPECT_TRUE(testing::waitUntil([&ticks] { return ticks == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(binding.active());
}

}  // namespace
}  // namespace netpanel::qt
