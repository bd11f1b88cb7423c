// The tray icon record, the tray's mouse messages, the menu commands and the ways out: "Cancel",
// the close box and "Exit".
#include <gmock/gmock.h>

#include <chrono>
#include <cstring>

#include "velto_fixture.h"

namespace netpanel::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Tray : public VeltoTest {
protected:
    Velto& startWithAdapter(int twipsPerPixelX = 15) {
        fakeReset();
        addAdapter("0001", "Card A", kPcCardId);
        Velto& velto = startVelto(twipsPerPixelX);
        fakeClearCalls();
        host_.clear();
        return velto;
    }
};

TEST_F(Tray, RecordsNamePicture1AndCarryTheTip) {
    Velto& velto = startWithAdapter();
    velto.TrayAdd();
    velto.TraySetConnected();
    velto.TraySetDisconnected();
    velto.TrayRemove();

    EXPECT_THAT(host_.log, ElementsAre("tray 0 2", "tray 0 1", "tray 1 1", "tray 0 2", "tray 1 2",
                                       "tray 2 1"));
    char tip[64];
    std::memset(tip, ' ', sizeof tip);
    std::memcpy(tip, "IEEE 802.11b Wireless LAN Utility", 34);  // with its NUL
    for (const auto& call : host_.tray) {
        EXPECT_EQ(call.data.cbSize, 88u);
        EXPECT_EQ(call.data.hWnd, kPicture1Window);
        EXPECT_EQ(call.data.uID, 1u);
        EXPECT_EQ(call.data.uFlags, 7u);
        EXPECT_EQ(call.data.uCallbackMessage, 512u);
        EXPECT_EQ(std::memcmp(call.data.szTip, tip, sizeof tip), 0);
    }
}

TEST_F(Tray, DoubleClickOpensLinkInfoAndRightClickPopsUpTheMenu) {
    // (message, shown, tab, Timer1 running, popups)
    const std::vector<std::tuple<int, bool, int, bool, size_t>> cases = {{515, true, 0, true, 0},
                                                                         {516, false, 3, false, 1},
                                                                         {512, false, 3, false, 0},
                                                                         {513, false, 3, false, 0}};
    for (int twips : {15, 12}) {
        for (const auto& [message, shown, tab, timer1, popups] : cases) {
            Velto& velto = startWithAdapter(twips);
            velto.SSTab1.setTab(3);
            host_.popups.clear();

            trayMessage(message);

            SCOPED_TRACE(std::to_string(message) + " at " + std::to_string(twips) + " twips");
            EXPECT_EQ(velto.visible(), shown);
            EXPECT_EQ(velto.SSTab1.tab(), tab);
            EXPECT_EQ(velto.Timer1.enabled(), timer1);
            ASSERT_EQ(host_.popups.size(), popups);
            if (popups) {
                EXPECT_THAT(host_.popups[0],
                            ElementsAre("Exit", "View Available Network", "About"));
            }
        }
    }
}

TEST_F(Tray, AboutShowsTheAboutTabAndCancelHides) {
    Velto& velto = startWithAdapter();
    velto.AboutA.userClick();
    EXPECT_TRUE(velto.visible());
    EXPECT_EQ(velto.SSTab1.tab(), 5);
    EXPECT_FALSE(velto.Timer1.enabled());

    velto.Command4.userClick();
    EXPECT_FALSE(velto.visible());
    EXPECT_EQ(host_.ends, 0);
}

TEST_F(Tray, TheCloseBoxNeverEndsTheProgram) {
    Velto& velto = startWithAdapter();
    trayMessage(515);
    velto.Timer2.setEnabled(false);
    velto.userClose();
    EXPECT_FALSE(velto.visible());
    EXPECT_FALSE(velto.Timer1.enabled());
    EXPECT_TRUE(velto.Timer2.enabled());

    // Without an open adapter the timers stay as they are.
    fakeReset();
    startVelto();
    velto_->show();
    velto_->Timer1.setEnabled(true);
    velto_->userClose();
    EXPECT_FALSE(velto_->visible());
    EXPECT_TRUE(velto_->Timer1.enabled());
    EXPECT_FALSE(velto_->Timer2.enabled());

    // Other ways of closing are not cancelled.
    velto_->show();
    EXPECT_FALSE(velto_->QueryUnload(1));
    EXPECT_TRUE(velto_->visible());
    EXPECT_EQ(host_.ends, 0);
}

TEST_F(Tray, ExitReleasesTheAdapterRemovesTheIconWaitsAndEnds) {
    const std::vector<std::pair<int32_t, std::vector<std::string>>> cases = {
        {7,
         {"VBKvGetOSVersion", "VBSetWLDisableWirelessZeroConfiguration @0001 0",
          "VBKvCloseAdapter @0001"}},
        {5, {"VBKvGetOSVersion", "VBKvCloseAdapter @0001"}}};
    for (const auto& [osVersion, expected] : cases) {
        Velto& velto = startWithAdapter();
        script("VBKvGetOSVersion", {osVersion});
        const auto sleptBefore = host_.testClock().slept();

        velto.Exitprg.userClick();

        EXPECT_THAT(calls(), ::testing::ElementsAreArray(expected));
        EXPECT_THAT(host_.log, ElementsAre("tray 2 1", "end"));
        EXPECT_EQ(host_.testClock().slept() - sleptBefore, 1000ms);
        EXPECT_TRUE(velto.ended());

        // Nothing runs after the end.
        fakeClearCalls();
        velto.CmdInfoScan.userClick();
        host_.testClock().advance(10s);
        EXPECT_THAT(calls(), IsEmpty());
        velto_.reset();
    }
}

}  // namespace
}  // namespace netpanel::testing
