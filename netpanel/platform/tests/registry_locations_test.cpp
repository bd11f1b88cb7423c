// Where driver keys are.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry_locations.h"

namespace netpanel {
namespace {

WLAdapterInfo adapter(const char* name, const char* instance) {
    WLAdapterInfo a{};
    std::strncpy(a.AdapterName, name, sizeof a.AdapterName - 1);
    std::memcpy(a.InstanceId, instance, std::min(std::strlen(instance), sizeof a.InstanceId));
    return a;
}

TEST(RegistryLocations, DriverKeysUseTheInstanceIdOnBothSystems) {
    const std::string nt =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
        "{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
    const std::string win9x =
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\";
    WLAdapterInfo a = adapter("0003 Wireless", "00071");  // five characters, no NUL
    EXPECT_EQ(driverKey(false, a), nt + "0007\\");
    EXPECT_EQ(driverKey(true, a), win9x + "0007\\");
    EXPECT_EQ(driverKeyRelative(false, a),
              "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}"
              "\\0007");
    // The hardware identifier alone is found by the adapter name on Windows 95/98/Me.
    EXPECT_EQ(matchingDeviceIdPath(false, a), nt + "0007\\MatchingDeviceId");
    EXPECT_EQ(matchingDeviceIdPath(true, a), win9x + "0003\\MatchingDeviceId");
}

}  // namespace
}  // namespace netpanel
