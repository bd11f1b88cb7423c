#include "qt/qt_host.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "qt/help_page.h"
#include "qt/object_tree.h"

namespace netpanel::qt {

namespace {

QMessageBox::Icon toQtIcon(ui::MsgIcon icon) {
    switch (icon) {
        case ui::MsgIcon::Critical:
            return QMessageBox::Critical;
        case ui::MsgIcon::Question:
            return QMessageBox::Question;
        case ui::MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case ui::MsgIcon::Information:
            return QMessageBox::Information;
        case ui::MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(ui::MsgButtons buttons) {
    switch (buttons) {
        case ui::MsgButtons::OK:
            return QMessageBox::Ok;
        case ui::MsgButtons::OKCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case ui::MsgButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case ui::MsgButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

const char* envOrNull(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

ui::MsgResult dismissedResult(ui::MsgButtons buttons) {
    switch (buttons) {
        case ui::MsgButtons::OK:
            return ui::MsgResult::OK;
        case ui::MsgButtons::YesNo:
            return ui::MsgResult::No;
        case ui::MsgButtons::OKCancel:
        case ui::MsgButtons::YesNoCancel:
            break;
    }
    return ui::MsgResult::Cancel;
}

ui::MsgResult messageResult(int clicked, ui::MsgButtons buttons) {
    switch (clicked) {
        case QMessageBox::Ok:
            return ui::MsgResult::OK;
        case QMessageBox::Cancel:
            return ui::MsgResult::Cancel;
        case QMessageBox::Yes:
            return ui::MsgResult::Yes;
        case QMessageBox::No:
            return ui::MsgResult::No;
        default:
            return dismissedResult(buttons);
    }
}

QtHost::QtHost(Dialogs dialogs)
    : dialogs_(dialogs), openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

QtHost::~QtHost() {
    if (waitCursor_) QApplication::restoreOverrideCursor();
}

QtHost::Dialogs QtHost::dialogsForPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")
               ? Dialogs::Headless
               : Dialogs::Interactive;
}

std::string QtHost::displayName() {
    if (const char* display = envOrNull("DISPLAY")) return display;
    if (const char* display = envOrNull("WAYLAND_DISPLAY")) return display;
    return QGuiApplication::platformName().toStdString();
}

QWidget* QtHost::dialogParent() const {
    return window_ != nullptr && window_->isVisible() ? window_.data() : nullptr;
}

ui::MsgResult QtHost::messageBox(const std::string& text, const std::string& title,
                                 ui::MsgIcon icon, ui::MsgButtons buttons) {
    if (dialogs_ == Dialogs::Headless) {
        std::fprintf(stderr, "netpanel: %s: %s\n", title.c_str(), text.c_str());
        return dismissedResult(buttons);
    }
    QMessageBox box(toQtIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                    toQtButtons(buttons), dialogParent());
    return messageResult(box.exec(), buttons);
}

void QtHost::beep() {
    QApplication::beep();
}

bool QtHost::shellNotifyIcon(uint32_t message, const ui::NotifyIconData& data) {
    return tray_.apply(message, data);
}

void QtHost::popupMenu(ui::Menu& menu) {
    QMenu popup;
    std::vector<std::pair<QAction*, ui::MenuItem*>> actions;
    for (ui::MenuItem* item : menu.items()) {
        QAction* action = popup.addAction(QString::fromStdString(item->caption()));
        action->setEnabled(item->enabled());
        action->setVisible(item->visible());
        actions.emplace_back(action, item);
    }
    QAction* chosen = popup.exec(QCursor::pos());
    for (const auto& [action, item] : actions) {
        if (action == chosen) item->userClick();
    }
}

void QtHost::showHelp(const std::string& helpFile, const std::string& topic) {
    const QString file = QString::fromStdString(helpFile);
    // A tab without a page of its own gets the contents.
    QString page = topicPage(file, QString::fromStdString(topic));
    if (!QFileInfo::exists(page)) page = helpPage(file);
    if (!QFileInfo::exists(page)) {
        messageBox("Cannot find the help page " + page.toStdString() + ".", "Help",
                   ui::MsgIcon::Exclamation, ui::MsgButtons::OK);
        return;
    }
    if (!openUrl_(QUrl::fromLocalFile(page))) showBuiltInHelp(page);
}

void QtHost::showBuiltInHelp(const QString& page) {
    if (helpWindow_ == nullptr) {
        helpWindow_ = std::make_unique<QWidget>();
        helpWindow_->resize(640, 560);
        auto& layout = ownedBy<QVBoxLayout>(*helpWindow_);
        helpWindow_->setLayout(&layout);
        helpViewer_ = &ownedBy<QTextBrowser>(*helpWindow_);
        layout.addWidget(helpViewer_);
    }
    helpViewer_->setSource(QUrl::fromLocalFile(page));
    helpWindow_->setWindowTitle(helpViewer_->documentTitle());
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void QtHost::setWaitCursor(bool wait) {
    if (wait == waitCursor_) return;
    waitCursor_ = wait;
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtHost::endProgram() {
    endRequested_ = true;
    // Before the event loop runs, the caller sees endRequested(); an exit() then would make every
    // later event loop (a dialog's, a menu's) return at once. Inside the loop, the end is queued:
    // the handler that asked for it, and the Qt event that ran the handler, return first.
    if (QThread::currentThread()->loopLevel() > 0) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    }
}

bool QtHost::anotherInstanceRuns() {
    if (instanceLock_ != nullptr) return false;
    try {
        instanceLock_ = ui::SingleInstance::acquire(displayName());
    } catch (const std::system_error& error) {
        // Without a lock file the rule cannot be kept; running is better than refusing to.
        std::fprintf(stderr, "netpanel: no single-instance lock: %s\n", error.what());
        return false;
    }
    anotherInstanceFound_ = instanceLock_ == nullptr;
    return anotherInstanceFound_;
}

}  // namespace netpanel::qt
