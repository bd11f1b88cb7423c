// Cards pulled and inserted, the system's wireless service and moving stations: the changes
// nicapi-sim makes to the environment of a running program.
#include <atomic>
#include <functional>
#include <thread>

#include "api_fixture.h"

namespace nicapi::test {
namespace {

// Every entry that needs the adapter, with its result while the adapter cannot answer.
std::vector<std::pair<const char*, std::function<int32_t(WLAdapterInfo&)>>> everyQuery() {
    static char ssid[33];
    static uint32_t counts[4];
    static uint8_t bytes[2048];
    static int32_t a, b, c;
    static SurveyBuffer buffer;
    return {
        {"Channel", [](auto& i) { return VBQueryWLChannel(&i); }},
        {"TxRateControl", [](auto& i) { return VBQueryWLTxRateControl(&i); }},
        {"CurrentTxRate", [](auto& i) { return VBQueryWLCurrentTxRate(&i); }},
        {"NetworkType", [](auto& i) { return VBQueryWLNetworkType(&i); }},
        {"PSMode", [](auto& i) { return VBQueryWLPSMode(&i); }},
        {"PreambleMode", [](auto& i) { return VBQueryWLPreambleMode(&i); }},
        {"AuthenticationMode", [](auto& i) { return VBQueryWLAuthenticationMode(&i); }},
        {"WEPStatus", [](auto& i) { return VBQueryWLWEPStatus(&i); }},
        {"WEPbit", [](auto& i) { return VBQueryWLWEPbit(&i); }},
        {"PortStatus", [](auto& i) { return VBQueryWLPortStatus(&i); }},
        {"DriverVersion", [](auto& i) { return VBQueryWLDriverVersion(&i); }},
        {"CheckWZCStatus", [](auto& i) { return VBQueryWLCheckWZCStatus(&i); }},
        {"SSID", [](auto& i) { return VBQueryWLSSID(&i, ssid); }},
        {"CurrentSSID", [](auto& i) { return VBQueryWLCurrentSSID(&i, ssid); }},
        {"CQSL", [](auto& i) { return VBQueryWLCQSLCurrBSS(&i, &a, &b, &c); }},
        {"FrameCount", [](auto& i) { return VBGetTxRxFrameCount(&i, counts); }},
        {"MAC", [](auto& i) { return VBGetNICAdapterMAC(&i, bytes); }},
        {"Firmware", [](auto& i) { return VBQueryWLFirmwareVersion(&i, bytes); }},
        {"EEPROM", [](auto& i) { return VBWLReadEEPROM(&i, 0x1201, 1, bytes, 512); }},
        {"SurveyStart", [](auto& i) { return VBWLSiteSurveyStart(&i); }},
        {"SurveyData", [](auto& i) { return VBWLRetrieveSiteSurveyData(&i, &buffer, 16); }},
        {"SetChannel", [](auto& i) { return VBSetWLChannel(&i, 6); }},
        {"SetSSID", [](auto& i) { return VBSetWLSSID(&i, "Open1"); }},
        {"Restart", [](auto& i) { return VBSetWLRestartNIC(&i); }},
        {"DisableWZC", [](auto& i) { return VBSetWLDisableWirelessZeroConfiguration(&i, 1); }},
        {"Tally", [](auto& i) { return GetNICAdapterTally(&i, bytes); }},
        {"MAC++", [](auto& i) { return GetNICAdapterMAC(&i, bytes); }},
        {"TxRate++", [](auto& i) { return QueryWL_TxRateControl(&i); }},
    };
}

using Card = NicapiTest;

TEST_F(Card, EveryCallFailsWhileTheCardIsOutOrTheAdapterClosed) {
    WLAdapterInfo info = opened("0007");
    for (const auto& [name, call] : everyQuery())
        EXPECT_GE(call(info), 0) << name;
    ASSERT_EQ(sim("pull pccard"), 0);
    for (const auto& [name, call] : everyQuery())
        EXPECT_EQ(call(info), -1) << name;
    WLAdapterInfo closed = record("0008");
    for (const auto& [name, call] : everyQuery())
        EXPECT_EQ(call(closed), -1) << name;
}

TEST_F(Card, AnInsertedCardOpensAgainAndStartsAfresh) {
    WLAdapterInfo info = opened("0007");
    join(info, "Open6");
    ASSERT_EQ(sim("pull"), 0);
    EXPECT_EQ(VBQueryWLChannel(&info), -1);
    EXPECT_EQ(supportedAdapters().size(), 1u);
    WLAdapterInfo pulled = record("0007");
    EXPECT_EQ(VBKvOpenAdapter(&pulled), 0);

    ASSERT_EQ(sim("insert"), 0);
    EXPECT_EQ(supportedAdapters().size(), 2u);
    WLAdapterInfo again = opened("0007");
    EXPECT_EQ(VBQueryWLPortStatus(&again), kJoinedBss);
    EXPECT_EQ(currentSsid(again), "Open1");  // power-on settings: any network
    join(again, "Open6");
    EXPECT_EQ(currentSsid(again), "Open6");
}

TEST_F(Card, PullAndInsertTakeTheFirstFittingCardByDefault) {
    ASSERT_EQ(sim("pull"), 0);
    ASSERT_EQ(sim("pull"), 0);
    EXPECT_EQ(sim("pull"), 1);  // no wireless card left
    EXPECT_TRUE(supportedAdapters().empty());
    ASSERT_EQ(sim("insert 0008"), 0);
    EXPECT_STREQ(supportedAdapters().at(0).InstanceId, "0008");
    ASSERT_EQ(sim("insert"), 0);
    EXPECT_EQ(sim("insert"), 1);
    EXPECT_EQ(supportedAdapters().size(), 2u);
    EXPECT_EQ(sim("pull nosuchcard"), 1);
}

TEST_F(Card, TheWirelessServiceTakesAndReleasesTheAdapter) {
    WLAdapterInfo pcCard = opened("0007");
    WLAdapterInfo usb = opened("0008");
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&pcCard), 0);
    ASSERT_EQ(sim("wzc take"), 0);
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&pcCard), 1);
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&usb), 0);
    EXPECT_EQ(VBSetWLDisableWirelessZeroConfiguration(&pcCard, 0), 0);
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&pcCard), 1);  // the service decides
    ASSERT_EQ(sim("wzc take usb"), 0);
    ASSERT_EQ(sim("wzc release pccard"), 0);
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&pcCard), 0);
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&usb), 1);
    EXPECT_EQ(VBQueryWLPortStatus(&pcCard), kJoinedBss);  // settings and link stay
}

TEST_F(Card, StationsMoveComeAndGo) {
    WLAdapterInfo info = opened("0007");
    join(info, "Open6");
    int32_t quality = 0, signal = 0, count = 0;
    ASSERT_EQ(sim("station Open6 signal -40"), 0);
    ASSERT_EQ(VBQueryWLCQSLCurrBSS(&info, &quality, &signal, &count), 0);
    EXPECT_NEAR(signal, 65, 2);
    ASSERT_EQ(sim("station 02:00:00:00:06:01 signal -99"), 0);  // out of range
    EXPECT_EQ(VBQueryWLPortStatus(&info), 6);
    ASSERT_EQ(sim("station add Open6 channel 3 signal -60"), 0);  // roams to the new one
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(VBQueryWLChannel(&info), 3);
    EXPECT_EQ(sim("station Open6 signal -50"), 1);  // two stations: name it by BSSID
    ASSERT_EQ(sim("station remove 02:00:00:00:06:01"), 0);
    ASSERT_EQ(sim("station remove Open6"), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), 6);
    EXPECT_EQ(sim("station remove Open6"), 1);
    ASSERT_EQ(sim("station add Open6 channel 6 signal -45 bssid 02:00:00:00:06:09"), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
}

TEST_F(Card, AddedStationsKeepTheirPrivacyAndMode) {
    ASSERT_EQ(sim("station add Lab2 channel 2 signal -50 wep 0A0B0C0D0E adhoc"), 0);
    WLAdapterInfo info = opened("0007");
    const uint8_t key[26] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
    ASSERT_EQ(VBSetWLWriteKey(&info, 0, 0, -1, key), 0);
    join(info, "Lab2", 0, 1);
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedIbss);
    EXPECT_EQ(VBQueryWLChannel(&info), 2);
    EXPECT_NE(readEnvironment().find("wep = 0A0B0C0D0E"), std::string::npos);
}

TEST_F(Card, TheToolRefusesBadCommandsAndKeepsTheFile) {
    const std::string before = readEnvironment();
    const std::pair<const char*, int> commands[] = {
        {"", 2},
        {"jump", 2},
        {"station add X channel 15 signal -50", 2},
        {"station add X channel 1", 2},
        {"station add X channel 1 signal -50 wep 123", 2},
        {"station Open1 signal loud", 2},
        {"wzc grab", 2},
        {"station Nobody signal -50", 1},
        {"station add Dup channel 1 signal -50 bssid 02:00:00:00:01:01", 1},
        {"show", 0},
        {"--help", 0},
        {"--help pull", 2},
    };
    for (const auto& [command, status] : commands)
        EXPECT_EQ(sim(command), status) << command;
    EXPECT_EQ(readEnvironment(), before);
}

TEST_F(Card, ABrokenEnvironmentFileLeavesTheLastGoodOneInForce) {
    WLAdapterInfo info = opened("0007");
    writeEnvironment("[adapter broken\n");
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(supportedAdapters().size(), 2u);
}

TEST_F(Card, CallsFromSeveralThreadsWhileTheAirChanges) {
    std::atomic<bool> stop = false;
    std::vector<std::thread> threads;
    for (const char* instance : {"0007", "0008"}) {
        threads.emplace_back([instance, &stop] {
            WLAdapterInfo info = record(instance);
            uint8_t tally[256];
            int32_t quality = 0, signal = 0, count = 0;
            while (!stop) {
                if (VBKvOpenAdapter(&info) != 1) continue;
                GetNICAdapterTally(&info, tally);
                VBQueryWLCQSLCurrBSS(&info, &quality, &signal, &count);
                VBQueryWLPortStatus(&info);
            }
        });
    }
    for (int dbm = -40; dbm > -60; dbm -= 4)
        EXPECT_EQ(sim("station Open1 signal " + std::to_string(dbm)), 0);
    EXPECT_EQ(sim("pull"), 0);
    EXPECT_EQ(sim("insert"), 0);
    stop = true;
    for (auto& thread : threads)
        thread.join();
    WLAdapterInfo info = opened("0007");
    EXPECT_EQ(currentSsid(info), "Open1");
}

}  // namespace
}  // namespace nicapi::test
