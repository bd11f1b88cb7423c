#include "dialog_support.h"

#include <QFileDialog>
#include <QFont>
#include <QMessageBox>

namespace loopkit::dialogs {
namespace {

constexpr int kMailPeriodMs = 10;

}  // namespace

DialogHooks& dialogHooks() {
    static DialogHooks hooks{
        [](QWidget* parent, const QString& text) {
            QMessageBox::information(parent, parent != nullptr ? parent->windowTitle() : QString(),
                                     text);
        },
        [](QWidget* parent) { return QFileDialog::getOpenFileName(parent); },
    };
    return hooks;
}

TestDialog::TestDialog(const QString& title) {
    setWindowTitle(title);
    setFont(QFont(QStringLiteral("Verdana"), 8));
    // Modal over the caller, without the context help button of a plain dialog.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    mailTimer_.setInterval(kMailPeriodMs);
    connect(&mailTimer_, &QTimer::timeout, this, [this] { deliver(); });
    mailTimer_.start();
}

void TestDialog::post(std::function<void()> task) {
    std::lock_guard guard(mailLock_);
    mail_.push_back(std::move(task));
}

void TestDialog::deliver() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard guard(mailLock_);
        tasks.swap(mail_);
    }
    for (auto& task : tasks)
        task();
}

void TestDialog::showMessage(const QString& text) {
    if (dialogHooks().message) dialogHooks().message(this, text);
}

QLineEdit* TestDialog::edit(int id, const QString& accessible, const QString& text) {
    auto* line = named(new QLineEdit(text, this), id, accessible);
    return line;
}

QLabel* TestDialog::figure(int id, const QString& accessible) {
    auto* label = named(new QLabel(QStringLiteral("0"), this), id, accessible);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(80);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QByteArray fieldBytes(const QString& text, int limit) {
    return text.toLocal8Bit().left(limit);
}

}  // namespace loopkit::dialogs
