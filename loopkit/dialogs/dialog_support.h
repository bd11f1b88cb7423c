// What the three test dialogs share: their font, controls named by their numeric identifiers,
// the message boxes and the file dialog (through hooks that tests replace), and the way a
// routine's news reaches the window thread.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace loopkit::dialogs {

// The modal parts of the dialogs. Tests replace them so that no box ever waits for a person.
struct DialogHooks {
    // A message box with an OK button over `parent`.
    std::function<void(QWidget* parent, const QString& text)> message;
    // A file-open dialog: the chosen path, or an empty text when none was chosen.
    std::function<QString(QWidget* parent)> openFile;
};
// The hooks in force; the defaults show real dialogs.
DialogHooks& dialogHooks();

// A descriptor closed with its owner.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The base of the test dialogs: title, the "Verdana" font, and lookups by identifier.
class TestDialog : public QDialog {
public:
    explicit TestDialog(const QString& title);

    // False when the dialog's engines could not be created: it is not shown then.
    virtual bool valid() const = 0;

protected:
    void showMessage(const QString& text);

    // Names a control after its identifier, and gives it an accessible name.
    template <class Widget>
    Widget* named(Widget* widget, int id, const QString& accessible) {
        widget->setObjectName(QString::number(id));
        widget->setAccessibleName(accessible);
        return widget;
    }
    QLineEdit* edit(int id, const QString& accessible, const QString& text = {});
    // A result field: a static text that starts at "0".
    QLabel* figure(int id, const QString& accessible);

    // Runs `task` on the window thread soon, unless the dialog is gone by then. Safe from any
    // thread; what `task` captures must be copies. Other threads never call into Qt: tasks wait
    // in a mailbox of the dialog's own, and a write to an event descriptor wakes the window
    // thread, which empties it.
    void post(std::function<void()> task);

private:
    void deliver();

    std::mutex mailLock_;
    std::vector<std::function<void()>> mail_;
    FileDescriptor mailSignal_;     // an eventfd: non-zero while mail waits
    QSocketNotifier mailNotifier_;  // after the descriptor: it goes first
};

// The text of a field as the engines take it: 8-bit, cut to `limit` characters.
QByteArray fieldBytes(const QString& text, int limit);

}  // namespace loopkit::dialogs
