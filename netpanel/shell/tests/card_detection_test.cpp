// Card presence: pulling and inserting the card, the adapter kept across the 5-second checks,
// the system's wireless service taking and releasing the adapter, and what the tray offers while
// no card is present.
#include <gmock/gmock.h>

#include <chrono>

#include "platform/registry_handles.h"
#include "velto_fixture.h"

namespace netpanel::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class CardDetection : public VeltoTest {
protected:
    // The window with `cards` supported PC Cards (instances 0001, 0002, ...), logs cleared.
    Velto& startWith(int cards, int32_t osVersion = 5) {
        fakeReset();
        for (int i = 1; i <= cards; ++i)
            addAdapter(instance(i), "Card " + std::to_string(i), kPcCardId);
        script("VBKvGetOSVersion", {osVersion});
        Velto& velto = startVelto();
        velto.Timer2.setEnabled(false);  // keeps the link monitor's calls out of the log
        fakeClearCalls();
        host_.clear();
        return velto;
    }
    static std::string instance(int i) {
        std::string text = std::to_string(i);
        return std::string(4 - text.size(), '0') + text;
    }
    void pullCards() {
        fakeClearAdapters();
        script("VBQueryWLChannel", {-1});
        script("VBKvOpenAdapter", {0});
    }
    void insertCard(const std::string& instanceId, const std::string& hardwareId) {
        addAdapter(instanceId, "Card " + instanceId, hardwareId);
        script("VBQueryWLChannel", {6});
        script("VBKvOpenAdapter", {1});
    }
    // The recorded calls whose names begin with one of `names`.
    static std::vector<std::string> callsOf(const std::vector<std::string>& names) {
        std::vector<std::string> found;
        for (const std::string& call : calls()) {
            for (const std::string& name : names) {
                if (call.starts_with(name)) found.push_back(call);
            }
        }
        return found;
    }
    static int count(const std::string& name) { return static_cast<int>(callsOf({name}).size()); }
};

struct PullCase {
    const char* name;
    bool shown;
    int32_t osVersion;
    std::vector<std::string> calls;  // of the tick that finds the card gone
};

class Pulling : public CardDetection, public ::testing::WithParamInterface<PullCase> {};

TEST_P(Pulling, HidesTheWindowClosesTheAdapterAndPollsForACard) {
    const PullCase& c = GetParam();
    Velto& velto = startWith(1, c.osVersion);
    if (c.shown) trayMessage(515);
    pullCards();

    host_.testClock().advance(4999ms);
    EXPECT_EQ(velto.visible(), c.shown);
    EXPECT_EQ(velto.Timer1.enabled(), c.shown);
    fakeClearCalls();
    host_.testClock().advance(1ms);

    EXPECT_THAT(calls(), ElementsAreArray(c.calls));
    EXPECT_FALSE(velto.visible());
    // The connected icon goes; the not-connected one stays, with "Exit" alone in its menu.
    EXPECT_THAT(host_.log, ElementsAre("tray 0 2", "tray 1 2"));
    EXPECT_TRUE(velto.Exitprg.enabled());
    EXPECT_FALSE(velto.ViewAvailableNetworkA.enabled());
    EXPECT_FALSE(velto.AboutA.enabled());
    EXPECT_EQ(fakeOpenHandles(), 0);
    EXPECT_EQ(velto.StateFlags[AdapterOpen], 0);
    EXPECT_FALSE(velto.Timer1.enabled());
    EXPECT_FALSE(velto.Timer2.enabled());
    EXPECT_FALSE(velto.DetectCardOffTimer.enabled());
    EXPECT_TRUE(velto.DetectCardOnTimer.enabled());

    // From now on only the polling calls the library, every five seconds.
    fakeClearCalls();
    host_.testClock().advance(10s);
    EXPECT_THAT(calls(),
                ElementsAre("VBCreateAllNICAdapterList capacity 50", "VBQueryWLIsWindows95",
                            "VBCreateAllNICAdapterList capacity 50", "VBQueryWLIsWindows95"));
    trayMessage(515);  // nothing to show without a card
    EXPECT_FALSE(velto.visible());
    EXPECT_FALSE(velto.Timer1.enabled());
}

INSTANTIATE_TEST_SUITE_P(CardDetection, Pulling,
                         ::testing::Values(PullCase{"Hidden",
                                                    false,
                                                    5,
                                                    {"VBQueryWLChannel @0001",
                                                     "VBKvCloseAdapter @0001", "VBKvGetOSVersion"}},
                                           PullCase{"ShownWithTheService",
                                                    true,
                                                    7,
                                                    {"VBQueryWLChannel @0001",
                                                     "VBKvCloseAdapter @0001", "VBKvGetOSVersion",
                                                     "VBQueryWLCheckWZCStatus @0001"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CardDetection, AnInsertedCardRebuildsTheListAndActivatesTheDefaultProfile) {
    storeProfiles({"Home", "Office"}, {{"SSID", std::string("HomeNet")}});
    RegWriteString(std::string(kUtilityKey) + "Profile\\Office\\SSID", "OfficeNet");
    RegWriteString(std::string(kUtilityKey) + "DefaultProfileLink", " 2");
    for (bool pulledWhileRunning : {false, true}) {
        SCOPED_TRACE(pulledWhileRunning ? "pulled while running" : "absent at start");
        Velto& velto = startWith(pulledWhileRunning ? 1 : 0);
        if (pulledWhileRunning) {
            velto.SSTab1.setTab(1);
            pullCards();
            host_.testClock().advance(5s);
        }
        host_.clear();
        insertCard("0002", kUsbId);

        host_.testClock().advance(5s);

        EXPECT_THAT(velto.AdapterList.items(), ElementsAre("Card 0002"));
        EXPECT_EQ(velto.AdapterList.listIndex(), 0);
        EXPECT_EQ(velto.StateFlags[AdapterOpen], 1);
        EXPECT_EQ(fakeOpenHandles(), 1);  // the check's own handle was closed
        EXPECT_THAT(host_.log, Contains("tray 0 2"));
        EXPECT_EQ(velto.Profilename.text(), "Office");
        EXPECT_THAT(calls(), Contains("VBSetWLSSID @0002 'OfficeNet'"));
        EXPECT_EQ(CheckRegValue(HKEY_LOCAL_MACHINE, std::string(kClassKeyNtRelative) + "0002\\Keys",
                                "Key4"),
                  0);
        EXPECT_FALSE(velto.visible());
        EXPECT_FALSE(velto.Timer1.enabled());
        EXPECT_TRUE(velto.Timer2.enabled());
        EXPECT_TRUE(velto.DetectCardOffTimer.enabled());
        EXPECT_FALSE(velto.DetectCardOnTimer.enabled());
        EXPECT_FALSE(velto.waitingForCard());
        EXPECT_TRUE(velto.AboutA.enabled());
        EXPECT_TRUE(velto.ViewAvailableNetworkA.enabled());
        for (ui::Button* apply : {&velto.cmdConfApply, &velto.cmdSecApply, &velto.cmdAdvApply}) {
            EXPECT_FALSE(apply->enabled()) << apply->name();
        }
        trayMessage(515);
        EXPECT_TRUE(velto.visible());
    }
}

TEST_F(CardDetection, TheSelectedAdapterIsKeptAndNoHandleLeaks) {
    for (int position : {0, 1}) {
        Velto& velto = startWith(2);
        velto.AdapterList.userSelect(position);
        velto.Timer1.setEnabled(false);
        const std::string kept = instance(position + 1);
        EXPECT_EQ(fakeOpenHandles(), 1);  // a selection closes the adapter it replaces
        fakeClearCalls();

        host_.testClock().advance(5s);
        EXPECT_THAT(callsOf({"VBQueryWLChannel", "VBKvOpenAdapter", "VBKvCloseAdapter"}),
                    ElementsAre("VBQueryWLChannel @" + kept, "VBKvCloseAdapter @" + kept,
                                "VBKvOpenAdapter @" + kept + " handle -1"));
        host_.testClock().advance(1h);
        EXPECT_EQ(count("VBKvOpenAdapter"), 721);
        EXPECT_EQ(count("VBKvCloseAdapter"), 721);
        EXPECT_EQ(fakeOpenHandles(), 1);
        EXPECT_EQ(std::string(velto.AdapterInfo.InstanceId), kept);
        EXPECT_EQ(velto.AdapterList.listIndex(), position);
    }
}

TEST_F(CardDetection, TheServiceTakesAndReleasesTheAdapter) {
    // (service status at the tick, restricted after it, the call made to the service)
    const std::vector<std::tuple<int32_t, bool, std::vector<std::string>>> ticks = {
        {1, true, {"VBSetWLDisableWirelessZeroConfiguration @0001 0"}},
        {1, true, {}},
        {-1, true, {}},
        {0, false, {"VBSetWLDisableWirelessZeroConfiguration @0001 1"}},
        {0, false, {}},
        {1, true, {"VBSetWLDisableWirelessZeroConfiguration @0001 0"}},
    };
    Velto& velto = startWith(1, 7);
    velto.SSTab1.setTab(3);
    for (size_t i = 0; i < ticks.size(); ++i) {
        const auto& [status, restricted, serviceCalls] = ticks[i];
        SCOPED_TRACE("tick " + std::to_string(i + 1));
        script("VBQueryWLCheckWZCStatus", {status});
        fakeClearCalls();

        host_.testClock().advance(5s);

        EXPECT_THAT(callsOf({"VBSetWLDisableWirelessZeroConfiguration"}),
                    ElementsAreArray(serviceCalls));
        EXPECT_EQ(velto.WzcActive, restricted);
        for (int tab : {1, 3, 4})
            EXPECT_EQ(velto.SSTab1.tabEnabled(tab), !restricted) << "tab " << tab;
        EXPECT_TRUE(velto.SSTab1.tabEnabled(2));
        EXPECT_EQ(velto.CmdInfoScan.enabled(), !restricted);
        if (restricted) {
            EXPECT_EQ(velto.SSTab1.tab(), 0);  // the Security tab could not stay
        }
        velto.SSTab1.userSelectTab(4);
        EXPECT_EQ(velto.SSTab1.tab(), restricted ? 0 : 4);
        velto.SSTab1.setTab(0);
    }
}

TEST_F(CardDetection, ARestrictedCardPulledAndReinsertedFreeGetsItsTabsBack) {
    Velto& velto = startWith(1, 7);
    script("VBQueryWLCheckWZCStatus", {1});
    host_.testClock().advance(5s);
    ASSERT_FALSE(velto.SSTab1.tabEnabled(1));
    pullCards();
    host_.testClock().advance(5s);
    script("VBQueryWLCheckWZCStatus", {0});
    insertCard("0001", kPcCardId);
    host_.testClock().advance(5s);

    EXPECT_EQ(velto.StateFlags[AdapterOpen], 1);
    EXPECT_FALSE(velto.WzcActive);
    for (int tab : {1, 3, 4})
        EXPECT_TRUE(velto.SSTab1.tabEnabled(tab)) << "tab " << tab;
    EXPECT_TRUE(velto.CmdInfoScan.enabled());
}

struct IdCase {
    const char* name;
    const char* configLine;  // added to KvConfig.ini
    const char* hardwareId;  // in the inserted card's driver key
    bool bound;
};

class Identifiers : public CardDetection, public ::testing::WithParamInterface<IdCase> {};

// The insertion check compares both sides upper-cased and trimmed; the rebuild compares the
// upper-cased registry value with the file's line as written, as start-up does.
TEST_P(Identifiers, TheCheckClosesWhatItOpens) {
    const IdCase& c = GetParam();
    std::string config = kStandardConfig;
    writeConfig(config.insert(config.find("[END]"), c.configLine));
    Velto& velto = startWith(0);
    insertCard("0001", c.hardwareId);

    host_.testClock().advance(1min);

    EXPECT_EQ(velto.StateFlags[AdapterOpen], c.bound ? 1 : 0);
    EXPECT_EQ(velto.waitingForCard(), !c.bound);
    EXPECT_EQ(velto.AdapterList.listCount(), c.bound ? 1 : 0);
    EXPECT_EQ(fakeOpenHandles(), c.bound ? 1 : 0);
    EXPECT_EQ(count("VBKvOpenAdapter"), count("VBKvCloseAdapter") + (c.bound ? 1 : 0));
    EXPECT_EQ(velto.DetectCardOnTimer.enabled(), !c.bound);
}

INSTANTIATE_TEST_SUITE_P(
    CardDetection, Identifiers,
    ::testing::Values(IdCase{"LowerCaseRegistryValue", "", "pcmcia\\kv-wlan_11b-5a1c", true},
                      IdCase{"LowerCaseFileLine", "MatchingDeviceId= pcmcia\\acme-0001 \r\n",
                             "PCMCIA\\ACME-0001", false},
                      IdCase{"UnknownCard", "", "PCI\\VEN_1234", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CardDetection, LibraryCountsAboveTheTablesStayWithinThem) {
    Velto& velto = startWith(0);
    for (int i = 1; i <= 55; ++i)
        addAdapter(instance(i), "Card " + std::to_string(i), kPcCardId);

    host_.testClock().advance(5s);

    EXPECT_EQ(velto.AllAdapterCount, 55);
    // 50 looked at by the check, each opened and closed, then the first of the table kept.
    EXPECT_EQ(count("VBKvOpenAdapter"), 51);
    EXPECT_EQ(fakeOpenHandles(), 1);
    EXPECT_EQ(velto.AdapterSlots[21], 55);
    EXPECT_EQ(velto.AdapterSlots[22], 10);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(velto.AdapterSlots[k], k);
        EXPECT_EQ(velto.AdapterSlots[k + 10], k);
    }
    EXPECT_EQ(velto.AdapterList.listCount(), 10);
    EXPECT_EQ(std::string(velto.AdapterInfo.InstanceId), "0001");
}

TEST_F(CardDetection, WithoutACardTheCloseBoxHidesAndExitEndsWithoutTheAdapter) {
    Velto& velto = startWith(0);
    velto.show();
    velto.userClose();
    EXPECT_FALSE(velto.visible());
    EXPECT_EQ(host_.ends, 0);
    EXPECT_TRUE(velto.DetectCardOnTimer.enabled());
    EXPECT_FALSE(velto.Timer2.enabled());

    fakeClearCalls();
    velto.Exitprg.userClick();
    EXPECT_THAT(calls(), IsEmpty());
    EXPECT_THAT(host_.log, ElementsAre("tray 2 1", "end"));
    EXPECT_TRUE(velto.ended());
    host_.testClock().advance(10s);
    EXPECT_THAT(calls(), IsEmpty());
}

}  // namespace
}  // namespace netpanel::testing
