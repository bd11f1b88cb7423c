// The window as it is created: texts, items, states, timers, and the placements the view lays
// the window out from.
#include <gmock/gmock.h>

#include <map>
#include <set>

#include "velto_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::ElementsAre;

class Layout : public VeltoTest {
protected:
    void SetUp() override {
        VeltoTest::SetUp();
        velto_ = std::make_unique<Velto>(*nicapi_, host_, programDir());
        for (const ControlPlacement& p : velto_->placements())
            byName_[p.control->name()] = p;
    }
    const ControlPlacement& placement(const std::string& name) {
        const auto it = byName_.find(name);
        EXPECT_NE(it, byName_.end()) << name;
        return it->second;
    }
    std::map<std::string, ControlPlacement> byName_;
};

TEST_F(Layout, CombosHoldTheirItemsInOrder) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> items = {
        {"NetworkType", {"Ad-Hoc(IBSS)", "Infrastructure(BSS)"}},
        {"TxRate", {"1M bit/sec", "2M bit/sec", "5.5M bit/sec", "11M bit/sec", "Fully Auto"}},
        {"CombConfPSMode", {"Disabled", "Enabled"}},
        {"KeyLength", {"Disable", "64 Bit", "128 Bit"}},
        {"ComboProfileName", {"(NULL)"}},
        {"Preamble", {"Long Preamble", "Short Preamble", "Auto"}},
        {"AuthMode", {"Open system", "Shared key", "Auto"}}};
    for (const auto& [name, expected] : items) {
        EXPECT_EQ(dynamic_cast<ui::ComboBox&>(*placement(name).control).items(), expected) << name;
    }
    EXPECT_EQ(velto_->Channel.listCount(), 14);
    EXPECT_EQ(velto_->Channel.items().back(), "Ch14");
    EXPECT_EQ(velto_->TxRate.text(), "Auto Rate");
    EXPECT_EQ(velto_->TxRate.listIndex(), -1);
    EXPECT_EQ(velto_->NetworkType.text(), "Infrastructure(BSS)");
    std::vector<std::string> menu;
    for (ui::MenuItem* item : velto_->Menu.items())
        menu.push_back(item->name() + " " + item->caption());
    EXPECT_THAT(menu, ElementsAre("Exitprg Exit", "ViewAvailableNetworkA View Available Network",
                                  "AboutA About"));
}

TEST_F(Layout, InitialStatesAndTimers) {
    std::set<std::string> disabled, invisible;
    for (const ControlPlacement& p : velto_->placements()) {
        if (!p.control->enabled()) disabled.insert(p.control->name());
        if (!p.control->visible()) invisible.insert(p.control->name());
    }
    EXPECT_THAT(disabled, ElementsAre("Check802", "ConnectButton", "DisplayUnit", "OptEAPTLS",
                                      "OptEAPTTLS", "OptEAPWinPW", "fm8021x"));
    EXPECT_THAT(invisible, ElementsAre("CommonDialog1", "Menu", "Picture1", "Picture2", "Picture3",
                                       "SiteSurveyImageList"));
    EXPECT_FALSE(velto_->visible());
    EXPECT_EQ(velto_->caption(), "IEEE 802.11b WLAN Utility");

    std::vector<std::string> timers;
    for (const ui::Timer* timer : velto_->timers()) {
        timers.push_back(timer->name() + " " + std::to_string(timer->interval()) +
                         (timer->enabled() ? " on" : " off"));
    }
    EXPECT_THAT(timers, ElementsAre("Timer1 300 on", "Timer2 1000 off", "Timer3 950 off",
                                    "DetectCardOnTimer 5000 off", "DetectCardOffTimer 5000 off",
                                    "AutoscanTimer 1000 off", "TimerOnlyForAuth8021x 1000 off",
                                    "TimerOnlyWaitFor8021xOver 2 off"));
}

TEST_F(Layout, PlacementsNameEachControlOnceAfterItsFrame) {
    std::set<const ui::Control*> seen;
    for (const ControlPlacement& p : velto_->placements()) {
        EXPECT_TRUE(seen.insert(p.control).second) << p.control->name();
        if (p.frame) {
            EXPECT_TRUE(seen.count(p.frame)) << p.control->name() << " before its frame";
            EXPECT_EQ(placement(p.frame->name()).tab, p.tab) << p.control->name();
        }
    }
    const std::vector<std::tuple<const char*, int, const char*>> where = {
        {"SSTab1", kOutsideTabs, ""},
        {"Submit", kOutsideTabs, ""},
        {"AdapterList", 0, ""},
        {"TxFrameStatus", 0, "Transmitted"},
        {"fmInfoTx", 0, "Tx/Rx Frame"},
        {"Profilename", 1, "Profile"},
        {"Channel", 1, "Configuration"},
        {"SiteSurveyListView", 2, ""},
        {"DefaultKey2", 3, "WEP Key Entry"},
        {"ComboProfileName", 3, "802.1x"},
        {"OptEAPWinPW", 3, "Password"},
        {"AuthMode", 4, "Security"},
        {"SetRTS_CTS", 4, "Transmit Threshold Control"},
        {"Label7", 5, "Utility"}};
    for (const auto& [name, tab, frame] : where) {
        const ControlPlacement& p = placement(name);
        EXPECT_EQ(p.tab, tab) << name;
        EXPECT_EQ(p.frame ? p.frame->caption() : "", frame) << name;
    }
    EXPECT_EQ(placement("ASCIIOption").frame, &velto_->fmKeyType);
    EXPECT_EQ(placement("fmKeyType").frame, &velto_->WepKeyInf);
}

}  // namespace
}  // namespace netpanel::testing
