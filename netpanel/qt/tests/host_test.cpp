// The Qt host: message boxes and their answers, the tray records, the popup menu, help, the wait
// cursor, the single-instance lock, and the tray pictures.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "qt/help_page.h"
#include "qt/qt_host.h"
#include "qt/tray_pictures.h"
#include "qt_test_support.h"

namespace netpanel::qt {
namespace {

using testing::app;
using testing::whenShown;
using ui::MsgButtons;
using ui::MsgResult;

ui::NotifyIconData record(uint32_t icon, const char* tip) {
    ui::NotifyIconData data{};
    data.cbSize = sizeof data;
    data.uID = 1;
    data.uFlags = ui::NIF_MESSAGE | ui::NIF_ICON | ui::NIF_TIP;
    data.uCallbackMessage = 512;
    data.hIcon = icon;
    std::memset(data.szTip, ' ', sizeof data.szTip);
    std::memcpy(data.szTip, tip, std::strlen(tip) + 1);
    return data;
}

using Host = testing::AppTest;

TEST(MessageResults, ButtonsMapToAnswersAndADismissedBoxToItsSafeAnswer) {
    struct Case {
        int clicked;
        MsgButtons buttons;
        MsgResult result;
    };
    const Case cases[] = {
        {QMessageBox::Ok, MsgButtons::OK, MsgResult::OK},
        {QMessageBox::Cancel, MsgButtons::OKCancel, MsgResult::Cancel},
        {QMessageBox::Yes, MsgButtons::YesNo, MsgResult::Yes},
        {QMessageBox::No, MsgButtons::YesNoCancel, MsgResult::No},
        {QMessageBox::NoButton, MsgButtons::OK, MsgResult::OK},
        {QMessageBox::NoButton, MsgButtons::OKCancel, MsgResult::Cancel},
        {QMessageBox::NoButton, MsgButtons::YesNo, MsgResult::No},
        {QMessageBox::NoButton, MsgButtons::YesNoCancel, MsgResult::Cancel},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(messageResult(c.clicked, c.buttons), c.result) << c.clicked;
    }
}

TEST_F(Host, MessageBoxShowsTextTitleIconAndButtonsAndAnswersWithTheButtonPressed) {
    QtHost host(QtHost::Dialogs::Interactive);
    QString shownTitle, shownText;
    QMessageBox::Icon shownIcon{};
    QMessageBox::StandardButtons shownButtons{};
    whenShown([] { return QApplication::activeModalWidget(); },
              [&](QWidget& widget) {
                  auto& box = dynamic_cast<QMessageBox&>(widget);
                  shownTitle = box.windowTitle();
                  shownText = box.text();
                  shownIcon = box.icon();
                  shownButtons = box.standardButtons();
                  box.button(QMessageBox::No)->click();
              });
    const MsgResult result = host.messageBox("Remove the profile?", "Profiles",
                                             ui::MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(result, MsgResult::No);
    EXPECT_EQ(shownTitle, "Profiles");
    EXPECT_EQ(shownText, "Remove the profile?");
    EXPECT_EQ(shownIcon, QMessageBox::Question);
    EXPECT_EQ(shownButtons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(Host, HeadlessMessageBoxAnswersAtOnce) {
    QtHost host(QtHost::Dialogs::Headless);
    EXPECT_EQ(host.messageBox("text", "title", ui::MsgIcon::Critical, MsgButtons::OK),
              MsgResult::OK);
    EXPECT_EQ(host.messageBox("text", "title", ui::MsgIcon::Question, MsgButtons::YesNoCancel),
              MsgResult::Cancel);
    EXPECT_EQ(QtHost::dialogsForPlatform(), QtHost::Dialogs::Headless);  // offscreen
}

TEST_F(Host, TrayRecordsAddChangeAndRemoveTheIconAsTheShellDoes) {
    QtHost host;
    TrayIcon& tray = host.tray();
    tray.setPictures({{1, QIcon(connectedPicture())}, {2, QIcon(disconnectedPicture())}});
    EXPECT_FALSE(host.shellNotifyIcon(ui::NIM_MODIFY, record(1, "tip")));  // nothing to change
    EXPECT_TRUE(host.shellNotifyIcon(ui::NIM_ADD, record(2, "IEEE 802.11b Wireless LAN Utility")));
    EXPECT_TRUE(tray.added());
    EXPECT_EQ(tray.iconId(), 2u);
    EXPECT_EQ(tray.toolTip(), "IEEE 802.11b Wireless LAN Utility");   // up to the NUL
    EXPECT_FALSE(host.shellNotifyIcon(ui::NIM_ADD, record(1, "x")));  // already there
    EXPECT_EQ(tray.iconId(), 2u);
    EXPECT_TRUE(host.shellNotifyIcon(ui::NIM_MODIFY, record(1, "connected")));
    EXPECT_EQ(tray.iconId(), 1u);
    EXPECT_EQ(tray.toolTip(), "connected");
    EXPECT_TRUE(host.shellNotifyIcon(ui::NIM_DELETE, record(1, "")));
    EXPECT_FALSE(tray.added());
    EXPECT_FALSE(host.shellNotifyIcon(ui::NIM_DELETE, record(1, "")));
}

TEST_F(Host, TrayActivationsBecomeMouseMessages) {
    const std::pair<QSystemTrayIcon::ActivationReason, int> cases[] = {
        {QSystemTrayIcon::DoubleClick, 515}, {QSystemTrayIcon::Context, 516},
        {QSystemTrayIcon::Trigger, 513},     {QSystemTrayIcon::MiddleClick, 519},
        {QSystemTrayIcon::Unknown, 0},
    };
    for (auto [reason, message] : cases)
        EXPECT_EQ(trayMessage(reason), message) << reason;
}

TEST_F(Host, PopupMenuShowsTheItemsInOrderAndRunsTheChosenOne) {
    QtHost host;
    ui::MenuItem exit("Exitprg"), view("ViewAvailableNetworkA"), about("AboutA");
    exit.setCaption("Exit");
    view.setCaption("View Available Network");
    about.setCaption("About");
    view.setEnabled(false);
    ui::Menu menu("Menu");
    for (ui::MenuItem* item : {&exit, &view, &about})
        menu.addItem(*item);
    menu.setVisible(false);  // a popup menu is not in the menu bar
    std::vector<std::string> clicked;
    exit.Click = [&] { clicked.push_back("Exit"); };
    about.Click = [&] { clicked.push_back("About"); };

    QStringList shown;
    std::vector<bool> enabled;
    whenShown([] { return QApplication::activePopupWidget(); },
              [&](QWidget& widget) {
                  auto& popup = dynamic_cast<QMenu&>(widget);
                  for (QAction* action : popup.actions()) {
                      shown.append(action->text());
                      enabled.push_back(action->isEnabled());
                  }
                  popup.setActiveAction(popup.actions().at(2));
                  QTest::keyClick(&popup, Qt::Key_Return);  // as a person chooses
              });
    host.popupMenu(menu);
    EXPECT_EQ(shown, (QStringList{"Exit", "View Available Network", "About"}));
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(clicked, (std::vector<std::string>{"About"}));
}

TEST(HelpPage, CompiledHelpNamesStandForTheHtmlPage) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/netpanel/bin/UHelp.chm", "/opt/netpanel/bin/UHelp.html"},
        {"/opt/netpanel/bin\\UHelp.CHM", "/opt/netpanel/bin/UHelp.html"},
        {"/opt/netpanel/bin//UHelp.html", "/opt/netpanel/bin/UHelp.html"},
    };
    for (auto [file, page] : cases)
        EXPECT_EQ(helpPage(file), page) << file;
}

TEST(HelpPage, ATopicsPageSitsBesideTheContents) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/opt/netpanel/bin/UHelp.chm", "site-survey", "/opt/netpanel/bin/UHelp-site-survey.html"},
        {"/opt/netpanel/bin\\UHelp.html", "about", "/opt/netpanel/bin/UHelp-about.html"},
        {"/opt/netpanel/bin/UHelp.chm", "", "/opt/netpanel/bin/UHelp.html"},
    };
    for (auto [file, topic, page] : cases)
        EXPECT_EQ(topicPage(file, topic), page) << file << " " << topic;
}

TEST(HelpPage, EveryLinkOfTheShippedPagesNamesAShippedFile) {
    const std::regex link(R"(href="([^"#]+))");
    int links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(HELP_DIR)) {
        if (entry.path().extension() != ".html") continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        for (std::sregex_iterator m(text.begin(), text.end(), link), end; m != end; ++m, ++links) {
            EXPECT_TRUE(std::filesystem::exists(entry.path().parent_path() / (*m)[1].str()))
                << entry.path().filename() << " links " << (*m)[1];
        }
    }
    EXPECT_GT(links, 0);
}

class Help : public Host {
protected:
    Help() {
        std::ofstream(dir.path() / "UHelp.html")
            << "<html><head><title>Netpanel help</title></head><body>Link Info</body></html>";
        host.setUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return browserAnswers;
        });
    }
    std::string helpFile() const { return (dir.path() / "UHelp.chm").string(); }

    testing::TempDir dir;
    QtHost host{QtHost::Dialogs::Interactive};
    std::vector<QUrl> opened;
    bool browserAnswers = true;
};

TEST_F(Help, OpensThePageOfTheTopicBesideTheProgramOrElseTheContents) {
    std::ofstream(dir.path() / "UHelp-security.html") << "<html><body>Security</body></html>";
    const std::pair<const char*, const char*> cases[] = {
        {"security", "UHelp-security.html"},
        {"advanced", "UHelp.html"},  // no page of its own
        {"", "UHelp.html"},
    };
    for (auto [topic, page] : cases) {
        opened.clear();
        host.showHelp(helpFile(), topic);
        ASSERT_EQ(opened.size(), 1u) << topic;
        EXPECT_EQ(opened[0],
                  QUrl::fromLocalFile(QString::fromStdString((dir.path() / page).string())))
            << topic;
    }
    EXPECT_EQ(host.helpViewer(), nullptr);
}

TEST_F(Help, WithoutABrowserTheBuiltInViewerShowsThePage) {
    browserAnswers = false;
    host.showHelp(helpFile(), "link-info");
    ASSERT_NE(host.helpViewer(), nullptr);
    EXPECT_TRUE(host.helpViewer()->isVisible());
    EXPECT_TRUE(host.helpViewer()->toPlainText().contains("Link Info"));
    EXPECT_EQ(host.helpViewer()->window()->windowTitle(), "Netpanel help");
}

TEST_F(Help, AMissingPageIsReportedNotOpened) {
    QtHost headless(QtHost::Dialogs::Headless);
    headless.setUrlOpener([this](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    headless.showHelp((dir.path() / "missing.chm").string(), "link-info");
    EXPECT_TRUE(opened.empty());
}

TEST_F(Host, WaitCursorIsSetAndRestored) {
    QtHost host;
    host.setWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.setWaitCursor(true);  // not stacked
    host.setWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Host, OneCopyPerDisplay) {
    testing::TempDir runtime;
    const testing::EnvVar xdg("XDG_RUNTIME_DIR", runtime.path().string());
    const testing::EnvVar display("DISPLAY", ":77");
    QtHost first, second;
    EXPECT_EQ(QtHost::displayName(), ":77");
    EXPECT_FALSE(first.anotherInstanceRuns());
    EXPECT_FALSE(first.anotherInstanceRuns());  // its own lock does not count
    EXPECT_TRUE(second.anotherInstanceRuns());
    const testing::EnvVar otherDisplay("DISPLAY", ":78");
    QtHost third;
    EXPECT_FALSE(third.anotherInstanceRuns());
}

TEST_F(Host, EndProgramIsRemembered) {
    QtHost host;
    EXPECT_FALSE(host.endRequested());
    host.endProgram();
    EXPECT_TRUE(host.endRequested());
}

TEST_F(Host, TrayPicturesAreDistinct32PixelIcons) {
    const QImage connected = connectedPicture().toImage();
    const QImage disconnected = disconnectedPicture().toImage();
    const QImage idle = idlePicture().toImage();
    for (const QImage* image : {&connected, &disconnected, &idle}) {
        EXPECT_EQ(image->size(), QSize(kTrayPictureSize, kTrayPictureSize));
        EXPECT_EQ(image->pixelColor(0, 0).alpha(), 0);  // transparent corner
    }
    EXPECT_NE(connected, disconnected);
    EXPECT_NE(connected, idle);
    auto count = [](const QImage& image, auto isColour) {
        int pixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels += isColour(image.pixelColor(x, y));
        return pixels;
    };
    auto green = [](QColor c) { return c.alpha() > 128 && c.green() > c.red() + 40; };
    auto red = [](QColor c) { return c.alpha() > 128 && c.red() > c.green() + 80; };
    EXPECT_GT(count(connected, green), 40);
    EXPECT_EQ(count(connected, red), 0);
    EXPECT_GT(count(disconnected, red), 20);
    EXPECT_EQ(count(disconnected, green), 0);
}

}  // namespace
}  // namespace netpanel::qt
