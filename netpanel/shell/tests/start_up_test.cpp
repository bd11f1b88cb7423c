// Start-up of the window: the single-instance rule, KvConfig.ini, matching the listed adapters,
// opening the first one, its Link Info fields and channel plan, and the state Form_Load leaves.
#include <gmock/gmock.h>

#include "platform/adapter_information.h"
#include "platform/registry_handles.h"
#include "shell/adapter_list.h"
#include "velto_fixture.h"

namespace netpanel::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using StartUp = VeltoTest;
const auto kByName = [](const auto& info) { return std::string(info.param.name); };

TEST_F(StartUp, EndsEarlyForASecondInstanceOrAMissingOrMalformedFile) {
    host_.anotherInstance = true;
    startVelto();
    EXPECT_THAT(
        host_.log,
        ElementsAre("beep", "message IEEE 802.11b WLAN Utility is already running!!", "end"));
    EXPECT_EQ(host_.messages.back().icon, ui::MsgIcon::Question);

    host_.clear();
    removeConfig();
    startVelto();
    EXPECT_THAT(host_.log,
                ElementsAre("beep", "beep", "message Kvconfig.ini Can't be find", "end"));
    EXPECT_EQ(host_.messages.back().icon, ui::MsgIcon::Question);

    host_.clear();
    const std::string text = "[ADAPTER_INFORMATION]\nSignal_Strength_Max=0x4B\n";
    writeConfig(text);
    const auto error = readAdapterInformation(text, programDir() + "/KvConfig.ini");
    ASSERT_TRUE(std::holds_alternative<std::string>(error));
    startVelto();
    EXPECT_THAT(host_.log, ElementsAre("message " + std::get<std::string>(error), "end"));

    EXPECT_FALSE(started_);
    EXPECT_TRUE(velto_->ended());
    EXPECT_THAT(calls(), IsEmpty());
}

struct ListedAdapter {
    const char* instance;
    const char* description;
    const char* hardwareId;  // in the driver key; "" for none
    bool supported = true;   // also in VBCreateNICAdapterList's list
};

struct MatchCase {
    const char* name;
    std::vector<ListedAdapter> adapters;
    const char* extraConfigLine;
    std::vector<std::string> listed;  // AdapterList items
    std::vector<int> slots;           // AdapterSlots 1..n
};

class Matching : public VeltoTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(Matching, ListsTheSupportedAdaptersInLibraryOrder) {
    const MatchCase& c = GetParam();
    std::string config = kStandardConfig;
    writeConfig(config.insert(config.find("[END]"), c.extraConfigLine));
    int supported = 0;
    for (const ListedAdapter& a : c.adapters) {
        addAdapter(a.instance, a.description, a.hardwareId, a.supported);
        supported += a.supported;
    }
    Velto& velto = startVelto();

    EXPECT_THAT(velto.AdapterList.items(), ElementsAreArray(c.listed));
    EXPECT_EQ(velto.AdapterSlots[21], supported);
    EXPECT_EQ(velto.AdapterSlots[22], static_cast<int>(c.slots.size()));
    for (size_t k = 0; k < c.slots.size(); ++k) {
        EXPECT_EQ(velto.AdapterSlots[k + 1], c.slots[k]) << "slot " << k + 1;
        EXPECT_EQ(velto.AdapterSlots[k + 11], c.slots[k]) << "slot " << k + 11;
    }
    // Found: the first adapter is open, its timers run, the tray icon is up. None: the window
    // polls for a card.
    const bool found = !c.slots.empty();
    EXPECT_EQ(velto.StateFlags[AdapterOpen], found ? 1 : 0);
    EXPECT_EQ(velto.AdapterList.listIndex(), found ? 0 : -1);
    EXPECT_EQ(velto.Timer2.enabled(), found);
    EXPECT_EQ(velto.DetectCardOffTimer.enabled(), found);
    EXPECT_EQ(velto.DetectCardOnTimer.enabled(), !found);
    EXPECT_EQ(velto.DisplayUnit.enabled(), found);
    EXPECT_EQ(host_.tray.size(), found ? 1u : 2u);  // without: the not-connected icon
    EXPECT_TRUE(started_);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, Matching,
    ::testing::Values(
        MatchCase{"NoAdapter", {}, "", {}, {}},
        MatchCase{"OneSupported", {{"0001", "Card A", kPcCardId}}, "", {"Card A"}, {1}},
        MatchCase{"TwoAroundAnUnknownOne",
                  {{"0001", "Card A", kPcCardId},
                   {"0002", "Other", "PCI\\VEN_1234"},
                   {"0003", "Stick B", kUsbId}},
                  "",
                  {"Card A", "Stick B"},
                  {1, 3}},
        MatchCase{"RegistryValueIsUpperCased",
                  {{"0001", "Card A", "pcmcia\\kv-wlan_11b-5a1c"}},
                  "",
                  {"Card A"},
                  {1}},
        MatchCase{"LowerCaseFileLineMatchesNothing",
                  {{"0001", "Card X", "PCMCIA\\ACME-0001"}},
                  "MatchingDeviceId=pcmcia\\acme-0001\r\n",
                  {},
                  {}},
        MatchCase{"MissingRegistryValueMatchesNothing",
                  {{"0001", "Card A", ""}},
                  "MatchingDeviceId=\r\n",
                  {},
                  {}},
        MatchCase{"OnlyInTheListOfAll", {{"0001", "Card A", kPcCardId, false}}, "", {}, {}}),
    kByName);

TEST_F(StartUp, ReadsLimitsAndOpensTheFirstAdapterInThisOrder) {
    addAdapter("0001", "Card A", kPcCardId);
    Velto& velto = startVelto();

    EXPECT_EQ(velto.SignalStrengthMax, 90);
    EXPECT_EQ(velto.CommunicationQualityMin, 10);
    EXPECT_EQ(velto.MatchingDeviceIds[2], kUsbId);
    EXPECT_EQ(velto.MatchingDeviceIdNext, 3);
    EXPECT_THAT(
        calls(),
        ElementsAre(
            "VBCreateNICAdapterList capacity 10", "VBQueryWLIsWindows95",
            "VBCreateAllNICAdapterList capacity 50", "VBKvOpenAdapter @0001 handle -1",
            "VBQueryWLChannel @0001", "VBQueryWLTxRateControl @0001", "VBQueryWLSSID @0001",
            "VBGetNICAdapterMAC @0001", "VBGetTxRxFrameCount @0001", "VBQueryWLPreambleMode @0001",
            "VBQueryWLAuthenticationMode @0001", "VBQueryWLIsWindows95",
            "VBWLReadEEPROM @0001 4609 1 512", "VBQueryWLIsWindows95",
            // The first start creates "Default" after one link refresh; nothing is sent.
            "VBQueryWLChannel @0001", "VBQueryWLCurrentTxRate @0001", "VBQueryWLPortStatus @0001",
            "VBQueryWLCurrentSSID @0001", "VBKvGetOSVersion", "VBQueryWLIsWindows95"));
    EXPECT_EQ(velto.AdapterInfo.AdapterHandle, 42);
}

TEST_F(StartUp, OpensWithTwoAttemptsClosingAfterEachFailure) {
    const std::string open = "VBKvOpenAdapter @0001 handle -1", close = "VBKvCloseAdapter @0001";
    const std::vector<std::pair<std::vector<int32_t>, std::vector<std::string>>> cases = {
        {{0, 1}, {open, close, open, "VBKvGetOSVersion"}},
        {{0, 0}, {open, close, open, close, "VBKvGetOSVersion"}}};
    for (const auto& [results, expected] : cases) {
        fakeReset();
        addAdapter("0001", "Card A", kPcCardId);
        script("VBKvOpenAdapter", results);
        Velto& velto = startVelto();

        std::vector<std::string> opening;
        for (const std::string& call : calls()) {
            if (call.starts_with("VBKv")) opening.push_back(call);
        }
        EXPECT_THAT(opening, ElementsAreArray(expected));
        const bool opened = results.back() == 1;
        EXPECT_EQ(velto.StateFlags[AdapterOpen], opened ? 1 : 0);
        EXPECT_EQ(velto.Timer2.enabled(), opened);
        EXPECT_EQ(velto.ChannelStatus.text(), opened ? "6" : "");
    }
}

TEST_F(StartUp, SelectingTheSecondAdapterBindsItsEntry) {
    addAdapter("0001", "Card A", kPcCardId);
    addAdapter("0002", "Other", "PCI\\VEN_1234");
    addAdapter("0003", "Stick B", kUsbId);
    Velto& velto = startVelto();
    fakeClearCalls();

    velto.AdapterList.userSelect(1);

    EXPECT_EQ(fieldText(velto.AdapterInfo.AdapterDescription), "Stick B");
    // The adapter it replaces is closed first.
    ASSERT_GE(calls().size(), 2u);
    EXPECT_EQ(calls()[0], "VBKvCloseAdapter @0001");
    EXPECT_EQ(calls()[1], "VBKvOpenAdapter @0003 handle -1");
    EXPECT_EQ(fakeOpenHandles(), 1);
    EXPECT_THAT(calls(), Contains("VBWLReadEEPROM @0003 4609 3 2048"));
}

TEST_F(StartUp, RateMaskShowsTheHighestRateAndOthersLeaveTheText) {
    addAdapter("0001", "Card A", kPcCardId);
    const std::vector<std::pair<int32_t, const char*>> masks = {
        {1, "1"},  {2, "2"},  {3, "2"}, {4, "5.5"}, {6, "5.5"}, {7, "5.5"},
        {8, "11"}, {0, "11"}, {1, "1"}, {15, "11"}, {1, "1"},   {16, "1"}};
    std::vector<int32_t> results;
    for (const auto& mask : masks)
        results.push_back(mask.first);
    script("VBQueryWLTxRateControl", results);
    storeProfiles({"Default"});
    Velto& velto = startVelto();

    for (size_t i = 0; i < masks.size(); ++i) {
        if (i > 0) velto.AdapterList.userSelect(0);
        EXPECT_EQ(velto.TxRateStatus.text(), masks[i].second) << "mask " << masks[i].first;
    }
}

TEST_F(StartUp, ConfiguredSsidShowsItsTextToTheNulAndAnyOnlyForAFullBuffer) {
    // (query result, text, filler to 33 bytes, shown)
    const std::vector<std::tuple<int32_t, std::string, char, std::string>> cases = {
        {0, std::string("Lab\0", 4), ' ', "Lab"},
        {0, "Lab", '\0', "Lab"},
        {0, std::string(32, 'A'), '\0', std::string(32, 'A')},
        {0, std::string(33, 'A'), ' ', "Any"},
        {0, " Lab", ' ', " Lab" + std::string(29, ' ')},
        {1, "Lab", ' ', "WIRELESS"}};
    for (const auto& [result, text, fill, shown] : cases) {
        fakeReset();
        addAdapter("0001", "Card A", kPcCardId);
        script("VBQueryWLSSID", {result});
        setSsid(text, fill, false);
        storeProfiles({"Default"});
        EXPECT_EQ(startVelto().SSIDStatus.text(), shown) << text;
    }
}

TEST_F(StartUp, ShowsMacFrameCountsAndPreambleAndKeepsTheAdaptersAuthentication) {
    addAdapter("0001", "Card A", kPcCardId);
    const uint8_t mac[6] = {0x00, 0xA0, 0xC5, 0x12, 0x34, 0x56};
    fakeSetMac(mac);
    fakeSetFrameCounts(123, 4567);
    script("VBQueryWLPreambleMode", {2, -1});
    script("VBQueryWLAuthenticationMode", {1, -1});
    Velto& velto = startVelto();

    EXPECT_EQ(velto.MACStatus.text(), "00:A0:C5:12:34:56");
    EXPECT_EQ(velto.TxFrameStatus.text(), "123");
    EXPECT_EQ(velto.RxFrameStatus.text(), "4567");
    EXPECT_EQ(velto.Preamble.listIndex(), 1);
    EXPECT_EQ(velto.gDefSettings.AuthenticationMode, 1);
    EXPECT_EQ(velto.gCurSettings.AuthenticationMode, 3);

    // Failed queries leave their fields.
    script("VBQueryWLChannel", {-1});
    script("VBGetTxRxFrameCount", {1});
    velto.AdapterList.userSelect(0);
    EXPECT_EQ(velto.ChannelStatus.text(), "6");
    EXPECT_EQ(velto.RxFrameStatus.text(), "4567");
    EXPECT_EQ(velto.Preamble.listIndex(), 1);
    EXPECT_EQ(velto.gDefSettings.AuthenticationMode, 1);
}

struct PlanCase {
    const char* name;
    const char* hardwareId;
    int offset;
    std::vector<uint8_t> records;
    const char* readCall;
    std::vector<std::string> channels;
};

class ChannelPlanList : public VeltoTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(ChannelPlanList, ListsTheAllowedChannels) {
    const PlanCase& c = GetParam();
    std::string config = kStandardConfig;
    writeConfig(config.insert(config.find("[END]"), "MatchingDeviceId=PCI\\VEN_1234\r\n"));
    addAdapter("0001", "Card A", c.hardwareId);
    std::vector<uint8_t> image(2048, 0);
    std::copy(c.records.begin(), c.records.end(), image.begin() + c.offset);
    fakeSetEeprom(image.data(), static_cast<int>(image.size()));
    Velto& velto = startVelto();

    EXPECT_THAT(calls(), Contains(c.readCall));
    EXPECT_THAT(velto.Channel.items(), ElementsAreArray(c.channels));
    for (size_t k = 0; k < c.channels.size(); ++k) {
        EXPECT_EQ("Ch" + std::to_string(velto.ChannelMap[k + 1]), c.channels[k]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, ChannelPlanList,
    ::testing::Values(PlanCase{"PcCard",
                               kPcCardId,
                               0x100,
                               {3, 6, 0xFF, 0x07},
                               "VBWLReadEEPROM @0001 4609 1 512",
                               {"Ch1", "Ch2", "Ch3", "Ch4", "Ch5", "Ch6", "Ch7", "Ch8", "Ch9",
                                "Ch10", "Ch11"}},
                      // A record, two filler bytes, a record whose data holds 3 6, then the plan.
                      PlanCase{"UsbAfterOtherRecords",
                               kUsbId,
                               0x700,
                               {2, 1, 0xAA, 0xFF, 0xFF, 4, 2, 3, 6, 1, 3, 6, 0x81, 0x20},
                               "VBWLReadEEPROM @0001 4609 3 2048",
                               {"Ch1", "Ch8", "Ch14"}},
                      PlanCase{"OtherKind",
                               "PCI\\VEN_1234",
                               0x100,
                               {3, 6, 0x00, 0x10},
                               "VBWLReadEEPROM @0001 4609 2 512",
                               {"Ch13"}},
                      PlanCase{"NoPlan",
                               kPcCardId,
                               0x100,
                               {2, 5, 0x01, 3, 7, 0xFF, 0x07},
                               "VBWLReadEEPROM @0001 4609 1 512",
                               {}}),
    kByName);

TEST_F(StartUp, SeedsMissingDriverKeyValuesOnly) {
    addAdapter("0001", "Card A", kPcCardId);
    const std::string key = std::string(kClassKeyNt) + "0001\\";
    RegWriteString(key + "Keys\\Key2", "secret");
    RegWriteString(key + "Preamble", "1");
    startVelto();

    EXPECT_EQ(RegReadValue(key + "Keys\\Key2"), "secret");
    EXPECT_EQ(RegReadValue(key + "Preamble"), "1");
    const std::string relative = std::string(kClassKeyNtRelative) + "0001";
    for (const char* name : {"Key1", "Key3", "Key4"}) {
        EXPECT_EQ(CheckRegValue(HKEY_LOCAL_MACHINE, relative + "\\Keys", name), 0) << name;
        EXPECT_EQ(RegReadValue(key + "Keys\\" + name), "") << name;
    }
    RegDeletePath(key + "Preamble");
    velto_.reset();
    startVelto();
    EXPECT_EQ(RegReadValue(key + "Preamble"), "3");
}

TEST_F(StartUp, LeavesTheWindowHiddenWithTheTrayIconUp) {
    for (bool withAdapter : {true, false}) {
        fakeReset();
        host_.clear();
        if (withAdapter) addAdapter("0001", "Card A", kPcCardId);
        Velto& velto = startVelto();

        EXPECT_FALSE(velto.visible());
        EXPECT_EQ(velto.caption(), "IEEE 802.11b Wireless LAN Utility");
        EXPECT_FALSE(velto.Timer1.enabled());
        EXPECT_FALSE(velto.SubmitSecurity.enabled());
        for (ui::Button* apply : {&velto.cmdConfApply, &velto.cmdSecApply, &velto.cmdAdvApply}) {
            EXPECT_FALSE(apply->enabled()) << apply->name();
        }
        EXPECT_EQ(velto.HelpFile, programDir() + "/UHelp.chm");
        // Without a card the not-connected icon is up too, and its menu offers only "Exit".
        const std::vector<std::string> tray =
            withAdapter ? std::vector<std::string>{"tray 0 2"}
                        : std::vector<std::string>{"tray 0 2", "tray 1 2"};
        EXPECT_EQ(host_.log, tray);
        EXPECT_TRUE(velto.Exitprg.enabled());
        EXPECT_EQ(velto.ViewAvailableNetworkA.enabled(), withAdapter);
        EXPECT_EQ(velto.AboutA.enabled(), withAdapter);
        EXPECT_EQ(velto.waitingForCard(), !withAdapter);
    }
    EXPECT_THAT(calls(), ElementsAre("VBCreateNICAdapterList capacity 10", "VBQueryWLIsWindows95"));
}

struct ServiceCase {
    const char* name;
    int32_t osVersion, serviceStatus;
    std::vector<std::string> serviceCalls;
    bool restricted;
};

class WirelessService : public VeltoTest, public ::testing::WithParamInterface<ServiceCase> {};

TEST_P(WirelessService, LeavesOrTakesTheAdapter) {
    const ServiceCase& c = GetParam();
    addAdapter("0001", "Card A", kPcCardId);
    script("VBKvGetOSVersion", {c.osVersion});
    script("VBQueryWLCheckWZCStatus", {c.serviceStatus});
    Velto& velto = startVelto();

    std::vector<std::string> service;
    for (const std::string& call : calls()) {
        if (call.find("OSVersion") != std::string::npos || call.find("WZC") != std::string::npos ||
            call.find("ZeroConfiguration") != std::string::npos) {
            service.push_back(call);
        }
    }
    EXPECT_THAT(service, ElementsAreArray(c.serviceCalls));
    EXPECT_EQ(velto.WzcActive, c.restricted);
    for (int tab : {1, 3, 4})
        EXPECT_EQ(velto.SSTab1.tabEnabled(tab), !c.restricted) << tab;
    for (int tab : {0, 2, 5})
        EXPECT_TRUE(velto.SSTab1.tabEnabled(tab)) << tab;
    EXPECT_EQ(velto.CmdInfoScan.enabled(), !c.restricted);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, WirelessService,
    ::testing::Values(ServiceCase{"ServiceManagesTheAdapter",
                                  7,
                                  1,
                                  {"VBKvGetOSVersion", "VBQueryWLCheckWZCStatus @0001",
                                   "VBSetWLDisableWirelessZeroConfiguration @0001 0"},
                                  true},
                      ServiceCase{"ServiceLetsGo",
                                  7,
                                  0,
                                  {"VBKvGetOSVersion", "VBQueryWLCheckWZCStatus @0001",
                                   "VBSetWLDisableWirelessZeroConfiguration @0001 1"},
                                  false},
                      ServiceCase{"SystemWithoutTheService", 5, 1, {"VBKvGetOSVersion"}, false}),
    kByName);

TEST_F(StartUp, OnWindows95TheIdentifierComesFromTheNameAndStartUpWaits) {
    fakeAddAdapter("0009", "Card A", "0001", 1);
    RegWriteString(std::string(kClassKey9x) + "0009\\MatchingDeviceId", kPcCardId);
    script("VBQueryWLIsWindows95", {1});
    Velto& velto = startVelto();

    EXPECT_THAT(velto.AdapterList.items(), ElementsAre("Card A"));
    EXPECT_EQ(host_.testClock().slept(), std::chrono::milliseconds(5000));
    EXPECT_EQ(RegReadValue(std::string(kClassKey9x) + "0001\\Preamble"), "3");
}

}  // namespace
}  // namespace netpanel::testing
