#include "dialog_support.h"

#include <QFileDialog>
#include <QFont>
#include <QMessageBox>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace loopkit::dialogs {
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

TestDialog::TestDialog(const QString& title)
    : mailSignal_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      mailNotifier_(mailSignal_.get(), QSocketNotifier::Read) {
    setWindowTitle(title);
    setFont(QFont(QStringLiteral("Verdana"), 8));
    // Modal over the caller, without the context help button of a plain dialog.
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (mailSignal_.get() < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    connect(&mailNotifier_, &QSocketNotifier::activated, this, [this] { deliver(); });
}

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

void TestDialog::post(std::function<void()> task) {
    {
        std::lock_guard guard(mailLock_);
        mail_.push_back(std::move(task));
    }
    const uint64_t one = 1;
    // The counter only fails to take it when it is near 2^64: the window thread is woken then.
    (void)!::write(mailSignal_.get(), &one, sizeof one);
}

void TestDialog::deliver() {
    uint64_t count = 0;
    (void)!::read(mailSignal_.get(), &count, sizeof count);  // resets the counter
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
