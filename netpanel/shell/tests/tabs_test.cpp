// Entering the tabs (the profile values, the MAC address, the versions, the survey-join flag),
// "OK" with its applies, and the help of each tab.
#include "config/tests/config_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using Tabs = ConfigTest;

TEST_F(Tabs, EnteringConfigurationOrAdvancedShowsTheProfilesValues) {
    struct Case {
        ProfileValues stored;
        int tab;
        std::function<void(const Velto&)> expect;
    };
    const std::vector<Case> cases = {
        {{{"TxRate", int16_t{15}}}, 1, [](const Velto& v) { EXPECT_EQ(v.TxRate.listIndex(), 4); }},
        // 3 is no rate code: the position the box had stays.
        {{{"TxRate", int16_t{3}}}, 1, [](const Velto& v) { EXPECT_EQ(v.TxRate.listIndex(), 1); }},
        {{{"FragmentThreshold", int16_t{2305}}, {"RTSCTSThreshold", int16_t{2305}}},
         4,
         [](const Velto& v) {
             EXPECT_EQ(v.lblFragmentTitle.caption(), "Fragmentation Threshold (Disabled)");
             EXPECT_EQ(v.lblFragment.caption(), "2305");
             EXPECT_EQ(v.lblCTSRTSTitle.caption(), "RTS/CTS Threshold (Disabled)");
             EXPECT_EQ(v.lblRTS_CTS.caption(), "2305");
         }},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        Velto& velto = startWith({"Default"}, cases[i].stored);
        velto.TxRate.setListIndex(1);
        velto.SetFragment.setValue(500);
        velto.SetRTS_CTS.setValue(500);
        velto.SSTab1.setTab(cases[i].tab);
        cases[i].expect(velto);
    }
}

TEST_F(Tabs, LinkInfoShowsTheMacAddressAndTheFirstThreeTabsForgetTheSurveyJoin) {
    const uint8_t mac[6] = {0x00, 0x0A, 0xBC, 0x7F, 0xFF, 0x01};
    for (int tab = 0; tab <= 5; ++tab) {
        Velto& velto = startWith({"Default"});
        velto.SSTab1.setTab(tab == 0 ? 2 : 0);
        fakeSetMac(mac);
        velto.MACStatus.setText("");
        velto.gnSurveyJoined = 1;
        velto.SSTab1.setTab(tab);
        SCOPED_TRACE("tab " + std::to_string(tab));
        EXPECT_EQ(velto.gnSurveyJoined, tab <= 2 ? 0 : 1);
        EXPECT_EQ(velto.MACStatus.text(), tab == 0 ? "00:0A:BC:7F:FF:01" : "");
    }
}

TEST_F(Tabs, AboutShowsTheVersionsInHexadecimalAndHidesTheBranding) {
    struct Case {
        int32_t driver;      // VBQueryWLDriverVersion's answer
        int32_t firmwareOk;  // VBQueryWLFirmwareVersion's answer
        std::array<uint8_t, 4> firmware;
        const char* driverText;
        const char* firmwareText;
    };
    for (const Case& c : std::vector<Case>{
             {0x01020A00, 0, {1, 0, 7, 3}, "1.2.A.0", "1.0.7.3"},
             {static_cast<int32_t>(0xFE10000F),
              0,
              {0xAB, 0x10, 0, 0xFF},
              "FE.10.0.F",
              "AB.10.0.FF"},
             {-1, -1, {9, 9, 9, 9}, "1.0.0.1", "1.0.0.1"},  // the designer's texts stay
             {0x00000001, 1, {9, 9, 9, 9}, "0.0.0.1", "1.0.0.1"},
         }) {
        SCOPED_TRACE(c.driverText);
        script("VBQueryWLDriverVersion", {c.driver});
        script("VBQueryWLFirmwareVersion", {c.firmwareOk});
        fakeSetFirmwareVersion(c.firmware.data());
        Velto& velto = startWith({"Default"});
        for (ui::Control* branding :
             std::vector<ui::Control*>{&velto.imgLogo, &velto.Label1, &velto.lblWarning}) {
            branding->setVisible(true);
        }
        velto.AboutA.userClick();
        EXPECT_EQ(velto.DriverVersionSN.caption(), c.driverText);
        EXPECT_EQ(velto.FirmwareVersion.caption(), c.firmwareText);
        EXPECT_FALSE(velto.imgLogo.visible());
        EXPECT_FALSE(velto.Label1.visible());
        EXPECT_FALSE(velto.lblWarning.visible());
        EXPECT_EQ(velto.Label7.caption(), "2.0.0.0");
    }
}

// The first call of each apply: Configuration, Security, Advanced.
const std::vector<std::string> kApplyStarts = {"VBSetWLTxRateControl", "VBSetWLWEPStatus",
                                               "VBSetWLFragmentationThreshold"};

std::vector<std::string> applyStarts(const std::vector<std::string>& sets) {
    std::vector<std::string> starts;
    for (const std::string& call : sets) {
        for (const std::string& start : kApplyStarts)
            if (call.starts_with(start + " ")) starts.push_back(start);
    }
    return starts;
}

TEST_F(Tabs, OkRunsTheEnabledAppliesInOrderAndHides) {
    struct Case {
        bool conf, sec, adv, wzc;
        std::vector<std::string> applied;
    };
    for (const Case& c : std::vector<Case>{
             {true, true, true, false, kApplyStarts},
             {false, true, true, false, {kApplyStarts[1], kApplyStarts[2]}},
             {true, false, true, false, {kApplyStarts[0], kApplyStarts[2]}},
             {true, true, false, false, {kApplyStarts[0], kApplyStarts[1]}},
             {false, false, false, false, {}},
             {true, true, true, true, {}},  // the system's service manages the adapter
         }) {
        SCOPED_TRACE(::testing::Message() << c.conf << c.sec << c.adv << " wzc " << c.wzc);
        Velto& velto = startWith({"Default"});
        velto.show();
        velto.WzcActive = c.wzc;
        velto.cmdConfApply.setEnabled(c.conf);
        velto.cmdSecApply.setEnabled(c.sec);
        velto.cmdAdvApply.setEnabled(c.adv);
        velto.Submit.userClick();
        EXPECT_EQ(applyStarts(sets()), c.applied);
        if (c.wzc) {
            EXPECT_THAT(sets(), IsEmpty());
        }
        EXPECT_FALSE(velto.visible());
        EXPECT_THAT(host_.messages, IsEmpty());
    }
}

TEST_F(Tabs, OkStopsAtARefusedSecurityApplyAndKeepsTheWindowAndTheEdits) {
    struct Case {
        const char* typed;  // into Key 1, after choosing 64 Bit ASCII
        const char* message;
    };
    for (const Case& c : std::vector<Case>{
             {"abc",
              "Standard keys should be 5 alphanumeric character.\r\nPlease re-enter Key 1 ."},
             {"abcde", "You must key in four key value."},  // keys 2 to 4 are blank
         }) {
        SCOPED_TRACE(c.typed);
        Velto& velto = startWith({"Default"});
        velto.show();
        velto.SSTab1.setTab(3);
        velto.KeyLength.userSelect(1);
        velto.ASCIIOption.userClick();
        velto.NetworkKey1.userKeyDown(65, 0);
        velto.NetworkKey1.userType(c.typed);
        velto.cmdConfApply.setEnabled(true);
        velto.cmdAdvApply.setEnabled(true);
        host_.clear();
        velto.Submit.userClick();

        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_EQ(host_.messages[0].text, c.message);
        EXPECT_EQ(applyStarts(sets()), std::vector<std::string>{kApplyStarts[0]});
        EXPECT_TRUE(velto.visible());
        EXPECT_EQ(velto.SSTab1.tab(), 3);
        EXPECT_EQ(velto.NetworkKey1.text(), c.typed);
        EXPECT_TRUE(velto.cmdSecApply.enabled());
        EXPECT_TRUE(velto.cmdAdvApply.enabled());
    }
}

TEST_F(Tabs, HelpAndF1OpenThePageOfTheCurrentTab) {
    Velto& velto = startWith({"Default"});
    const std::string file = programDir() + "/UHelp.chm";
    const std::vector<std::string> topics = {"link-info", "configuration", "site-survey",
                                             "security",  "advanced",      "about"};
    std::vector<std::string> expected;
    for (int tab = 5; tab >= 0; --tab) {
        velto.SSTab1.setTab(tab);
        velto.HelpButton.userClick();
        velto.F1Help();
        expected.insert(expected.end(), 2, "help " + file + " " + topics[tab]);
    }
    EXPECT_THAT(host_.log, ElementsAreArray(expected));
}

}  // namespace
}  // namespace netpanel::testing
