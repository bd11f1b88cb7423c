// The Site Survey tab: a search and its rows, a search that finds nothing, what cannot be joined,
// joining open and WEP networks, and the adapter timers while Connect's question is open.
#include <cstdio>
#include <cstring>

#include "config_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A network as the adapter reports it, with BSSID 02:00:00:1A:2B:3C.
SurveyEntry network(const std::string& ssid, uint32_t mhz, int32_t rssi = 90, uint32_t privacy = 0,
                    uint32_t infrastructure = 1) {
    SurveyEntry e{};
    const uint8_t bssid[6] = {0x02, 0, 0, 0x1A, 0x2B, 0x3C};
    std::memcpy(e.MacAddress, bssid, 6);
    e.SsidLength = static_cast<uint32_t>(ssid.size());
    std::memcpy(e.Ssid, ssid.data(), std::min(ssid.size(), sizeof e.Ssid));
    e.Privacy = privacy;
    e.Rssi = rssi;
    e.DsConfig = mhz * 1000;
    e.InfrastructureMode = infrastructure;
    return e;
}

class Survey : public ConfigTest {
protected:
    // Starts on the Site Survey tab and searches, hearing `heard`.
    Velto& searchWith(const std::vector<SurveyEntry>& heard) {
        startWith({"Default"}).SSTab1.setTab(2);
        fakeSetSurvey(heard.data(), static_cast<int>(heard.size()));
        sleptBefore_ = host_.testClock().slept();
        velto_->Rescan.userClick();
        return *velto_;
    }
    std::chrono::milliseconds sleptBefore_{};
    // Each row without its BSSID: text, signal, channel, WEP, type and colour.
    std::vector<std::string> rows() const {
        std::vector<std::string> result;
        for (const auto& row : velto_->SiteSurveyListView.rows()) {
            char color[8];
            std::snprintf(color, sizeof color, "%06X", row.color);
            result.push_back(row.text);
            for (size_t i = 1; i < row.subItems.size(); ++i)
                result.back() += "|" + row.subItems[i];
            result.back() += "|" + std::string(color);
        }
        return result;
    }
};

TEST_F(Survey, SearchWaitsThenListsUpToSixteenRowsColouredBySignal) {
    std::vector<SurveyEntry> heard = {
        network("LabNet", 2412, 34),
        network("Odd", 2472, 62, 7),
        network("Open", 2437, 35, 1, 0),
        network("Top", 2484, 63),
        network("Over", 2417, 200),
        network("Under", 2462, -5),
        network("Even", 2412, 12),
        network("Up", 2412, 16),
        network("", 2412),
        network(std::string("N\0\xE9", 3) + std::string(40, 'z'), 2412)};
    heard.resize(20, network("More", 2412));
    Velto& velto = searchWith(heard);
    EXPECT_THAT(calls(), ElementsAre("VBWLSiteSurveyStart @0001",
                                     "VBWLRetrieveSiteSurveyData @0001 capacity 16 count 16"));
    EXPECT_EQ(host_.testClock().slept() - sleptBefore_, 5000ms);
    EXPECT_THAT(host_.log, ElementsAre("wait on", "wait off"));
    const std::vector<std::string> expected = {
        "LabNet| 30%| 1|Disable|Infrastructure|FF0000",  // the limits are 10 and 90
        "Odd| 65%| 13|Disable|Infrastructure|0000FF",    // an unknown WEP value repeats the last
        "Open| 31%| 6|Enable|Ad-Hoc|0000FF",
        "Top| 66%| 14|Disable|Infrastructure|0AC832",
        "Over| 100%| 2|Disable|Infrastructure|0AC832",
        "Under| 0%| 11|Disable|Infrastructure|FF0000",
        "Even| 2%| 1|Disable|Infrastructure|FF0000",  // 2.5 and 7.5: halves to even
        "Up| 8%| 1|Disable|Infrastructure|FF0000",
        "| 100%| 1|Disable|Infrastructure|0AC832",
        std::string("N\0\xE9", 3) + std::string(29, 'z') +
            "| 100%| 1|Disable|Infrastructure|0AC832"};
    const std::vector<std::string> listed = rows();
    ASSERT_EQ(listed.size(), 16u);
    EXPECT_EQ(std::vector(listed.begin(), listed.begin() + 10), expected);
    EXPECT_EQ(velto.SiteSurveyListView.rows()[0].subItems[0], "02:00:00:1A:2B:3C");
    EXPECT_EQ(velto.SurveyTable[5].Rssi, 90);  // clamped in place
    EXPECT_EQ(velto.SiteSurveyListView.selectedIndex(), 15);
    EXPECT_TRUE(velto.SiteSurveyListView.enabled());
    EXPECT_EQ(velto.SiteSurveyListView.backColor(), 0xFFFFFFu);
    EXPECT_FALSE(velto.ConnectButton.enabled());  // until a row is clicked

    // The tray's "View Available Network" shows this search again and searches nothing.
    velto.SSTab1.setTab(0);
    velto.ViewAvailableNetworkA.userClick();
    EXPECT_TRUE(velto.visible() && velto.SSTab1.tab() == 2);
    const std::vector<std::string> made = calls();
    EXPECT_EQ(std::count_if(made.begin(), made.end(),
                            [](const std::string& call) { return call.starts_with("VBWL"); }),
              2);
}

TEST_F(Survey, WithoutSignalLimitsEveryNetworkShowsZeroPercent) {
    writeConfig("[ADAPTER_INFORMATION]\r\nMatchingDeviceId=PCMCIA\\KV-WLAN_11B-5A1C\r\n[END]\r\n");
    searchWith({network("LabNet", 2412, 50), network("Far", 2412, -50)});
    EXPECT_THAT(rows(), ElementsAre("LabNet| 0%| 1|Disable|Infrastructure|FF0000",
                                    "Far| 0%| 1|Disable|Infrastructure|FF0000"));
}

TEST_F(Survey, ASearchWithoutAChannelKeepsTheOldRowsGreyAndNothingJoinable) {
    for (const std::vector<SurveyEntry>& failed :
         {std::vector<SurveyEntry>{}, {network("Low", 2390)}, {network("High", 2495)}}) {
        Velto& velto = searchWith({network("LabNet", 2412, 50)});
        velto.SiteSurveyListView.userClick(0);
        EXPECT_TRUE(velto.ConnectButton.enabled());
        fakeSetSurvey(failed.data(), static_cast<int>(failed.size()));
        velto.Rescan.userClick();
        EXPECT_THAT(rows(), ElementsAre("LabNet| 50%| 1|Disable|Infrastructure|0000FF"));
        EXPECT_FALSE(velto.SiteSurveyListView.enabled() || velto.ConnectButton.enabled());
        EXPECT_EQ(velto.SiteSurveyListView.backColor(), 0xF0F0F0u);
        EXPECT_EQ(velto.SurveyTable[1].SsidLength, 6u);
        velto.ConnectButton_Click();
        EXPECT_THAT(sets(), IsEmpty());

        // A release on the tab strip searches again while the list is disabled, only then.
        const SurveyEntry corridor = network("Corridor", 2462);
        fakeSetSurvey(&corridor, 1);
        fakeClearCalls();
        velto.SSTab1.userMouseUp(1, 0, 0, 0);
        velto.SSTab1.userMouseUp(1, 0, 0, 0);
        EXPECT_THAT(rows(), ElementsAre("Corridor| 100%| 11|Disable|Infrastructure|0AC832"));
        EXPECT_EQ(calls().size(), 2u);
    }
}

TEST_F(Survey, NoRowNoChannelOrTheSystemServiceMeansNothingToJoin) {
    Velto& velto = searchWith({network("LabNet", 2412), network("Five", 5180)});
    velto.SiteSurveyListView.userClick(-1);
    EXPECT_FALSE(velto.ConnectButton.enabled());
    velto.SiteSurveyListView.userClick(1);
    EXPECT_FALSE(velto.ConnectButton.enabled());
    velto.SiteSurveyListView.userDoubleClick(1);
    velto.SiteSurveyListView.userClick(0);
    EXPECT_TRUE(velto.ConnectButton.enabled());
    velto.WzcActive = true;  // the system's service takes the adapter
    velto.SiteSurveyListView.userDoubleClick(0);
    velto.ConnectButton.userClick();
    EXPECT_THAT(sets(), IsEmpty());
    EXPECT_FALSE(velto.ConnectButton.enabled());
}

TEST_F(Survey, JoiningAnOpenNetworkRecordsItInTheDriverKeyAndRestarts) {
    for (const bool refused : {false, true}) {
        for (const char* entry : {"VBSetWLSSID", "VBSetWLChannel", "VBSetWLNetworkType"})
            script(entry, {refused ? -1 : 0});
        script("VBQueryWLPSMode", {refused ? -1 : 1});
        Velto& velto = searchWith({network("LabNet", 2412), network("Peer  ", 2462, 90, 0, 0)});
        fakeClearCalls();
        velto.SiteSurveyListView.userDoubleClick(refused ? 1 : 0);
        const std::string ssid = refused ? "Peer  " : "LabNet";
        const std::string channel = refused ? "11" : "1", mode = refused ? "0" : "1";
        EXPECT_THAT(calls(),
                    ElementsAre("VBQueryWLIsWindows95", "VBSetWLSSID @0001 '" + ssid + "'",
                                "VBSetWLChannel @0001 " + channel, "VBSetWLTxRateControl @0001 15",
                                "VBSetWLNetworkType @0001 " + mode, "VBQueryWLPSMode @0001",
                                "VBSetWLWEPStatus @0001 0", "VBSetWLPreambleMode @0001 3",
                                "VBSetWLRestartNIC @0001"));
        EXPECT_EQ(driverValue("SSID") + "," + driverValue("RFChannel") + "," +
                      driverValue("TxDataRate") + "," + driverValue("NetworkType") + "," +
                      driverValue("PowerSaveMode"),
                  refused ? "Peer,11,15,0,-1" : "LabNet,1,15,1,1");
        EXPECT_EQ(velto.KeyLength.text(), "Disable");
        EXPECT_FALSE(velto.DefaultKey1.enabled() || velto.NetworkKey4.enabled());
        EXPECT_FALSE(velto.ConnectButton.enabled() || velto.SubmitSecurity.enabled());
        EXPECT_EQ(velto.StateFlags[UpdatingUi], 0);
    }
}

TEST_F(Survey, AWepNetworkIsJoinedAfterTheQuestionOnTheSecurityTab) {
    using ui::MsgResult;
    // A key length of "" stays as it was; the cancelled question comes first: nothing is written.
    for (const auto& [answer, wepBit, preamble, keyLength, tab] :
         std::vector<std::tuple<MsgResult, int32_t, int32_t, const char*, int>>{
             {MsgResult::Cancel, 0, 0, "", 2},
             {MsgResult::OK, 0, 0, "64 Bit", 3},
             {MsgResult::OK, 1, 0, "128 Bit", 3},
             {MsgResult::OK, -1, 0, "64 Bit", 3},
             {MsgResult::OK, 2, 0, "64 Bit", 3},
             {MsgResult::OK, 1, -1, "", 2}}) {
        script("VBQueryWLWEPbit", {wepBit});
        script("VBSetWLPreambleMode", {preamble});
        Velto& velto = searchWith({network("LabSecure", 2437, 70, 1)});
        velto.NetworkKey1.setEnabled(false);
        velto.AuthMode.setEnabled(false);
        const std::string before = velto.KeyLength.text();
        host_.answers = {answer};
        velto.SiteSurveyListView.userClick(0);
        velto.ConnectButton.userClick();
        ASSERT_EQ(host_.messages.size(), 1u);
        EXPECT_EQ(host_.messages[0].title + ": " + host_.messages[0].text,
                  "IEEE 802.11b Wireless LAN Utility: The Network Device included data encryption "
                  "information.Are you sure connect to the device?");
        EXPECT_EQ(host_.messages[0].buttons, ui::MsgButtons::OKCancel);
        const bool joined = answer == MsgResult::OK;
        EXPECT_EQ(sets().empty() ? "" : sets().back(), joined ? "VBSetWLPreambleMode @0001 3" : "");
        EXPECT_EQ(driverValue("SSID"), joined ? "LabSecure" : "");
        EXPECT_EQ(velto.KeyLength.text(), *keyLength ? keyLength : before);
        EXPECT_EQ(velto.SSTab1.tab(), tab);
        EXPECT_EQ(velto.gnSurveyJoined, tab == 3 ? 1 : 0);
        EXPECT_EQ(velto.NetworkKey1.enabled() && velto.AuthMode.enabled(), tab == 3);
        EXPECT_EQ(velto.SubmitSecurity.enabled(), joined);
        EXPECT_FALSE(velto.ConnectButton.enabled());
    }
}

TEST_F(Survey, AdapterTimersStandStillWhileTheQuestionIsOpen) {
    enum class During { CardGone, Exit, Nothing };
    for (const During during : {During::CardGone, During::Exit, During::Nothing}) {
        Velto& velto = searchWith({network("LabSecure", 2437, 70, 1)});
        velto.Timer1.setEnabled(true);
        std::vector<bool> held;
        host_.whileOpen = [&] {
            for (ui::Timer* t : velto.timers())
                held.push_back(t->enabled());
            if (during == During::CardGone) velto.StateFlags[AdapterOpen] = 0;
            if (during == During::Exit) velto.Exitprg_Click();
            fakeClearCalls();
        };
        velto.SiteSurveyListView.userDoubleClick(0);
        const bool joined = during == During::Nothing;
        EXPECT_EQ(held, std::vector<bool>(8, false));
        EXPECT_EQ(sets().empty(), !joined);
        EXPECT_EQ(driverValue("SSID"), joined ? "LabSecure" : "");
        EXPECT_EQ(velto.Timer1.enabled() && velto.Timer2.enabled() &&
                      velto.DetectCardOffTimer.enabled() && !velto.DetectCardOnTimer.enabled(),
                  joined);  // restored only while the same adapter is still open
    }
}

}  // namespace
}  // namespace netpanel::testing
