// Where the utility's settings and the adapters' driver settings live in the registry.
#pragma once

#include <nicapi/nicapi.h>

#include <string>

namespace netpanel {

// The utility's per-user key, as a full path (ending in "\") and relative to HKEY_CURRENT_USER.
inline constexpr const char* kUtilityKey =
    "HKEY_CURRENT_USER\\Software\\IEEE 802.11b WLAN\\IEEE 802.11b WLAN Utility\\1.00\\";
inline constexpr const char* kUtilityKeyRelative =
    "Software\\IEEE 802.11b WLAN\\IEEE 802.11b WLAN Utility\\1.00";

// The network class keys holding the adapters' driver keys, full and relative to
// HKEY_LOCAL_MACHINE: on Windows 95/98/Me, and on the NT family.
inline constexpr const char* kClassKey9x =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\";
inline constexpr const char* kClassKey9xRelative =
    "System\\CurrentControlSet\\Services\\Class\\Net\\";
inline constexpr const char* kClassKeyNt =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
    "{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
inline constexpr const char* kClassKeyNtRelative =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";

// The driver key of an adapter, a full path ending in "\": the class key of the running system
// followed by the first four characters of the adapter's instance id.
std::string driverKey(bool windows95, const WLAdapterInfo& adapter);
// The same, relative to HKEY_LOCAL_MACHINE, without the closing "\".
std::string driverKeyRelative(bool windows95, const WLAdapterInfo& adapter);

// The full path of an adapter's hardware identifier, the value MatchingDeviceId. On Windows
// 95/98/Me the numbered subkey is the first four characters of the adapter's name instead.
std::string matchingDeviceIdPath(bool windows95, const WLAdapterInfo& adapter);

}  // namespace netpanel
