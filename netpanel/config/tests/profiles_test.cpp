// Configuration profiles: the first start, activation in its order with its waits and keys,
// creation, removal with its renumbering, names the store cannot keep apart, and stored values
// that the lists have no position for.
#include <registry/registry.h>

#include "config_fixture.h"
#include "platform/registry_locations.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using Profiles = ConfigTest;

// The values of a profile's key, "name=text" in the store's order.
std::vector<std::string> storedProfile(const std::string& profile) {
    std::vector<std::string> values;
    HKEY key = nullptr;
    const std::string path = std::string(kUtilityKeyRelative) + "\\Profile\\" + profile;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != 0) {
        return values;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != 0) break;
        values.push_back(std::string(name) + "=" + ConfigTest::profileValue(profile, name));
    }
    RegCloseKey(key);
    return values;
}

const ProfileValues kOffice = {{"SSID", std::string("Office")},
                               {"Channel", int16_t{11}},
                               {"NetworkType", int16_t{1}},
                               {"PSMode", int16_t{1}},
                               {"TxRate", int16_t{8}},
                               {"KeyLength", int16_t{0}},
                               {"KeyType", int16_t{1}},
                               {"KeyInUse", int16_t{1}},
                               {"FragmentThreshold", int16_t{512}},
                               {"RTSCTSThreshold", int16_t{2305}},
                               {"Authentication Mode", int16_t{2}},
                               {"Pramble", int16_t{2}}};

TEST_F(Profiles, TheFirstStartStoresDefaultFromTheAdapterAndSendsNothing) {
    script("VBQueryWLChannel", {3});
    Velto& velto = startVelto();

    EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 1");
    EXPECT_EQ(utilityValue("ProfileLink 1"), "Default");
    EXPECT_EQ(utilityValue("DefaultProfileLink"), " 1");
    EXPECT_THAT(
        storedProfile("Default"),
        ElementsAre("SSID=", "Channel=3", "NetworkType=1", "PSMode=0", "TxRate=15",
                    "DataEncryption=0", "KeyLength=0", "KeyType=1", "KeyMaxLength=5", "KeyInUse=1",
                    "Ieee8021x=0", "SecurityProfileName=", "NetworkKey1=", "NetworkKey2=",
                    "NetworkKey3=", "NetworkKey4=", "FragmentThreshold=2305",
                    "RTSCTSThreshold=2305", "Authentication Mode=3", "Pramble=3"));
    EXPECT_THAT(sets(), IsEmpty());
    EXPECT_EQ(velto.Profilename.listIndex(), -1);  // so the activation stopped at once
    EXPECT_EQ(velto.StateFlags[UpdatingUi], 0);
}

TEST_F(Profiles, ALaterStartActivatesEverySettingInOrderWithItsWaits) {
    struct Case {
        int32_t adapterMode;
        std::chrono::milliseconds waited;
    };
    for (const Case c : {Case{1, 3000ms}, Case{0, 11000ms}}) {
        fakeReset();
        addAdapter("0001", "Card A", kPcCardId);
        setChannelPlan(0xFF, 0x07);
        script("VBQueryWLNetworkType", {c.adapterMode});
        storeProfiles({"Office"}, kOffice);
        Velto& velto = startVelto();

        EXPECT_EQ(host_.testClock().slept(), c.waited);
        EXPECT_THAT(sets(), ElementsAre("VBSetWLSSID @0001 'Office'", "VBSetWLNetworkType @0001 1",
                                        "VBSetWLTxRateControl @0001 8", "VBSetWLChannel @0001 11",
                                        "VBSetWLPSMode @0001 -1", "VBSetWLRestartNIC @0001",
                                        "VBSetWLWEPStatus @0001 0", "VBSetWLRestartNIC @0001",
                                        "VBSetWLFragmentationThreshold @0001 512",
                                        "VBSetWLRTSCTSThreshold @0001 2305",
                                        "VBSetWLPreambleMode @0001 2", "VBSetWLRestartNIC @0001"))
            << "adapter mode " << c.adapterMode;
        EXPECT_EQ(velto.SetSSID.text(), "Office");
        EXPECT_EQ(velto.TxRate.text(), "11M bit/sec");
        EXPECT_EQ(velto.Channel.text(), "Ch11");
        EXPECT_FALSE(velto.Channel.enabled());
        EXPECT_EQ(velto.CombConfPSMode.text(), "Enabled");
        EXPECT_EQ(velto.SetFragment.value(), 512);
        EXPECT_EQ(velto.lblFragmentTitle.caption(), "Fragmentation Threshold ");
        EXPECT_EQ(velto.Preamble.text(), "Short Preamble");
        EXPECT_EQ(velto.gCurSettings.AuthenticationMode, 2);  // kept, not sent with WEP off
        EXPECT_EQ(utilityValue("DefaultProfileLink"), "1");
        EXPECT_FALSE(velto.cmdAdvApply.enabled());
        EXPECT_THAT(host_.log, ElementsAre("wait on", "wait off", "tray 0 2"));
        host_.clear();
    }
}

struct KeyCase {
    const char* name;
    std::vector<std::string> keys;  // NetworkKey1..4 as stored
    int16_t keyLength, keyInUse;
    std::vector<std::string> written;  // the calls from VBSetWLWEPStatus to the next restart
};

class ActivationKeys : public Profiles, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ActivationKeys, AreWrittenFromTheirTextWithTheDefaultKeyMarked) {
    const KeyCase& c = GetParam();
    ProfileValues values = {{"KeyLength", c.keyLength}, {"KeyInUse", c.keyInUse}};
    for (size_t k = 0; k < c.keys.size(); ++k)
        values.emplace_back("NetworkKey" + std::to_string(k + 1), c.keys[k]);
    Velto& velto = startWith({"Home"}, values);
    velto.CmdConfActivate.setEnabled(true);
    velto.CmdConfActivate.userClick();

    std::vector<std::string> written;
    bool inKeys = false;
    for (std::string call : sets()) {
        if (call.starts_with("VBSetWLWEPStatus")) inKeys = true;
        if (call.starts_with("VBSetWLRestartNIC") && inKeys) break;
        if (inKeys) written.push_back(call.erase(call.find(" @0001"), 6));
    }
    EXPECT_THAT(written, ElementsAreArray(c.written));
    EXPECT_EQ(velto.StateFlags[DefaultKeyNo], c.keyInUse >= 1 && c.keyInUse <= 4 ? c.keyInUse : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ActivationKeys,
    ::testing::Values(
        KeyCase{"AsciiAndHexOf64Bits",
                {"abcde", "0A1b2C3d4E", " ", "12345"},
                1,
                2,
                {"VBSetWLWEPStatus 1", "VBSetWLWEPbit 0",
                 "VBSetWLWriteKey 0 0 0 61626364650000000000000000",
                 "VBSetWLWriteKey 1 0 -1 0A1B2C3D4E0000000000000000", "VBSetWLDefaultKeyID 1",
                 "VBSetWLWriteKey 3 0 0 31323334350000000000000000"}},
        KeyCase{"AsciiAndHexOf128Bits",
                {"ABCDEFGHIJKLM", "000102030405060708090a0B0C", "", ""},
                2,
                1,
                {"VBSetWLWEPStatus 1", "VBSetWLWEPbit 1",
                 "VBSetWLWriteKey 0 -1 -1 4142434445464748494A4B4C4D", "VBSetWLDefaultKeyID 0",
                 "VBSetWLWriteKey 1 -1 0 000102030405060708090A0B0C"}},
        KeyCase{
            "NoKeyInUseWritesNoKey", {"abcde"}, 1, 0, {"VBSetWLWEPStatus 1", "VBSetWLWEPbit 0"}},
        KeyCase{"WepOff", {"abcde"}, 0, 1, {"VBSetWLWEPStatus 0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Profiles, CreateAddsANewNameOrOverwritesAStoredOneAndRefusesNamesThatWouldCollide) {
    Velto& velto = startWith({"Default"});
    velto.gCurSettings.TxRate = 4;

    velto.Profilename.userType("Lab");
    EXPECT_TRUE(velto.cmdConfCreate.enabled());
    velto.cmdConfCreate.userClick();
    EXPECT_THAT(velto.Profilename.items(), ElementsAre("Default", "Lab"));
    EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 2");
    EXPECT_EQ(utilityValue("ProfileLink 2"), "Lab");
    EXPECT_EQ(utilityValue("DefaultProfileLink"), " 2");
    EXPECT_EQ(profileValue("Lab", "TxRate"), "4");

    velto.gCurSettings.TxRate = 2;
    velto.Profilename.userType("Lab");  // a stored name: Create is off, the button still works
    velto.cmdConfCreate_Click();
    EXPECT_EQ(profileValue("Lab", "TxRate"), "2");
    EXPECT_EQ(velto.Profilename.listCount(), 2);

    for (const char* refused : {"default", "LAB", "Home\\Lab", "\\", "   "}) {
        velto.Profilename.userType(refused);
        velto.cmdConfCreate_Click();
        EXPECT_EQ(host_.messages.size(), 1u) << refused;
        host_.clear();
    }
    EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 2");
    EXPECT_EQ(profileValue("Default", "TxRate"), "");  // Default's key was never reached
    EXPECT_EQ(profileValue("Lab", "TxRate"), "2");
}

TEST_F(Profiles, RemovingTheSecondOfThreeMovesTheThirdDownAndActivatesTheFirst) {
    Velto& velto = startWith({"Default", "Home", "Lab"}, {{"Channel", int16_t{4}}});
    velto.Profilename.userSelect(1);
    EXPECT_TRUE(velto.cmdConfRemove.enabled());
    velto.cmdConfRemove.userClick();

    EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 2");
    EXPECT_EQ(utilityValue("ProfileLink 2"), "Lab");
    EXPECT_EQ(utilityValue("ProfileLink 3"), "");
    EXPECT_EQ(utilityValue("DefaultProfileLink"), "1");
    EXPECT_EQ(profileValue("Home", "Channel"), "");
    EXPECT_EQ(profileValue("Lab", "Channel"), "4");
    EXPECT_THAT(velto.Profilename.items(), ElementsAre("Default", "Lab"));
    EXPECT_EQ(velto.Profilename.listIndex(), 0);
    EXPECT_FALSE(velto.cmdConfRemove.enabled());  // "Default" is never removed
    EXPECT_THAT(sets(), IsEmpty());
}

TEST_F(Profiles, RemovingANameThatSharesItsKeyWithAnotherKeepsTheKey) {
    // A hive from before names were checked: both names reach one key.
    Velto& velto = startWith({"Default", "Lab", "LAB"}, {{"Channel", int16_t{4}}});
    velto.Profilename.userSelect(2);
    velto.cmdConfRemove.userClick();
    EXPECT_THAT(velto.Profilename.items(), ElementsAre("Default", "Lab"));
    EXPECT_EQ(profileValue("Lab", "Channel"), "4");
}

TEST_F(Profiles, AnUntrustedLinkSelectsTheFirstProfileAndNeverRecreatesDefault) {
    for (const char* link : {" 7", "0", "-2"}) {
        storeProfiles({"Default", "Home"}, {{"Channel", int16_t{9}}});
        RegWriteString(std::string(kUtilityKey) + "DefaultProfileLink", link);
        Velto& velto = startVelto();
        EXPECT_EQ(velto.Profilename.listIndex(), 0) << link;
        EXPECT_EQ(profileValue("Default", "Channel"), "9") << link;  // not overwritten
        EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 2") << link;
    }
}

TEST_F(Profiles, StoredValuesWithoutAPositionLeaveTheListsAndTheActivationGoesOn) {
    setChannelPlan(0x07, 0x00);  // channels 1..3
    Velto& velto = startWith({"Odd"}, {{"TxRate", int16_t{99}},
                                       {"Pramble", int16_t{7}},
                                       {"Channel", int16_t{14}},
                                       {"PSMode", int16_t{5}},
                                       {"KeyLength", int16_t{9}},
                                       {"Authentication Mode", int16_t{0}},
                                       {"KeyInUse", int16_t{3000}}});
    velto.Channel.userSelect(1);
    velto.TxRate.userSelect(2);
    velto.SSTab1.setTab(4);
    velto.SSTab1.setTab(1);
    EXPECT_EQ(velto.Channel.listIndex(), 1);
    EXPECT_EQ(velto.TxRate.listIndex(), 2);
    EXPECT_EQ(velto.Preamble.listIndex(), 2);  // the adapter's reported "Auto"
    EXPECT_EQ(velto.StateFlags[DefaultKeyNo], 1);

    velto.CmdConfActivate.setEnabled(true);
    velto.CmdConfActivate.userClick();
    EXPECT_EQ(sets().back(), "VBSetWLRestartNIC @0001");  // the activation reached its end
    EXPECT_EQ(velto.StateFlags[UpdatingUi], 0);
}

TEST_F(Profiles, TypedTextThatIsNotTheSelectedEntryActivatesAndRemovesNothing) {
    Velto& velto = startWith({"Default", "Home"});
    velto.Profilename.userSelect(1);
    velto.Profilename.userType("Elsewhere");
    velto.CmdConfActivate_Click();
    velto.cmdConfRemove_Click();
    EXPECT_THAT(sets(), IsEmpty());
    EXPECT_EQ(utilityValue("ProfileLinkNumber"), " 2");
    EXPECT_EQ(velto.StateFlags[UpdatingUi], 0);
}

}  // namespace
}  // namespace netpanel::testing
