// The controls' event rules, their user actions and what the view observes.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace netpanel::ui {
namespace {

using Log = std::vector<std::string>;

// One control of each kind that raises events, every event written to `log`.
struct Bench {
    ComboBox combo{"cboChannel"};
    ComboBox list{"cboMode", ComboBox::Style::DropdownList};
    TextBox text{"txtSsid"};
    OptionGroup group;
    OptionButton optA{"optA", group};
    OptionButton optB{"optB", group};
    OptionButton optC{"optC", group};
    CheckBox check{"chkWep"};
    Slider slider{"sldRate"};
    TabStrip tabs{"SSTab1", {"Link", "Config", "Survey"}};
    Button button{"cmdApply"};
    ListView view{"lvSurvey"};
    PictureBox picture{"picTray"};
    MenuItem item{"mnuOpen"};
    Log log;

    Bench() {
        for (const char* entry : {"a", "b", "c"}) {
            combo.addItem(entry);
            list.addItem(entry);
        }
        view.addRow({"net1", {"11"}, 0x00FF00});
        view.addRow({"net2", {"6"}, 0});
        record(combo.Click, "combo.Click");
        record(combo.Change, "combo.Change");
        record(list.Click, "list.Click");
        record(text.Change, "text.Change");
        record(text.GotFocus, "text.GotFocus");
        record(text.LostFocus, "text.LostFocus");
        record(optA.Click, "optA.Click");
        record(optB.Click, "optB.Click");
        record(check.Click, "check.Click");
        record(slider.Scroll, "slider.Scroll");
        record(button.Click, "button.Click");
        record(view.Click, "view.Click");
        record(view.DblClick, "view.DblClick");
        record(item.Click, "item.Click");
        text.KeyDown = [this](int key, int shift) {
            log.push_back("text.KeyDown(" + std::to_string(key) + "," + std::to_string(shift) +
                          ")");
        };
        tabs.Click = [this](int previous) {
            log.push_back("tabs.Click(" + std::to_string(previous) + ")");
        };
        tabs.MouseUp = [this](int, int, float, float) { log.push_back("tabs.MouseUp"); };
        picture.MouseMove = [this](int, int, float, float) { log.push_back("picture.MouseMove"); };
    }

    void record(Event& event, std::string entry) {
        event = [this, entry] { log.push_back(entry); };
    }
};

struct Case {
    const char* what;
    std::function<void(Bench&)> prepare;  // runs before the log is cleared
    std::function<void(Bench&)> act;
    Log expected;
};

void none(Bench&) {}

// Assignments from code follow the form runtime's rules; user actions raise their events.
TEST(Controls, AssignmentsAndUserActionsRaiseTheirEvents) {
    const Case cases[] = {
        {"ListIndex to another item",
         none,
         [](Bench& b) { b.combo.setListIndex(1); },
         {"combo.Click"}},
        {"ListIndex to the current item",
         [](Bench& b) { b.combo.setListIndex(1); },
         [](Bench& b) { b.combo.setListIndex(1); },
         {"combo.Click"}},
        {"ListIndex -1 with nothing selected",
         none,
         [](Bench& b) { b.combo.setListIndex(-1); },
         {"combo.Click"}},
        {"ListIndex of a dropdown list",
         none,
         [](Bench& b) { b.list.setListIndex(2); },
         {"list.Click"}},
        {"combo Text different", none, [](Bench& b) { b.combo.setText("x"); }, {"combo.Change"}},
        {"combo Text equal",
         [](Bench& b) { b.combo.setText("x"); },
         [](Bench& b) { b.combo.setText("x"); },
         {}},
        {"combo Text equal to an item",
         none,
         [](Bench& b) { b.combo.setText("b"); },
         {"combo.Change"}},
        {"TextBox Text different", none, [](Bench& b) { b.text.setText("home"); }, {"text.Change"}},
        {"TextBox Text equal",
         [](Bench& b) { b.text.setText("home"); },
         [](Bench& b) { b.text.setText("home"); },
         {}},
        {"TextBox Text empty on empty", none, [](Bench& b) { b.text.setText(""); }, {}},
        {"option set", none, [](Bench& b) { b.optA.setValue(true); }, {"optA.Click"}},
        {"option set again",
         [](Bench& b) { b.optA.setValue(true); },
         [](Bench& b) { b.optA.setValue(true); },
         {"optA.Click"}},
        {"option cleared",
         [](Bench& b) { b.optA.setValue(true); },
         [](Bench& b) { b.optA.setValue(false); },
         {}},
        {"another option of the group",
         [](Bench& b) { b.optA.setValue(true); },
         [](Bench& b) { b.optB.setValue(true); },
         {"optB.Click"}},
        {"check to checked", none, [](Bench& b) { b.check.setValue(1); }, {"check.Click"}},
        {"check to grayed", none, [](Bench& b) { b.check.setValue(2); }, {"check.Click"}},
        {"check to the same value",
         [](Bench& b) { b.check.setValue(1); },
         [](Bench& b) { b.check.setValue(1); },
         {}},
        {"slider value", none, [](Bench& b) { b.slider.setValue(7); }, {}},
        {"slider range", none, [](Bench& b) { b.slider.setRange(2, 5); }, {}},
        {"tab to another", none, [](Bench& b) { b.tabs.setTab(2); }, {"tabs.Click(0)"}},
        {"tab from another",
         [](Bench& b) { b.tabs.setTab(2); },
         [](Bench& b) { b.tabs.setTab(1); },
         {"tabs.Click(2)"}},
        {"tab to the current", none, [](Bench& b) { b.tabs.setTab(0); }, {}},
        {"list view selection", none, [](Bench& b) { b.view.setSelectedIndex(1); }, {}},
        {"removing the selected item",
         [](Bench& b) { b.combo.setListIndex(1); },
         [](Bench& b) { b.combo.removeItem(1); },
         {}},
        {"clearing the combo",
         [](Bench& b) { b.combo.setListIndex(1); },
         [](Bench& b) { b.combo.clear(); },
         {}},
    };
    for (const Case& c : cases) {
        Bench bench;
        c.prepare(bench);
        bench.log.clear();
        c.act(bench);
        EXPECT_EQ(bench.log, c.expected) << c.what;
    }
}

TEST(Controls, UserActionsOnDisabledOrHiddenControlsDoNothing) {
    const std::function<void(Bench&)> actions[] = {
        [](Bench& b) { b.button.userClick(); },
        [](Bench& b) { b.combo.userSelect(1); },
        [](Bench& b) { b.combo.userType("z"); },
        [](Bench& b) { b.text.userType("z"); },
        [](Bench& b) { b.text.userFocus(); },
        [](Bench& b) { b.text.userBlur(); },
        [](Bench& b) { b.text.userKeyDown(13, 0); },
        [](Bench& b) { b.optA.userClick(); },
        [](Bench& b) { b.check.userClick(); },
        [](Bench& b) { b.slider.userScroll(4); },
        [](Bench& b) { b.tabs.userSelectTab(1); },
        [](Bench& b) { b.tabs.userMouseUp(1, 0, 0, 0); },
        [](Bench& b) { b.view.userClick(0); },
        [](Bench& b) { b.view.userDoubleClick(0); },
        [](Bench& b) { b.item.userClick(); },
    };
    for (bool disable : {true, false}) {
        Bench bench;
        for (Control* control : std::initializer_list<Control*>{
                 &bench.button, &bench.combo, &bench.text, &bench.optA, &bench.check, &bench.slider,
                 &bench.tabs, &bench.view, &bench.item})
            disable ? control->setEnabled(false) : control->setVisible(false);
        for (const auto& act : actions)
            act(bench);
        EXPECT_EQ(bench.log, Log{}) << (disable ? "disabled" : "invisible");
        EXPECT_EQ(bench.combo.listIndex(), -1);
        EXPECT_EQ(bench.text.text(), "");
        EXPECT_FALSE(bench.optA.value());
        EXPECT_EQ(bench.check.value(), 0);
        EXPECT_EQ(bench.slider.value(), 0);
        EXPECT_EQ(bench.tabs.tab(), 0);
        EXPECT_EQ(bench.view.selectedIndex(), -1);
    }
}

// The tray's mouse messages reach a picture box's window even while it is invisible.
TEST(PictureBox, MouseMessagesReachAnInvisiblePictureUnlessDisabled) {
    Bench b;
    b.picture.setVisible(false);
    b.picture.userMouseMove(0, 0, 7725, 0);
    EXPECT_EQ(b.log, Log{"picture.MouseMove"});
    b.picture.setEnabled(false);
    b.picture.userMouseMove(0, 0, 7725, 0);
    EXPECT_EQ(b.log, Log{"picture.MouseMove"});
}

TEST(ComboBox, ListIndexAndTextFollowEachOther) {
    Bench b;
    b.combo.setText("typed");
    b.combo.setListIndex(2);
    EXPECT_EQ(b.combo.text(), "c");
    b.combo.setListIndex(-1);
    EXPECT_EQ(b.combo.text(), "");
    b.combo.setText("b");
    EXPECT_EQ(b.combo.listIndex(), 1);
    b.combo.setText("B");
    EXPECT_EQ(b.combo.listIndex(), -1);
    EXPECT_EQ(b.log,
              (Log{"combo.Change", "combo.Click", "combo.Click", "combo.Change", "combo.Change"}));
}

TEST(ComboBox, SelectionFollowsRemovedItems) {
    Bench b;
    b.combo.addItem("d");
    b.combo.setListIndex(2);
    b.combo.removeItem(0);
    EXPECT_EQ(b.combo.listIndex(), 1);
    EXPECT_EQ(b.combo.text(), "c");
    b.combo.removeItem(1);
    EXPECT_EQ(b.combo.listIndex(), -1);
    EXPECT_EQ(b.combo.text(), "c") << "a dropdown combo keeps its text";
    EXPECT_EQ(b.combo.items(), (std::vector<std::string>{"b", "d"}));
    b.list.setListIndex(0);
    b.list.removeItem(0);
    EXPECT_EQ(b.list.text(), "") << "a dropdown list shows only items";
    b.combo.clear();
    EXPECT_EQ(b.combo.listCount(), 0);
    EXPECT_EQ(b.combo.text(), "");
}

TEST(Controls, ValuesOutOfRangeThrowAndChangeNothing) {
    Bench b;
    b.combo.setListIndex(1);
    b.log.clear();
    EXPECT_THROW(b.combo.setListIndex(3), std::out_of_range);
    EXPECT_THROW(b.combo.setListIndex(-2), std::out_of_range);
    EXPECT_THROW(b.combo.removeItem(3), std::out_of_range);
    EXPECT_THROW(b.check.setValue(3), std::out_of_range);
    EXPECT_THROW(b.slider.setValue(11), std::out_of_range);
    EXPECT_THROW(b.slider.setRange(5, 4), std::invalid_argument);
    EXPECT_THROW(b.tabs.setTab(3), std::out_of_range);
    EXPECT_THROW(b.view.setSelectedIndex(2), std::out_of_range);
    ProgressBar bar("pbSignal");
    EXPECT_THROW(bar.setValue(101), std::out_of_range);
    EXPECT_EQ(b.combo.listIndex(), 1);
    EXPECT_EQ(b.combo.listCount(), 3);
    EXPECT_EQ(b.check.value(), 0);
    EXPECT_EQ(b.tabs.tab(), 0);
    EXPECT_EQ(b.log, Log{});
}

TEST(OptionButton, OnlyOneOfTheGroupIsSet) {
    Bench b;
    OptionGroup other;
    OptionButton alone("optOther", other);
    alone.setValue(true);
    int observedA = 0;
    b.optA.addObserver([&] { ++observedA; });
    b.optA.setValue(true);
    b.optC.userClick();
    EXPECT_FALSE(b.optA.value());
    EXPECT_FALSE(b.optB.value());
    EXPECT_TRUE(b.optC.value());
    EXPECT_TRUE(alone.value()) << "another group is not touched";
    EXPECT_EQ(observedA, 2) << "the view sees the silent clearing";
    EXPECT_EQ(b.log, Log{"optA.Click"});
    EXPECT_EQ(b.group.members().size(), 3u);
}

TEST(CheckBox, UserClickTogglesCheckedAndUnchecked) {
    Bench b;
    const std::pair<int, int> steps[] = {{0, 1}, {1, 0}, {2, 0}};
    for (auto [from, to] : steps) {
        b.check.setValue(from);
        b.check.userClick();
        EXPECT_EQ(b.check.value(), to) << "from " << from;
    }
}

TEST(Slider, UserScrollStoresTheValueWithinRangeBeforeScroll) {
    Bench b;
    b.slider.setRange(1, 8);
    int seen = -1;
    b.slider.Scroll = [&] { seen = b.slider.value(); };
    b.slider.userScroll(20);
    EXPECT_EQ(seen, 8);
    b.slider.userScroll(-3);
    EXPECT_EQ(seen, 1);
    b.slider.setValue(6);
    b.slider.setRange(0, 4);
    EXPECT_EQ(b.slider.value(), 4) << "a narrower range moves the value into it";
}

TEST(TextBox, UserTypingIsCutToMaxLengthAndLockedIgnoresIt) {
    Bench b;
    b.text.setMaxLength(4);
    b.text.userType("abcdefgh");
    EXPECT_EQ(b.text.text(), "abcd");
    b.text.userType("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9");  // five characters, ten bytes
    EXPECT_EQ(b.text.text(), "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F") << "characters count, not bytes";
    b.text.setText("longer than four");
    EXPECT_EQ(b.text.text(), "longer than four") << "code is not limited";
    b.text.setLocked(true);
    b.text.userType("x");
    b.text.userKeyDown(65, 0);
    EXPECT_EQ(b.text.text(), "longer than four");
    EXPECT_EQ(b.log, (Log{"text.Change", "text.Change", "text.Change", "text.KeyDown(65,0)"}));
}

TEST(ListView, UserClickSelectsTheRowBeforeTheEvent) {
    Bench b;
    int seen = -2;
    b.view.Click = [&] { seen = b.view.selectedIndex(); };
    b.view.userClick(1);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(b.view.addRow({"net3", {}, 0}), 2);
}

TEST(Observers, RunAfterTheStoreAndBeforeTheEvent) {
    Bench b;
    b.combo.addObserver([&] { b.log.push_back("observer " + b.combo.text()); });
    b.text.addObserver([&] { b.log.push_back("observer " + b.text.text()); });
    b.combo.setListIndex(1);
    b.combo.setListIndex(1);  // nothing changed: only the event
    b.text.setText("t");
    b.text.setText("t");
    b.combo.setEnabled(false);
    b.combo.setToolTip("channel");
    EXPECT_EQ(b.log, (Log{"observer b", "combo.Click", "combo.Click", "observer t", "text.Change",
                          "observer b", "observer b"}));
}

TEST(Observers, HandlersMayChangeOtherControlsAndReplaceThemselves) {
    Bench b;
    b.combo.Click = [&] {
        b.log.push_back("combo.Click");
        b.text.setText(b.combo.text());
        b.check.setValue(1);
        b.combo.Click = nullptr;
    };
    b.combo.setListIndex(0);
    b.combo.setListIndex(2);
    EXPECT_EQ(b.log, (Log{"combo.Click", "text.Change", "check.Click"}));
    EXPECT_EQ(b.text.text(), "a");
}

TEST(Form, UserCloseAsksQueryUnload) {
    Form form("Velto");
    std::vector<int> modes;
    bool cancel = true;
    form.QueryUnload = [&](int mode) {
        modes.push_back(mode);
        return cancel;
    };
    form.userClose();
    EXPECT_TRUE(form.visible());
    cancel = false;
    form.userClose();
    EXPECT_FALSE(form.visible());
    EXPECT_EQ(modes, (std::vector<int>{0, 0}));
    form.show();
    EXPECT_TRUE(form.visible());
}

}  // namespace
}  // namespace netpanel::ui
