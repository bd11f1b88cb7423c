#include "qt/tray_icon.h"

#include <cstring>
#include <utility>

namespace netpanel::qt {

int trayMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kLeftButtonDown;
        case QSystemTrayIcon::DoubleClick:
            return kLeftDoubleClick;
        case QSystemTrayIcon::Context:
            return kRightButtonDown;
        case QSystemTrayIcon::MiddleClick:
            return kMiddleButtonDown;
        default:
            return 0;
    }
}

TrayIcon::TrayIcon() {
    // The tray activates the icon from inside a mouse event of its own widget, and what the model
    // does with the message may remove the icon, which deletes that widget (X11). So the message
    // goes to the model after the event has returned.
    connect(&tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                const int message = trayMessage(reason);
                if (message == 0) return;
                QMetaObject::invokeMethod(
                    this,
                    [this, message] {
                        if (handler_) handler_(message);
                    },
                    Qt::QueuedConnection);
            });
}

void TrayIcon::setPictures(std::map<uint32_t, QIcon> pictures) {
    pictures_ = std::move(pictures);
    showPicture();
}

void TrayIcon::setMessageHandler(std::function<void(int message)> handler) {
    handler_ = std::move(handler);
}

bool TrayIcon::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::apply(uint32_t message, const ui::NotifyIconData& data) {
    switch (message) {
        case ui::NIM_ADD:
            if (added_) return false;
            added_ = true;
            update(data);
            tray_.show();
            return true;
        case ui::NIM_MODIFY:
            if (!added_) return false;
            update(data);
            return true;
        case ui::NIM_DELETE:
            if (!added_) return false;
            added_ = false;
            tray_.hide();
            return true;
        default:
            return false;
    }
}

void TrayIcon::update(const ui::NotifyIconData& data) {
    if ((data.uFlags & ui::NIF_ICON) != 0) {
        iconId_ = data.hIcon;
        showPicture();
    }
    if ((data.uFlags & ui::NIF_TIP) != 0) {
        const size_t length = strnlen(data.szTip, sizeof data.szTip);
        tray_.setToolTip(QString::fromLatin1(data.szTip, static_cast<qsizetype>(length)));
    }
}

void TrayIcon::showPicture() {
    auto picture = pictures_.find(iconId_);
    if (picture != pictures_.end()) tray_.setIcon(picture->second);
}

}  // namespace netpanel::qt
