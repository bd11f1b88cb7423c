// The utility's icon in the system tray, driven by the tray records of the window model.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <cstdint>
#include <functional>
#include <map>

#include "ui/host.h"

namespace netpanel::qt {

// Mouse messages the tray delivers to the model (the numbers of the window messages).
inline constexpr int kMouseMove = 512;
inline constexpr int kLeftButtonDown = 513;
inline constexpr int kLeftDoubleClick = 515;
inline constexpr int kRightButtonDown = 516;
inline constexpr int kMiddleButtonDown = 519;

// The message for a tray activation; 0 for none.
int trayMessage(QSystemTrayIcon::ActivationReason reason);

class TrayIcon : public QObject {
public:
    TrayIcon();

    // The pictures by icon id (the hIcon of the records). An icon set before its picture shows
    // as soon as the picture arrives.
    void setPictures(std::map<uint32_t, QIcon> pictures);
    // Called with the message number of each mouse action on the icon, from the event loop once
    // the Qt event that carried the action has returned (never from inside it).
    void setMessageHandler(std::function<void(int message)> handler);

    // NIM_ADD, NIM_MODIFY or NIM_DELETE. Adding an icon that is up, or changing or removing one
    // that is not, fails as the shell's call does.
    bool apply(uint32_t message, const ui::NotifyIconData& data);

    bool added() const { return added_; }
    uint32_t iconId() const { return iconId_; }
    QString toolTip() const { return tray_.toolTip(); }
    // Whether a tray exists to show the icon in.
    static bool available();
    // The Qt icon itself (tests emit its activations).
    QSystemTrayIcon& systemIcon() { return tray_; }

private:
    void update(const ui::NotifyIconData& data);
    void showPicture();

    QSystemTrayIcon tray_;
    std::map<uint32_t, QIcon> pictures_;
    std::function<void(int)> handler_;
    bool added_ = false;
    uint32_t iconId_ = 0;
};

}  // namespace netpanel::qt
