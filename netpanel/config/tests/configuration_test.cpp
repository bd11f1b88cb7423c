// The Configuration tab: "Apply Changes" to the adapter, the driver key and the profile, the
// SSID rules, "Restore Defaults", and the refresh on entering the tab.
#include "config_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

using Configuration = ConfigTest;

TEST_F(Configuration, ApplyWritesTheAdapterTheDriverKeyAndTheActiveProfile) {
    Velto& velto = startWith({"Default", "Home"});
    velto.SSTab1.setTab(1);
    velto.NetworkType.userSelect(0);
    velto.Channel.userSelect(4);
    velto.TxRate.userSelect(2);
    velto.CombConfPSMode.userSelect(1);
    velto.SetSSID.userType("  Lab AP ");
    EXPECT_TRUE(velto.Channel.enabled());
    EXPECT_TRUE(velto.cmdConfApply.enabled());
    velto.cmdConfApply.userClick();

    EXPECT_THAT(sets(), ElementsAre("VBSetWLChannel @0001 5", "VBSetWLTxRateControl @0001 4",
                                    "VBSetWLNetworkType @0001 0", "VBSetWLPSMode @0001 -1",
                                    "VBSetWLSSID @0001 'Lab AP'", "VBSetWLRestartNIC @0001"));
    for (const auto& [name, value] :
         std::vector<std::pair<const char*, const char*>>{{"RFChannel", "5"},
                                                          {"TxDataRate", "4"},
                                                          {"NetworkType", "0"},
                                                          {"PowerSaveMode", "1"},
                                                          {"SSID", "Lab AP"}}) {
        EXPECT_EQ(driverValue(name), value) << name;
    }
    // "Default" is the active profile (link 1): it gets the values.
    EXPECT_EQ(profileValue("Default", "SSID"), "Lab AP");
    EXPECT_EQ(profileValue("Default", "PSMode"), "1");
    EXPECT_EQ(profileValue("Default", "Channel"), "5");
    EXPECT_EQ(profileValue("Home", "SSID"), "");
    EXPECT_TRUE(velto.Channel.enabled());  // follows the ad hoc mode now in force
    EXPECT_FALSE(velto.cmdConfApply.enabled());
    EXPECT_FALSE(velto.cmdConfUndo.enabled());
}

TEST_F(Configuration, AFailedCallLeavesItsSettingAndDriverValue) {
    for (const char* failing : {"VBSetWLChannel", "VBSetWLTxRateControl", "VBSetWLNetworkType",
                                "VBSetWLPSMode", "VBSetWLSSID"}) {
        fakeReset();
        addAdapter("0001", "Card A", kPcCardId);
        setChannelPlan(0xFF, 0x07);
        script(failing, {-1});
        Velto& velto = startWith({"Default"}, {{"Channel", int16_t{6}}, {"TxRate", int16_t{15}}});
        const AdapterSettings before = velto.gCurSettings;
        velto.Channel.userSelect(0);
        velto.TxRate.userSelect(0);
        velto.NetworkType.userSelect(0);
        velto.CombConfPSMode.userSelect(1);
        velto.SetSSID.userType("Lab");
        velto.cmdConfApply.userClick();

        const AdapterSettings& after = velto.gCurSettings;
        const std::string f = failing;
        EXPECT_EQ(after.Channel, f == "VBSetWLChannel" ? before.Channel : 1) << f;
        EXPECT_EQ(after.TxRate, f == "VBSetWLTxRateControl" ? before.TxRate : 1) << f;
        EXPECT_EQ(after.NetworkType, f == "VBSetWLNetworkType" ? before.NetworkType : 0) << f;
        EXPECT_EQ(after.PSMode, f == "VBSetWLPSMode" ? before.PSMode : 1) << f;
        EXPECT_EQ(after.SSID.trimmed(), f == "VBSetWLSSID" ? before.SSID.trimmed() : "Lab") << f;
        EXPECT_EQ(driverValue("SSID"), f == "VBSetWLSSID" ? "" : "Lab") << f;
        EXPECT_EQ(sets().back(), "VBSetWLRestartNIC @0001") << f;
        RegDeletePath(std::string(kClassKeyNt) + "0001\\SSID");
    }
}

TEST_F(Configuration, AnyInAnyCaseIsTheEmptySsidAndALongOneIsSentWholeButStoredCut) {
    Velto& velto = startWith({"Default"});
    const std::string long33(33, 'L');
    for (const auto& [typed, sent, stored] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"any", "", ""},
             {" ANY ", "", ""},
             {"aNy", "", ""},
             {long33, long33, long33.substr(0, 32)}}) {
        fakeClearCalls();
        velto.SetSSID.userType(typed);
        velto.cmdConfApply.userClick();
        EXPECT_THAT(sets(), Contains("VBSetWLSSID @0001 '" + sent + "'")) << typed;
        EXPECT_EQ(driverValue("SSID"), stored) << typed;
        EXPECT_EQ(profileValue("Default", "SSID"), stored) << typed;
    }
    velto.SetSSID.userType("any");
    velto.cmdConfApply.userClick();
    velto.SSTab1.setTab(1);
    EXPECT_EQ(velto.SetSSID.text(), "Any");
}

TEST_F(Configuration, NoRateSendsCodeZeroAndNoModeSendsNothing) {
    Velto& velto = startWith({"Default"}, {{"TxRate", int16_t{3}}, {"NetworkType", int16_t{5}}});
    velto.TxRate.setListIndex(-1);  // "Auto Rate" is no item
    velto.NetworkType.setListIndex(-1);
    velto.cmdConfApply.userClick();
    EXPECT_THAT(sets(), Contains("VBSetWLTxRateControl @0001 0"));
    EXPECT_EQ(driverValue("TxDataRate"), "0");
    EXPECT_THAT(sets(), Not(Contains(StartsWith("VBSetWLNetworkType"))));
}

TEST_F(Configuration, RestoreShowsTheDefaultsAndSendsNothing) {
    setChannelPlan(0x07, 0x00);  // no channel 6 on this card
    Velto& velto = startWith({"Default"}, {{"Channel", int16_t{2}},
                                           {"NetworkType", int16_t{0}},
                                           {"PSMode", int16_t{1}},
                                           {"SSID", std::string("Lab")}});
    velto.SSTab1.setTab(1);
    velto.cmdConfRestore.userClick();
    EXPECT_EQ(velto.NetworkType.text(), "Infrastructure(BSS)");
    EXPECT_EQ(velto.SetSSID.text(), "Any");
    EXPECT_EQ(velto.TxRate.text(), "Fully Auto");
    EXPECT_EQ(velto.Channel.text(), "Ch2");  // unchanged: channel 6 is not listed
    EXPECT_TRUE(velto.Channel.enabled());    // follows the mode in force, ad hoc
    EXPECT_EQ(velto.CombConfPSMode.text(), "Disabled");
    EXPECT_TRUE(velto.cmdConfApply.enabled());
    EXPECT_THAT(sets(), IsEmpty());
}

TEST_F(Configuration, EnteringTheTabShowsTheActiveProfile) {
    Velto& velto = startWith(
        {"Default", "Home"},
        {{"TxRate", int16_t{15}}, {"Channel", int16_t{9}}, {"SSID", std::string(" Home ")}});
    RegWriteString(std::string(kUtilityKey) + "DefaultProfileLink", "2");
    velto.SSTab1.setTab(1);
    EXPECT_EQ(velto.Profilename.text(), "Home");
    EXPECT_TRUE(velto.cmdConfRemove.enabled());
    EXPECT_EQ(velto.TxRate.listIndex(), 4);
    EXPECT_EQ(velto.Channel.text(), "Ch9");
    EXPECT_EQ(velto.SetSSID.text(), "Home");
    EXPECT_FALSE(velto.cmdConfApply.enabled());
    EXPECT_FALSE(velto.cmdConfUndo.enabled());
}

TEST_F(Configuration, AnotherAdaptersShorterChannelListLeavesNoStaleChannels) {
    addAdapter("0002", "Card B", kPcCardId);
    Velto& velto = startWith({"Default"}, {{"Channel", int16_t{11}}});
    EXPECT_EQ(velto.Channel.text(), "Ch11");
    setChannelPlan(0x07, 0x00);  // the second card lists channels 1..3
    velto.AdapterList.userSelect(1);
    EXPECT_EQ(velto.Channel.listCount(), 3);
    EXPECT_EQ(velto.ChannelMap[4], 0);
    velto.SSTab1.setTab(1);  // channel 11 has no position now: nothing is selected
    EXPECT_EQ(velto.Channel.listIndex(), -1);
}

}  // namespace
}  // namespace netpanel::testing
