// Timers and the virtual clock that tests drive them with.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/delay.h"
#include "ui/test_clock.h"
#include "ui/timer.h"

namespace netpanel::ui {
namespace {

using std::chrono::milliseconds;
using Firings = std::vector<std::string>;  // "<timer>@<ms>"

// Timers attached to a clock, each firing written down with its virtual time.
struct Loop {
    TestClock clock{36000.0};
    Firings firings;

    void watch(Timer& timer) {
        clock.attach(timer);
        timer.Tick = [this, &timer] { note(timer); };
    }
    void note(Timer& timer) {
        firings.push_back(timer.name() + "@" + std::to_string(clock.now().count()));
    }
};

TEST(Timer, AssignmentsRestartThePeriodAndTellTheObservers) {
    struct Case {
        const char* what;
        bool enabled;
        void (*act)(Timer&);
        bool restarts;
    } cases[] = {
        {"a new interval", true, [](Timer& t) { t.setInterval(500); }, true},
        {"the same interval", true, [](Timer& t) { t.setInterval(1000); }, true},
        {"the same interval while off", false, [](Timer& t) { t.setInterval(1000); }, true},
        {"switched on", false, [](Timer& t) { t.setEnabled(true); }, true},
        {"switched off", true, [](Timer& t) { t.setEnabled(false); }, true},
        {"on again while on", true, [](Timer& t) { t.setEnabled(true); }, false},
        {"off again while off", false, [](Timer& t) { t.setEnabled(false); }, false},
    };
    for (const Case& c : cases) {
        Timer timer("Timer1", 1000, c.enabled);
        int told = 0;
        timer.addObserver([&] { ++told; });
        uint64_t before = timer.generation();
        c.act(timer);
        EXPECT_EQ(told, 1) << c.what;
        EXPECT_EQ(timer.generation() != before, c.restarts) << c.what;
    }
}

TEST(Timer, FireRunsTickOnlyWhenEnabled) {
    Timer timer("Timer1", 100, false);
    int ticks = 0;
    timer.Tick = [&] { ++ticks; };
    timer.fire();
    timer.setEnabled(true);
    timer.fire();
    EXPECT_EQ(ticks, 1);
    EXPECT_THROW(timer.setInterval(-1), std::out_of_range);
}

TEST(TestClock, FiresDueTimersInTimeThenAttachOrder) {
    Loop loop;
    Timer a("A", 300, true), b("B", 200, true), c("C", 300, true), off("Off", 100, false),
        zero("Zero", 0, true);
    for (Timer* timer : {&a, &b, &c, &off, &zero})
        loop.watch(*timer);
    loop.clock.advance(milliseconds(599));
    loop.clock.advance(milliseconds(1));
    EXPECT_EQ(loop.firings,
              (Firings{"B@200", "A@300", "C@300", "B@400", "A@600", "B@600", "C@600"}));
    EXPECT_EQ(loop.clock.now(), milliseconds(600));
    EXPECT_EQ(loop.clock.slept(), milliseconds(0));
}

TEST(TestClock, PeriodsStartWhenAttachedEnabledOrGivenAnInterval) {
    Loop loop;
    Timer t("T", 1000, true);
    loop.clock.advance(milliseconds(250));
    loop.watch(t);  // starts at 250
    loop.clock.advance(milliseconds(1000));
    t.setInterval(1000);  // restarts at 1250
    loop.clock.advance(milliseconds(900));
    t.setEnabled(true);  // already on: no restart
    loop.clock.advance(milliseconds(100));
    t.setEnabled(false);
    loop.clock.advance(milliseconds(5000));  // off: nothing
    t.setEnabled(true);                      // restarts at 7250
    loop.clock.advance(milliseconds(1000));
    EXPECT_EQ(loop.firings, (Firings{"T@1250", "T@2250", "T@8250"}));
}

TEST(TestClock, BusyWaitBlocksTimersThatFireOnceAfterwards) {
    Loop loop;
    Timer slow("Slow", 100, true), fast("Fast", 250, true);
    loop.watch(slow);
    loop.watch(fast);
    bool waited = false;
    slow.Tick = [&] {
        loop.note(slow);
        if (waited) return;
        waited = true;
        loop.clock.sleep(milliseconds(1000));  // 100 .. 1100: nothing fires meanwhile
    };
    loop.clock.advance(milliseconds(500));
    // Fast (due 250) and Slow (due 200) fire once each after the wait, in due order, and count
    // their next period from there.
    EXPECT_EQ(loop.firings, (Firings{"Slow@100", "Slow@1100", "Fast@1100"}));
    EXPECT_EQ(loop.clock.now(), milliseconds(1100));
    EXPECT_EQ(loop.clock.slept(), milliseconds(1000));
    loop.firings.clear();
    loop.clock.advance(milliseconds(250));
    EXPECT_EQ(loop.firings, (Firings{"Slow@1200", "Slow@1300", "Fast@1350"}))
        << "Fast restarted its period at 1100";
}

TEST(TestClock, SleepOutsideAdvanceLeavesOverdueTimersForTheNextAdvance) {
    Loop loop;
    Timer t("T", 100, true);
    loop.watch(t);
    loop.clock.sleep(milliseconds(1000));
    EXPECT_TRUE(loop.firings.empty());
    loop.clock.advance(milliseconds(0));
    loop.clock.advance(milliseconds(150));
    EXPECT_EQ(loop.firings, (Firings{"T@1000", "T@1100"}));
    EXPECT_EQ(loop.clock.slept(), milliseconds(1000));
}

TEST(TestClock, HandlersThatChangeTimersAreRespected) {
    Loop loop;
    Timer once("Once", 100, true), later("Later", 300, false), attached("New", 50, true);
    loop.watch(once);
    loop.watch(later);
    once.Tick = [&] {
        loop.note(once);
        once.setEnabled(false);
        later.setEnabled(true);  // period 100 .. 400
        loop.watch(attached);    // period 100 .. 150
    };
    later.Tick = [&] {
        loop.note(later);
        later.setInterval(1000);  // restarts at the firing time
    };
    loop.clock.advance(milliseconds(1500));
    EXPECT_EQ(loop.firings.front(), "Once@100");
    EXPECT_EQ(std::count(loop.firings.begin(), loop.firings.end(), "Once@100"), 1);
    EXPECT_NE(std::find(loop.firings.begin(), loop.firings.end(), "Later@400"), loop.firings.end());
    EXPECT_NE(std::find(loop.firings.begin(), loop.firings.end(), "Later@1400"),
              loop.firings.end());
    EXPECT_EQ(std::count_if(loop.firings.begin(), loop.firings.end(),
                            [](const std::string& f) { return f.starts_with("New@"); }),
              28);  // 150, 200, ... 1500
}

TEST(TestClock, TellsTheTimeOfDayAndWrapsAtMidnight) {
    TestClock clock(86399.5);
    EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 86399.5);
    clock.advance(milliseconds(250));
    EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 86399.75);
    DelayMs(clock, 10000);  // across midnight
    EXPECT_GE(clock.slept(), milliseconds(10000));
    EXPECT_LT(clock.slept(), milliseconds(10010));
    EXPECT_NEAR(clock.secondsSinceMidnight(), 9.75, 0.011);
    clock.sleep(milliseconds(-5));
    EXPECT_LT(clock.slept(), milliseconds(10010));
}

TEST(TestClock, TimersMayOutliveTheClock) {
    Timer t("T", 100, true);
    {
        TestClock clock;
        clock.attach(t);
    }
    t.setInterval(200);  // the clock's observer must not touch the dead clock
    EXPECT_EQ(t.interval(), 200);
}

}  // namespace
}  // namespace netpanel::ui
