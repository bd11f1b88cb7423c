#include "registry_locations.h"

#include <cstring>

namespace netpanel {
namespace {

// The first four characters of a fixed-size text field (fewer when it is shorter).
std::string subkeyOf(const char* field, size_t size) {
    return std::string(field, strnlen(field, size < 4 ? size : 4));
}

std::string instanceSubkey(const WLAdapterInfo& adapter) {
    return subkeyOf(adapter.InstanceId, sizeof adapter.InstanceId);
}

}  // namespace

std::string driverKey(bool windows95, const WLAdapterInfo& adapter) {
    return std::string(windows95 ? kClassKey9x : kClassKeyNt) + instanceSubkey(adapter) + "\\";
}

std::string driverKeyRelative(bool windows95, const WLAdapterInfo& adapter) {
    return std::string(windows95 ? kClassKey9xRelative : kClassKeyNtRelative) +
           instanceSubkey(adapter);
}

std::string matchingDeviceIdPath(bool windows95, const WLAdapterInfo& adapter) {
    if (!windows95) return driverKey(false, adapter) + "MatchingDeviceId";
    return std::string(kClassKey9x) + subkeyOf(adapter.AdapterName, sizeof adapter.AdapterName) +
           "\\MatchingDeviceId";
}

}  // namespace netpanel
