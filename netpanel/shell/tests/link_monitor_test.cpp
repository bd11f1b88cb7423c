// The link status monitor: Timer1's texts, Timer2's quality, strength, tray icon and counters,
// the display unit and "Re-Connect", driven by the test clock.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>

#include "velto_fixture.h"

namespace netpanel::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr int kLeftDoubleClick = 515;

class LinkMonitor : public VeltoTest {
protected:
    void SetUp() override {
        VeltoTest::SetUp();
        addAdapter("0001", "Card A", kPcCardId);
        storeProfiles({"Default"});  // not the first start: no profile is created
        startVelto();
        host_.testClock().advance(0ms);  // the ticks the activation's waits held back
        fakeClearCalls();
        host_.clear();
    }
    // One Timer2 period (the window hidden: Timer1 stands still).
    void timer2Tick() { host_.testClock().advance(1000ms); }
    // Opens the window from the tray and lets Timer1 tick once (after 300 ms).
    void openAndTickTimer1() {
        trayMessage(kLeftDoubleClick);
        host_.testClock().advance(300ms);
    }
    static int countCalls(const std::string& prefix) {
        const auto all = calls();
        return static_cast<int>(std::count_if(
            all.begin(), all.end(), [&](const std::string& c) { return c.starts_with(prefix); }));
    }
};

struct Sample {
    int32_t result, qualitySum, signalLevel, qualityCount;
};

struct SampleCase {
    const char* name;
    std::vector<Sample> samples;
    bool dbm;
    int linkPercent, signalPercent;
    const char* qualityCaption;
    const char* strengthCaption;
};

class LinkSamples : public LinkMonitor, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(LinkSamples, ShowPercentagesAndClasses) {
    const SampleCase& c = GetParam();
    if (c.dbm) velto_->DisplayUnit.userClick();
    for (const Sample& s : c.samples) {
        fakePushLinkSample(s.result, s.qualitySum, s.signalLevel, s.qualityCount);
        timer2Tick();
    }
    EXPECT_EQ(velto_->LinkPercent, c.linkPercent);
    EXPECT_EQ(velto_->SignalPercent, c.signalPercent);
    EXPECT_EQ(velto_->LinkStatusPB.value(), c.linkPercent);
    EXPECT_EQ(velto_->LinkStrengthPB.value(), c.signalPercent);
    EXPECT_EQ(velto_->LinkQuality.caption(), c.qualityCaption);
    EXPECT_EQ(velto_->LinkStrengthLabel.caption(), c.strengthCaption);
}

// Limits: 90 and 10 for quality and signal alike.
INSTANTIATE_TEST_SUITE_P(
    LinkMonitor, LinkSamples,
    ::testing::Values(
        SampleCase{"OneSample",
                   {{0, 30, 70, 1}},
                   false,
                   75,
                   75,
                   "Link Quality:     Excellent (75%)",
                   "Signal Strength:  Excellent (75%)"},
        SampleCase{"OneSampleInDbm",
                   {{0, 30, 70, 1}},
                   true,
                   75,
                   75,
                   "Link Quality:     Excellent",
                   "Signal Strength:  -35dBm"},
        SampleCase{"ThirtyIsPoor",
                   {{0, 66, 34, 1}},
                   false,
                   30,
                   30,
                   "Link Quality:     Poor (30%)",
                   "Signal Strength:  Poor (30%)"},
        SampleCase{"ThirtyOneIsGood",
                   {{0, 65, 35, 1}},
                   false,
                   31,
                   31,
                   "Link Quality:     Good (31%)",
                   "Signal Strength:  Good (31%)"},
        SampleCase{"SixtyFiveIsGood",
                   {{0, 38, 62, 1}},
                   false,
                   65,
                   65,
                   "Link Quality:     Good (65%)",
                   "Signal Strength:  Good (65%)"},
        SampleCase{"SixtySixIsExcellent",
                   {{0, 37, 63, 1}},
                   false,
                   66,
                   66,
                   "Link Quality:     Excellent (66%)",
                   "Signal Strength:  Excellent (66%)"},
        SampleCase{"PoorInDbm",
                   {{0, 66, 34, 1}},
                   true,
                   30,
                   30,
                   "Link Quality:     Poor",
                   "Signal Strength:  -71dBm"},
        SampleCase{"OutsideTheLimitsCountsAsThem",
                   {{0, 1, 200, 1}},
                   false,
                   100,
                   100,
                   "Link Quality:     Excellent (100%)",
                   "Signal Strength:  Excellent (100%)"},
        // 133 / 2 = 66.5 rounds to 66: quality 30 %, link (200 + 30) / 3 = 76.7.
        SampleCase{"QualityHalfGoesToEven",
                   {{0, 133, 90, 2}},
                   false,
                   77,
                   100,
                   "Link Quality:     Excellent (77%)",
                   "Signal Strength:  Excellent (100%)"},
        // Signal 12 is 2.5 %.
        SampleCase{"PercentHalfGoesToEven",
                   {{0, 10, 12, 1}},
                   false,
                   35,
                   2,
                   "Link Quality:     Good (35%)",
                   "Signal Strength:  Poor (2%)"},
        // Average 70.5 rounds to 70: 75 %.
        SampleCase{"AverageHalfGoesToEven",
                   {{0, 10, 70, 1}, {0, 10, 71, 1}},
                   false,
                   83,
                   75,
                   "Link Quality:     Excellent (83%)",
                   "Signal Strength:  Excellent (75%)"},
        // A sample with a failed query or a part not above 0 is dropped.
        SampleCase{"DroppedSamples",
                   {{0, 30, 70, 1}, {-1, 30, 10, 1}, {0, 0, 10, 1}, {0, 30, 0, 1}, {0, 30, 10, 0}},
                   false,
                   75,
                   75,
                   "Link Quality:     Excellent (75%)",
                   "Signal Strength:  Excellent (75%)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkMonitor, TheAverageCoversTheLastFourSamples) {
    std::vector<int> percents;
    for (int signal : {10, 90, 90, 90, 90}) {
        fakePushLinkSample(0, 10, signal, 1);
        timer2Tick();
        percents.push_back(velto_->SignalPercent);
    }
    // Averages 10, 50, 63.3, 70, then 90 once the fifth sample replaced the first.
    EXPECT_THAT(percents, ElementsAre(0, 50, 66, 75, 100));
    EXPECT_EQ(velto_->SampleCount, 4);
    EXPECT_EQ(velto_->SampleWritePos, 2);
}

TEST_F(LinkMonitor, PortStatusSetsTheTrayIconAndOnlyALinkKeepsTheDisplay) {
    const std::vector<std::string> on = {"tray 0 1", "tray 1 1"}, off = {"tray 0 2", "tray 1 2"};
    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {3, on},  {4, on},  {1, off}, {2, off}, {5, off}, {6, off},
        {8, off}, {9, off}, {7, {}},  {0, {}},  {-1, {}}};
    for (const auto& [port, tray] : cases) {
        script("VBQueryWLPortStatus", {4});
        fakePushLinkSample(0, 30, 70, 1);
        timer2Tick();
        script("VBQueryWLPortStatus", {port});
        host_.clear();
        timer2Tick();

        EXPECT_THAT(host_.log, ElementsAreArray(tray)) << "port " << port;
        const bool connected = port == 3 || port == 4;
        EXPECT_EQ(velto_->LinkQuality.caption(),
                  connected ? "Link Quality:     Excellent (75%)" : "Link Quality:")
            << "port " << port;
        EXPECT_EQ(velto_->LinkStrengthLabel.caption(),
                  connected ? "Signal Strength:  Excellent (75%)" : "Signal Strength:");
        EXPECT_EQ(velto_->LinkStrengthPB.value(), connected ? 75 : 0);
    }
}

TEST_F(LinkMonitor, Timer2ShowsTheFrameCountersAlsoWithoutALink) {
    script("VBQueryWLPortStatus", {7});
    fakeSetFrameCounts(1234, 99);
    timer2Tick();

    EXPECT_EQ(velto_->TxFrameStatus.text(), "1234");
    EXPECT_EQ(velto_->RxFrameStatus.text(), "99");
    EXPECT_THAT(calls(), ElementsAre("VBQueryWLPortStatus @0001", "VBGetTxRxFrameCount @0001"));
}

TEST_F(LinkMonitor, DisplayUnitSwitchesAtTheNextTick) {
    for (int i = 0; i < 3; ++i)
        fakePushLinkSample(0, 30, 70, 1);
    timer2Tick();

    velto_->DisplayUnit.userClick();
    EXPECT_EQ(velto_->DisplayUnit.caption(), "Percent");
    EXPECT_NE(velto_->StateFlags[ShowDbm], 0);
    EXPECT_EQ(velto_->LinkStrengthLabel.caption(), "Signal Strength:  Excellent (75%)");
    timer2Tick();
    EXPECT_EQ(velto_->LinkStrengthLabel.caption(), "Signal Strength:  -35dBm");

    velto_->DisplayUnit.userClick();
    EXPECT_EQ(velto_->DisplayUnit.caption(), "dBm");
    EXPECT_EQ(velto_->StateFlags[ShowDbm], 0);
    timer2Tick();
    EXPECT_EQ(velto_->LinkStrengthLabel.caption(), "Signal Strength:  Excellent (75%)");
}

TEST_F(LinkMonitor, Timer1TicksAfter300MsThenEvery1500WithChannelAndRate) {
    script("VBQueryWLChannel", {9, -1});
    script("VBQueryWLCurrentTxRate", {5, 0, 11, -1, 2});
    const std::vector<const char*> rates = {"5.5", "5.5", "11", "11", "2"};

    openAndTickTimer1();
    // A failing channel query here is the display's business, not a pulled card.
    velto_->DetectCardOffTimer.setEnabled(false);
    EXPECT_EQ(velto_->Timer1.interval(), 1500);
    EXPECT_EQ(velto_->ChannelStatus.text(), "9");
    EXPECT_EQ(velto_->gCurSettings.Channel, 9);
    EXPECT_EQ(velto_->TxRateStatus.text(), rates[0]);
    for (size_t tick = 1; tick < rates.size(); ++tick) {
        host_.testClock().advance(1499ms);
        EXPECT_EQ(countCalls("VBQueryWLCurrentTxRate"), static_cast<int>(tick));
        host_.testClock().advance(1ms);
        EXPECT_EQ(velto_->TxRateStatus.text(), rates[tick]) << "tick " << tick;
    }
    EXPECT_EQ(velto_->ChannelStatus.text(), "9");  // -1 leaves it
    EXPECT_EQ(velto_->gCurSettings.Channel, 9);
    EXPECT_EQ(velto_->StateFlags[UpdatingUi], 0);
}

struct Timer1SsidCase {
    const char* name;
    int32_t port;
    const char* entry;  // the query the port status selects
    int32_t result;
    std::string text;
    char fill;
    const char* shown;
};

class Timer1Ssid : public LinkMonitor, public ::testing::WithParamInterface<Timer1SsidCase> {};

TEST_P(Timer1Ssid, FollowsThePortStatus) {
    const Timer1SsidCase& c = GetParam();
    script("VBQueryWLPortStatus", {c.port});
    script(c.entry, {c.result});
    setSsid(c.text, c.fill, std::string(c.entry) == "VBQueryWLCurrentSSID");
    openAndTickTimer1();

    EXPECT_EQ(velto_->SSIDStatus.text(), c.shown);
    EXPECT_THAT(calls(), ElementsAre("VBQueryWLChannel @0001", "VBQueryWLCurrentTxRate @0001",
                                     "VBQueryWLPortStatus @0001", std::string(c.entry) + " @0001"));
}

INSTANTIATE_TEST_SUITE_P(
    LinkMonitor, Timer1Ssid,
    ::testing::Values(
        Timer1SsidCase{"Joined", 4, "VBQueryWLCurrentSSID", 0, "Home", '\0', "Home"},
        Timer1SsidCase{"JoinedWithoutName", 3, "VBQueryWLCurrentSSID", 0, "", '\0', "Any"},
        Timer1SsidCase{"JoinedQueryFails", 4, "VBQueryWLCurrentSSID", 1, "Home", '\0', ""},
        Timer1SsidCase{"ConfiguredQueryFails", 1, "VBQueryWLSSID", 1, "Lab", '\0', ""},
        Timer1SsidCase{"ConfiguredEmpty", 1, "VBQueryWLSSID", 0, "", '\0', ""},
        Timer1SsidCase{"ConfiguredFull", 2, "VBQueryWLSSID", 0, std::string(33, 'Z'), ' ', "Any"},
        Timer1SsidCase{"ConfiguredNulThenBlanks", 7, "VBQueryWLSSID", 0, std::string("Lab\0", 4),
                       ' ', "Lab"},
        Timer1SsidCase{"ConfiguredNulPadded", 0, "VBQueryWLSSID", 0, "Lab", '\0', "Lab"},
        Timer1SsidCase{"Configured32Characters", 0, "VBQueryWLSSID", 0, std::string(32, 'S'), '\0',
                       "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSSS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkMonitor, ReConnectLeavesAndRejoinsWithTwoSecondsOfWaiting) {
    setSsid(" Office", ' ', false);
    openAndTickTimer1();
    fakeClearCalls();
    host_.clear();
    const auto sleptBefore = host_.testClock().slept();

    velto_->CmdInfoScan.userClick();

    EXPECT_EQ(host_.testClock().slept() - sleptBefore, 2000ms);
    EXPECT_THAT(calls(), ElementsAre("VBQueryWLSSID @0001", "VBSetWLSSID @0001 'TestTestTest'",
                                     "VBSetWLSSID @0001 'Office'", "VBSetWLRestartNIC @0001"));
    EXPECT_THAT(host_.log, ElementsAre("wait on", "wait off"));
    for (ui::TextBox* field : {&velto_->ChannelStatus, &velto_->TxRateStatus, &velto_->SSIDStatus,
                               &velto_->TxFrameStatus, &velto_->RxFrameStatus}) {
        EXPECT_EQ(field->text(), "") << field->name();
    }
    // Timer1 runs again with a fresh period.
    fakeClearCalls();
    host_.testClock().advance(1499ms);
    EXPECT_EQ(countCalls("VBQueryWLCurrentTxRate"), 0);
    host_.testClock().advance(1ms);
    EXPECT_EQ(countCalls("VBQueryWLCurrentTxRate"), 1);

    // A failed query gives back an empty SSID.
    script("VBQueryWLSSID", {1});
    velto_->CmdInfoScan.userClick();
    EXPECT_THAT(calls(), Contains("VBSetWLSSID @0001 ''"));
    EXPECT_EQ(calls().back(), "VBSetWLRestartNIC @0001");
}

}  // namespace
}  // namespace netpanel::testing
