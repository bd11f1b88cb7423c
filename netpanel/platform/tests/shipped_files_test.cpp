// The KvConfig.ini the utility ships and the simulated adapter's default environment fit
// together: the supported PC Card matches, the wired adapter does not.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/adapter_information.h"
#include "platform/nicapi_binding.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "temp_registry.h"

namespace netpanel {
namespace {

using ShippedFiles = TempRegistry;

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST_F(ShippedFiles, TheShippedAdapterFileMatchesTheSimulatedPcCardOnly) {
    std::ifstream file(KVCONFIG_PATH);
    std::stringstream text;
    text << file.rdbuf();
    auto read = readAdapterInformation(text.str(), KVCONFIG_PATH);
    ASSERT_TRUE(std::holds_alternative<AdapterInformation>(read)) << std::get<std::string>(read);
    const AdapterInformation& info = std::get<AdapterInformation>(read);
    EXPECT_LT(info.signalStrengthMin, info.signalStrengthMax);
    EXPECT_LT(info.communicationQualityMin, info.communicationQualityMax);

    unsetenv("NICAPI_ENVIRONMENT");  // the default one beside the library
    auto loaded = Nicapi::load(NICAPI_PATH);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Nicapi>>(loaded));
    Nicapi& nicapi = *std::get<std::unique_ptr<Nicapi>>(loaded);
    bool windows95 = nicapi.VBQueryWLIsWindows95() == 1;

    AdapterListEntry all[50] = {};
    int32_t count = nicapi.VBCreateAllNICAdapterList(all, 50);
    ASSERT_GE(count, 2);
    std::vector<std::string> supported, unsupported;
    for (int i = 0; i < count; ++i) {
        WLAdapterInfo adapter{};
        std::memcpy(adapter.AdapterName, all[i].AdapterName, sizeof adapter.AdapterName);
        std::memcpy(adapter.InstanceId, all[i].InstanceId, sizeof adapter.InstanceId);
        std::string id = upper(RegReadValue(matchingDeviceIdPath(windows95, adapter)));
        EXPECT_FALSE(id.empty()) << all[i].AdapterDescription << ": no MatchingDeviceId";
        auto& list = std::count(info.matchingDeviceIds.begin(), info.matchingDeviceIds.end(), id)
                         ? supported
                         : unsupported;
        list.push_back(all[i].AdapterDescription);
    }
    EXPECT_EQ(supported, std::vector<std::string>{"IEEE 802.11b Wireless LAN PC Card"});
    EXPECT_EQ(unsupported, std::vector<std::string>{"PCI Fast Ethernet Adapter"});
}

}  // namespace
}  // namespace netpanel
