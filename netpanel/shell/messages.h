// The texts of the main window's message boxes.
#pragma once

namespace netpanel {

// The title of every message box of the utility.
inline constexpr const char* kMessageTitle = "IEEE 802.11b WLAN Utility";
inline constexpr const char* kAlreadyRunning = "IEEE 802.11b WLAN Utility is already running!!";
inline constexpr const char* kConfigMissing = "Kvconfig.ini Can't be find";
// The window's caption, also the tray icon's tip and the title of the join question.
inline constexpr const char* kWindowTitle = "IEEE 802.11b Wireless LAN Utility";

}  // namespace netpanel
