// The window on the simulated adapter: the widgets show the model, a person's actions reach it,
// the tray opens the window, and without a tray the window is reachable and can be left.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "qt/binders.h"
#include "qt/velto_view.h"
#include "qt_test_support.h"

namespace netpanel::qt {
namespace {

namespace fs = std::filesystem;
using testing::app;
using testing::waitUntil;
using testing::whenShown;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The widget shows what the control holds.
void expectMirrors(const ui::Control& control, const QWidget& widget) {
    SCOPED_TRACE(control.name());
    EXPECT_EQ(widget.testAttribute(Qt::WA_ForceDisabled), !control.enabled());
    EXPECT_EQ(widget.isHidden(), !control.visible());
    EXPECT_EQ(widget.toolTip(), q(control.toolTip()));
    if (auto* c = dynamic_cast<const ui::Label*>(&control)) {
        EXPECT_EQ(dynamic_cast<const QLabel&>(widget).text(), q(c->caption()));
    } else if (auto* c = dynamic_cast<const ui::Button*>(&control)) {
        EXPECT_EQ(dynamic_cast<const QPushButton&>(widget).text(), q(c->caption()));
    } else if (auto* c = dynamic_cast<const ui::Frame*>(&control)) {
        EXPECT_EQ(dynamic_cast<const QGroupBox&>(widget).title(), q(c->caption()));
    } else if (auto* c = dynamic_cast<const ui::TextBox*>(&control)) {
        const auto& edit = dynamic_cast<const QLineEdit&>(widget);
        EXPECT_EQ(edit.text(), q(c->text()));
        EXPECT_EQ(edit.isReadOnly(), c->locked());
    } else if (auto* c = dynamic_cast<const ui::ComboBox*>(&control)) {
        const auto& combo = dynamic_cast<const QComboBox&>(widget);
        ASSERT_EQ(combo.count(), c->listCount());
        for (int i = 0; i < combo.count(); ++i)
            EXPECT_EQ(combo.itemText(i), q(c->items()[i]));
        EXPECT_EQ(combo.currentIndex(), c->listIndex());
    } else if (auto* c = dynamic_cast<const ui::OptionButton*>(&control)) {
        EXPECT_EQ(dynamic_cast<const QRadioButton&>(widget).isChecked(), c->value());
    } else if (auto* c = dynamic_cast<const ui::CheckBox*>(&control)) {
        EXPECT_EQ(dynamic_cast<const QCheckBox&>(widget).text(), q(c->caption()));
    }
}

// The host of the program. Removing the tray icon also runs onTrayRemoved: on X11, hiding the
// icon deletes the tray's own widget, the one whose mouse event activated the icon.
class ProgramHost : public QtHost {
public:
    using QtHost::QtHost;
    std::function<void()> onTrayRemoved;

    bool shellNotifyIcon(uint32_t message, const ui::NotifyIconData& data) override {
        const bool done = QtHost::shellNotifyIcon(message, data);
        if (done && message == ui::NIM_DELETE && onTrayRemoved) onTrayRemoved();
        return done;
    }
};

// Stands in for the tray's own widget: a press on it activates the tray icon from inside the
// press event, and notes whether the widget was deleted before the event returned.
class TrayWidget : public QWidget {
public:
    TrayWidget(QSystemTrayIcon& icon, bool& deletedInOwnEvent)
        : icon_(icon), deletedInOwnEvent_(deletedInOwnEvent) {}

protected:
    void mousePressEvent(QMouseEvent* /*event*/) override {
        const QPointer<TrayWidget> self(this);
        bool& deleted = deletedInOwnEvent_;  // no member is read after the emit
        emit icon_.activated(QSystemTrayIcon::Context);
        if (!self) deleted = true;
    }

private:
    QSystemTrayIcon& icon_;
    bool& deletedInOwnEvent_;
};

class WindowOnSimulatedAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        fs::create_directories(programDir());
        fs::copy_file(KVCONFIG_FILE, programDir() / "KvConfig.ini");
        for (const fs::directory_entry& page : fs::directory_iterator(HELP_DIR))
            fs::copy_file(page.path(), programDir() / page.path().filename());
        fs::copy_file(NICAPI_ENVIRONMENT_FILE, dir.path() / "nicapi-environment.ini");
        fs::create_directories(dir.path() / "registry");
        fs::create_directories(dir.path() / "run");
        fs::permissions(dir.path() / "run", fs::perms::owner_all);
        setEnv("NICAPI_ENVIRONMENT", dir.path() / "nicapi-environment.ini");
        setEnv("NETPANEL_REGISTRY_DIR", dir.path() / "registry");
        setEnv("XDG_RUNTIME_DIR", dir.path() / "run");

        auto loaded = Nicapi::load(NICAPI_PATH);
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Nicapi>>(loaded));
        nicapi = std::move(std::get<std::unique_ptr<Nicapi>>(loaded));
        host = std::make_unique<ProgramHost>(QtHost::Dialogs::Headless);
        host->setUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        velto = std::make_unique<Velto>(*nicapi, *host, programDir().string(), kTwipsPerPixel);
        ASSERT_TRUE(velto->Form_Initialize());
    }

    void TearDown() override {
        view.reset();
        velto.reset();
        host.reset();
        nicapi.reset();
    }

    // Builds the view, then loads the form, as the program does.
    void start(bool trayAvailable) {
        trayPresent = trayAvailable;
        view = std::make_unique<VeltoView>(*velto, *host, [this] { return trayPresent; });
        velto->Form_Load();
        ASSERT_FALSE(velto->ended());
    }

    fs::path programDir() const { return dir.path() / "bin"; }
    void setEnv(const char* name, const fs::path& value) {
        env.push_back(std::make_unique<testing::EnvVar>(name, value.string()));
    }
    template <class W>
    W& widget(const ui::Control& control) {
        W* found = view->widget<W>(control);
        if (found == nullptr) throw std::logic_error("no widget for " + control.name());
        return *found;
    }
    QTabWidget& tabs() { return widget<QTabWidget>(velto->SSTab1); }
    void click(const ui::Button& button) {
        QTest::mouseClick(&widget<QPushButton>(button), Qt::LeftButton);
    }

    testing::TempDir dir;
    bool trayPresent = false;  // whether the desktop has a tray now
    std::vector<std::unique_ptr<testing::EnvVar>> env;
    std::unique_ptr<Nicapi> nicapi;
    std::unique_ptr<ProgramHost> host;
    std::unique_ptr<Velto> velto;
    std::unique_ptr<VeltoView> view;
    std::vector<QUrl> opened;
};

TEST_F(WindowOnSimulatedAdapter, StartsHiddenInTheTrayNotConnectedThenConnected) {
    start(true);
    EXPECT_TRUE(view->window().isHidden());
    EXPECT_TRUE(host->tray().added());
    EXPECT_EQ(host->tray().iconId(), uint32_t(kIconNotConnected));
    EXPECT_EQ(host->tray().toolTip(), "IEEE 802.11b Wireless LAN Utility");
    EXPECT_FALSE(view->timerBinding(velto->Timer1)->active());
    EXPECT_TRUE(view->timerBinding(velto->Timer2)->active());
    // The link monitor's timer, run by Qt, sees the adapter join its network.
    EXPECT_TRUE(waitUntil([&] { return host->tray().iconId() == uint32_t(kIconConnected); }));
}

TEST_F(WindowOnSimulatedAdapter, EveryControlHasItsWidgetOnItsTabAndInItsFrame) {
    start(true);
    for (const ControlPlacement& placement : velto->placements()) {
        SCOPED_TRACE(placement.control->name());
        QWidget* shown = view->widgetFor(*placement.control);
        const bool nonVisual = dynamic_cast<ui::Menu*>(placement.control) != nullptr ||
                               dynamic_cast<ImageList*>(placement.control) != nullptr ||
                               dynamic_cast<CommonDialog*>(placement.control) != nullptr;
        ASSERT_EQ(shown == nullptr, nonVisual);
        if (nonVisual) continue;
        if (placement.tab != kOutsideTabs) {
            EXPECT_TRUE(tabs().widget(placement.tab)->isAncestorOf(shown));
        }
        if (placement.frame != nullptr) {
            EXPECT_TRUE(view->widgetFor(*placement.frame)->isAncestorOf(shown));
        }
    }
    const QSize size = view->window().sizeHint();
    EXPECT_LE(size.width(), 720);  // a compact dialog
    EXPECT_LE(size.height(), 540);
}

TEST_F(WindowOnSimulatedAdapter, TrayDoubleClickOpensLinkInfoAndTheWidgetsShowTheModel) {
    start(true);
    velto->SSTab1.setTab(3);
    view->deliverTrayMessage(515);
    EXPECT_TRUE(view->window().isVisible());
    EXPECT_EQ(tabs().currentIndex(), 0);
    EXPECT_EQ(view->window().windowTitle(), "IEEE 802.11b Wireless LAN Utility");
    EXPECT_TRUE(view->timerBinding(velto->Timer1)->active());
    // The first start refreshed the link once (creating "Default"): Timer1 is at its period.
    EXPECT_EQ(view->timerBinding(velto->Timer1)->interval(), 1500);

    EXPECT_EQ(widget<QComboBox>(velto->AdapterList).currentText(),
              "IEEE 802.11b Wireless LAN PC Card");
    EXPECT_EQ(widget<QLineEdit>(velto->MACStatus).text(), "02:5A:1C:00:00:07");
    EXPECT_EQ(widget<QComboBox>(velto->Channel).count(), 11);
    EXPECT_EQ(widget<QComboBox>(velto->Channel).itemText(10), "Ch11");
    EXPECT_EQ(widget<QLabel>(velto->lblInfoMbps).text(), "Mbps");
    EXPECT_FALSE(widget<QCheckBox>(velto->Check802).isEnabled());
    for (const ControlPlacement& placement : velto->placements()) {
        if (QWidget* shown = view->widgetFor(*placement.control)) {
            expectMirrors(*placement.control, *shown);
        }
    }
    // The link monitor's captions follow in the widgets as the timers run.
    EXPECT_TRUE(waitUntil([&] {
        return widget<QLabel>(velto->LinkQuality).text() == q(velto->LinkQuality.caption()) &&
               velto->LinkStatusPB.value() > 0;
    }));
}

TEST_F(WindowOnSimulatedAdapter, APersonsClicksReachTheModel) {
    start(true);
    view->deliverTrayMessage(515);
    QTabBar& bar = *tabs().tabBar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(2).center());
    EXPECT_EQ(velto->SSTab1.tab(), 2);

    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(0).center());
    const int16_t unit = velto->StateFlags[ShowDbm];
    click(velto->DisplayUnit);
    EXPECT_NE(velto->StateFlags[ShowDbm], unit);

    click(velto->HelpButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile(), q((programDir() / "UHelp-link-info.html").string()));

    click(velto->Command4);  // "Cancel"
    EXPECT_FALSE(velto->visible());
    EXPECT_TRUE(view->window().isHidden());
    EXPECT_FALSE(velto->ended());
}

TEST_F(WindowOnSimulatedAdapter, HelpAndF1OpenThePageOfTheCurrentTabBesideTheProgram) {
    start(true);
    view->deliverTrayMessage(515);
    ASSERT_TRUE(waitUntil([&] { return view->window().isActiveWindow(); }));
    const char* pages[] = {"UHelp-link-info.html",   "UHelp-configuration.html",
                           "UHelp-site-survey.html", "UHelp-security.html",
                           "UHelp-advanced.html",    "UHelp-about.html"};
    for (int tab = 5; tab >= 0; --tab) {
        SCOPED_TRACE(pages[tab]);
        velto->SSTab1.userSelectTab(tab);
        opened.clear();
        click(velto->HelpButton);
        QTest::keyClick(&view->window(), Qt::Key_F1);
        ASSERT_EQ(opened.size(), 2u);
        for (const QUrl& url : opened) {
            EXPECT_EQ(url.toLocalFile(), q((programDir() / pages[tab]).string()));
            EXPECT_TRUE(fs::exists(url.toLocalFile().toStdString()));
        }
    }
    EXPECT_TRUE(velto->visible());
}

TEST_F(WindowOnSimulatedAdapter, CloseBoxHidesIntoTheTray) {
    start(true);
    view->deliverTrayMessage(515);
    view->window().close();
    EXPECT_TRUE(view->window().isHidden());
    EXPECT_FALSE(velto->ended());
    EXPECT_TRUE(host->tray().added());
    EXPECT_FALSE(view->timerBinding(velto->Timer1)->active());
    EXPECT_TRUE(view->timerBinding(velto->Timer2)->active());
}

TEST_F(WindowOnSimulatedAdapter, TrayRightClickOffersTheMenuAndAboutOpensTheAboutTab) {
    start(true);
    QStringList items;
    whenShown([] { return QApplication::activePopupWidget(); },
              [&items](QWidget& shown) {
                  auto& menu = dynamic_cast<QMenu&>(shown);
                  for (QAction* action : menu.actions())
                      items.append(action->text());
                  menu.setActiveAction(menu.actions().back());
                  QTest::keyClick(&menu, Qt::Key_Return);
              });
    view->deliverTrayMessage(516);
    EXPECT_EQ(items, (QStringList{"Exit", "View Available Network", "About"}));
    EXPECT_TRUE(view->window().isVisible());
    EXPECT_EQ(tabs().currentIndex(), 5);
}

TEST_F(WindowOnSimulatedAdapter, ExitFromTheTrayMenuEndsTheEventLoopAfterTheTrayEventReturned) {
    start(true);
    bool deletedInOwnEvent = false;
    auto trayWidget = std::make_unique<TrayWidget>(host->tray().systemIcon(), deletedInOwnEvent);
    host->onTrayRemoved = [&trayWidget] { trayWidget.reset(); };
    whenShown([] { return QApplication::activePopupWidget(); },
              [](QWidget& shown) {
                  auto& menu = dynamic_cast<QMenu&>(shown);
                  for (QAction* action : menu.actions()) {
                      if (action->text() == "Exit") menu.setActiveAction(action);
                  }
                  QTest::keyClick(&menu, Qt::Key_Return);
              });
    QTimer::singleShot(0, [&trayWidget] { QTest::mousePress(trayWidget.get(), Qt::RightButton); });
    QTimer stuck;  // a bound, should the loop never end
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    stuck.start(30000);

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(deletedInOwnEvent);
    EXPECT_EQ(trayWidget, nullptr);  // the icon was removed
    EXPECT_FALSE(host->tray().added());
    EXPECT_TRUE(velto->ended());
    EXPECT_TRUE(host->endRequested());
}

TEST_F(WindowOnSimulatedAdapter, WithoutATrayTheWindowOpensAtStartAndClosingItExits) {
    start(false);
    view->openWithoutTray();
    EXPECT_TRUE(view->window().isVisible());
    EXPECT_EQ(tabs().currentIndex(), 0);
    EXPECT_TRUE(view->timerBinding(velto->Timer1)->active());

    view->window().close();
    EXPECT_TRUE(velto->ended());
    EXPECT_TRUE(host->endRequested());
    EXPECT_FALSE(host->tray().added());
}

TEST_F(WindowOnSimulatedAdapter, CancelHidesIntoATrayOnlyWhileThereIsOne) {
    start(true);
    const struct {
        bool trayPresent;
        bool hidden;
    } cases[] = {{true, true}, {false, false}, {true, true}};  // the tray goes away and returns
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trayPresent ? "with a tray" : "the tray went away");
        view->deliverTrayMessage(515);  // opens the window
        ASSERT_TRUE(view->window().isVisible());
        trayPresent = c.trayPresent;
        click(velto->Command4);
        EXPECT_FALSE(velto->visible());
        EXPECT_EQ(view->window().isHidden(), c.hidden);
        EXPECT_EQ(view->window().isMinimized(), !c.hidden);
    }
}

TEST_F(WindowOnSimulatedAdapter, WithoutATrayHidingMinimizesAndRestoringReopens) {
    start(false);
    view->openWithoutTray();
    click(velto->Command4);  // "Cancel" hides the window in the model
    EXPECT_FALSE(velto->visible());
    EXPECT_FALSE(view->window().isHidden());
    EXPECT_TRUE(view->window().isMinimized());
    velto->SSTab1.setTab(4);
    view->window().showNormal();  // from the task bar
    EXPECT_TRUE(velto->visible());
    EXPECT_EQ(tabs().currentIndex(), 0);
}

// ---- Card presence on the simulated adapter ----------------------------------------------------

// nicapi-sim changes the radio environment the running window reads.
void simulate(const std::string& arguments) {
    const std::string command = std::string(NICAPI_SIM_PROGRAM) + " " + arguments + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST_F(WindowOnSimulatedAdapter, FollowsTheCardAndTheSystemServiceWithItsWidgets) {
    start(true);
    // The checks run every 100 ms here; their 5-second period is the model's tests' concern.
    velto->DetectCardOffTimer.setInterval(100);
    velto->DetectCardOnTimer.setInterval(100);
    view->deliverTrayMessage(515);
    ASSERT_TRUE(view->window().isVisible());

    simulate("wzc take pccard");
    ASSERT_TRUE(waitUntil([&] { return !tabs().isTabEnabled(1); }));
    for (int tab : {1, 3, 4})
        EXPECT_FALSE(tabs().isTabEnabled(tab)) << "tab " << tab;
    EXPECT_FALSE(widget<QPushButton>(velto->CmdInfoScan).isEnabled());
    tabs().setCurrentIndex(3);  // a person's click on the disabled tab
    EXPECT_EQ(tabs().currentIndex(), 0);
    EXPECT_EQ(velto->SSTab1.tab(), 0);

    simulate("wzc release pccard");
    ASSERT_TRUE(waitUntil([&] { return tabs().isTabEnabled(1); }));
    EXPECT_TRUE(widget<QPushButton>(velto->CmdInfoScan).isEnabled());

    simulate("pull pccard");
    ASSERT_TRUE(waitUntil([&] { return view->window().isHidden(); }));
    EXPECT_TRUE(host->tray().added());
    EXPECT_EQ(host->tray().iconId(), uint32_t(kIconNotConnected));
    EXPECT_FALSE(view->timerBinding(velto->Timer2)->active());
    EXPECT_TRUE(view->timerBinding(velto->DetectCardOnTimer)->active());

    simulate("insert pccard");
    ASSERT_TRUE(waitUntil([&] { return velto->StateFlags[AdapterOpen] == 1; }));
    EXPECT_TRUE(view->window().isHidden());
    EXPECT_EQ(widget<QComboBox>(velto->AdapterList).currentText(),
              "IEEE 802.11b Wireless LAN PC Card");
    EXPECT_TRUE(waitUntil([&] { return host->tray().iconId() == uint32_t(kIconConnected); }));
}

}  // namespace
}  // namespace netpanel::qt
