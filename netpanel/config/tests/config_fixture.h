// The window with one PC Card adapter whose channel plan lists channels 1..11 (or fewer), and
// what the configuration tests read back: the calls that change the adapter, the values of a key.
#pragma once

#include <gmock/gmock.h>

#include <array>
#include <chrono>

#include "platform/registry_locations.h"
#include "shell/tests/velto_fixture.h"

namespace netpanel::testing {

using namespace std::chrono_literals;

class ConfigTest : public VeltoTest {
protected:
    void SetUp() override {
        VeltoTest::SetUp();
        addAdapter("0001", "Card A", kPcCardId);
        setChannelPlan(0xFF, 0x07);
    }

    // The EEPROM's channel-plan record: bit b of `low` allows channel b + 1, of `high` b + 9.
    static void setChannelPlan(uint8_t low, uint8_t high) {
        std::array<uint8_t, 512> image{};
        image[0x100] = 3;
        image[0x101] = 6;
        image[0x102] = low;
        image[0x103] = high;
        fakeSetEeprom(image.data(), static_cast<int>(image.size()));
    }

    // Starts as every start after the first, with the profiles given, and forgets the calls.
    Velto& startWith(const std::vector<std::string>& names, const ProfileValues& values = {}) {
        storeProfiles(names, values);
        Velto& velto = startVelto();
        host_.testClock().advance(0ms);
        fakeClearCalls();
        host_.clear();
        return velto;
    }

    // The calls that change the adapter, in order.
    static std::vector<std::string> sets() {
        std::vector<std::string> result;
        for (const std::string& call : calls())
            if (call.starts_with("VBSet")) result.push_back(call);
        return result;
    }

public:
    static std::string profileValue(const std::string& profile, const std::string& name) {
        return RegReadValue(std::string(kUtilityKey) + "Profile\\" + profile + "\\" + name);
    }
    static std::string utilityValue(const std::string& name) {
        return RegReadValue(std::string(kUtilityKey) + name);
    }
    static std::string driverValue(const std::string& name) {
        return RegReadValue(std::string(kClassKeyNt) + "0001\\" + name);
    }
};

}  // namespace netpanel::testing
