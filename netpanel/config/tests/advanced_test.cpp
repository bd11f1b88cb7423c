// The Advanced tab: the sliders' titles, "Apply Changes" with WEP off and on, "Restore Defaults"
// and the adapter's own preamble, which is no change of the user's.
#include "config_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Advanced = ConfigTest;

TEST_F(Advanced, SlidersShowTheirValueAndDisabledAtTheRightEnd) {
    Velto& velto = startWith({"Default"});
    for (const auto& [value, title, number] :
         std::vector<std::tuple<int, const char*, const char*>>{
             {2305, "Fragmentation Threshold (Disabled)", "2305"},
             {2304, "Fragmentation Threshold ", "2304"},
             {9999, "Fragmentation Threshold (Disabled)", "2305"}}) {
        velto.SetFragment.userScroll(value);
        EXPECT_EQ(velto.lblFragmentTitle.caption(), title);
        EXPECT_EQ(velto.lblFragment.caption(), number);
    }
    velto.SetRTS_CTS.userScroll(0);
    EXPECT_EQ(velto.lblCTSRTSTitle.caption(), "RTS/CTS Threshold ");
    EXPECT_EQ(velto.lblRTS_CTS.caption(), "0");
    EXPECT_TRUE(velto.cmdAdvApply.enabled());
    EXPECT_TRUE(velto.cmdAdvUndo.enabled());
}

TEST_F(Advanced, ApplySendsTheAuthenticationOnlyWithWepOnButStoresAllFour) {
    for (const int16_t keyLength : {int16_t{0}, int16_t{1}}) {
        RegDeletePath(std::string(kClassKeyNt) + "0001\\AuthentMode");
        Velto& velto = startWith({"Default"}, {{"KeyLength", keyLength}});
        velto.SSTab1.setTab(4);
        velto.SetFragment.userScroll(1024);
        velto.Preamble.userSelect(1);
        velto.AuthMode.userSelect(1);
        velto.cmdAdvApply.userClick();

        std::vector<std::string> expected = {"VBSetWLFragmentationThreshold @0001 1024",
                                             "VBSetWLRTSCTSThreshold @0001 0"};  // not stored: 0
        if (keyLength != 0) expected.push_back("VBSetWLAuthenticationMode @0001 2");
        expected.push_back("VBSetWLPreambleMode @0001 2");
        expected.push_back("VBSetWLRestartNIC @0001");
        EXPECT_EQ(sets(), expected);
        EXPECT_EQ(driverValue("FragmentThreshold"), "1024");
        EXPECT_EQ(driverValue("Preamble"), "2");
        EXPECT_EQ(driverValue("AuthentMode"), keyLength != 0 ? "2" : "");
        EXPECT_EQ(profileValue("Default", "Pramble"), "2");
        EXPECT_EQ(profileValue("Default", "FragmentThreshold"), "1024");
        EXPECT_EQ(profileValue("Default", "Authentication Mode"), keyLength != 0 ? "2" : "0");
        EXPECT_FALSE(velto.cmdAdvApply.enabled());
    }
}

TEST_F(Advanced, AFailedCallLeavesItsSettingAndDriverValueAndTheProfileGetsTheOldOne) {
    script("VBSetWLPreambleMode", {-1});
    script("VBSetWLFragmentationThreshold", {-1});
    Velto& velto = startWith({"Default"}, {{"Pramble", int16_t{3}}, {"KeyLength", int16_t{1}}});
    velto.SSTab1.setTab(4);
    velto.SetFragment.userScroll(700);
    velto.Preamble.userSelect(0);
    velto.cmdAdvApply.userClick();
    EXPECT_EQ(driverValue("Preamble"), "3");  // as start-up seeded it
    EXPECT_EQ(driverValue("FragmentThreshold"), "");
    EXPECT_EQ(velto.gCurSettings.Preamble, 3);
    EXPECT_EQ(profileValue("Default", "Pramble"), "3");
    EXPECT_EQ(profileValue("Default", "FragmentThreshold"), "0");
    EXPECT_EQ(sets().back(), "VBSetWLRestartNIC @0001");
}

TEST_F(Advanced, RestoreShowsTheDefaultsAndTheAdaptersAuthenticationAndSendsNothing) {
    script("VBQueryWLAuthenticationMode", {1});
    Velto& velto = startWith({"Default"}, {{"FragmentThreshold", int16_t{300}},
                                           {"RTSCTSThreshold", int16_t{100}},
                                           {"Pramble", int16_t{1}}});
    velto.SSTab1.setTab(4);
    EXPECT_EQ(velto.lblFragment.caption(), "300");
    EXPECT_EQ(velto.Preamble.text(), "Long Preamble");
    velto.cmdAdvRestore.userClick();
    EXPECT_EQ(velto.lblFragment.caption(), "2305");
    EXPECT_EQ(velto.lblRTS_CTS.caption(), "2305");
    EXPECT_EQ(velto.lblCTSRTSTitle.caption(), "RTS/CTS Threshold (Disabled)");
    EXPECT_EQ(velto.Preamble.text(), "Auto");
    EXPECT_EQ(velto.AuthMode.text(), "Open system");
    EXPECT_TRUE(velto.cmdAdvApply.enabled());
    EXPECT_THAT(sets(), IsEmpty());

    velto.cmdAdvUndo.userClick();  // back to the profile
    EXPECT_EQ(velto.lblFragment.caption(), "300");
    EXPECT_FALSE(velto.cmdAdvApply.enabled());
}

TEST_F(Advanced, SelectingAnAdapterIsNoChangeOfTheUsers) {
    addAdapter("0002", "Card B", kPcCardId);
    script("VBQueryWLPreambleMode", {1});
    Velto& velto = startWith({"Default"});
    velto.AdapterList.userSelect(1);
    EXPECT_EQ(velto.Preamble.text(), "Long Preamble");
    EXPECT_FALSE(velto.cmdAdvApply.enabled());
}

}  // namespace
}  // namespace netpanel::testing
