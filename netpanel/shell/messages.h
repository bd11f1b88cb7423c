// The texts of the main window's message boxes.
#pragma once

namespace netpanel {

// The title of every message box of the utility.
inline constexpr const char* kMessageTitle = "IEEE 802.11b WLAN Utility";
inline constexpr const char* kAlreadyRunning = "IEEE 802.11b WLAN Utility is already running!!";
inline constexpr const char* kConfigMissing = "Kvconfig.ini Can't be find";
// The tip of the tray icon.
inline constexpr const char* kTrayTip = "IEEE 802.11b Wireless LAN Utility";

}  // namespace netpanel
