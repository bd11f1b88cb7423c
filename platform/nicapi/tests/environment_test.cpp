// The environment file: its syntax, the shipped default, and the edits of nicapi-sim.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "environment.h"
#include "environment_edit.h"

namespace nicapi {
namespace {

constexpr std::string_view kSmall = R"(# bench
[system]
os_version = 5

# the card
[adapter card]
name = N
description = D
instance = 0003
hardware_id = PCMCIA\X
mac = 02:00:00:00:00:03

; an access point
[station]
ssid = Net
bssid = 02:00:00:00:00:10
channel = 6
signal_dbm = -50

# the last one
[station]
ssid = Other
bssid = 02:00:00:00:00:11
channel = 1
signal_dbm = -70
wep = 0102030405060708090A0B0C0D
mode = adhoc
)";

std::string readFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

EnvironmentEditor editorOf(std::string_view text) {
    std::string error;
    auto editor = EnvironmentEditor::load(text, "f", error);
    EXPECT_TRUE(editor) << error;
    return std::move(*editor);
}

Environment environmentOf(const EnvironmentEditor& editor) {
    return *parseEnvironment(editor.document().text(), "f").environment;
}

TEST(EnvironmentFile, ReadsEveryKey) {
    const auto result = parseEnvironment(kSmall, "f");
    ASSERT_TRUE(result.environment) << result.error;
    const Environment& environment = *result.environment;
    EXPECT_EQ(environment.system, (SystemAnswers{false, 5}));
    ASSERT_EQ(environment.adapters.size(), 1u);
    EXPECT_EQ(environment.adapters[0].label, "card");
    EXPECT_EQ(environment.adapters[0].instanceId, "0003");
    EXPECT_EQ(environment.adapters[0].channels, 0x07FF);
    ASSERT_EQ(environment.stations.size(), 2u);
    EXPECT_EQ(environment.stations[1].mode, NetworkMode::kAdHoc);
    EXPECT_EQ(environment.stations[1].wepKey.size(), 13u);
    EXPECT_FALSE(environment.stations[0].privacy());
}

TEST(EnvironmentFile, ShippedDefaultHasWhatTheUtilityExpects) {
    const auto result = loadEnvironmentFile(NICAPI_DEFAULT_ENVIRONMENT);
    ASSERT_TRUE(result.environment) << result.error;
    const Environment& environment = *result.environment;
    EXPECT_EQ(environment.system, (SystemAnswers{false, 7}));
    const std::string kvConfig = readFile(KVCONFIG_INI);
    int pcCards = 0, usbOut = 0, wired = 0;
    for (const AdapterSpec& adapter : environment.adapters) {
        const bool supported =
            kvConfig.find("MatchingDeviceId=" + adapter.hardwareId + "\n") != std::string::npos;
        EXPECT_EQ(supported, adapter.wireless) << adapter.label;
        pcCards += adapter.hardwareId.starts_with("PCMCIA\\") && adapter.present &&
                   !adapter.wzcManaged && adapter.channels == 0x07FF;
        usbOut += adapter.hardwareId.starts_with("USB\\") && !adapter.present;
        wired += !adapter.wireless && adapter.present;
    }
    EXPECT_EQ(pcCards, 1);
    EXPECT_EQ(usbOut, 1);
    EXPECT_EQ(wired, 1);
    std::set<int> channels;
    bool wep = false;
    for (const Station& station : environment.stations) {
        channels.insert(station.channel);
        wep |= station.privacy();
    }
    EXPECT_EQ(channels, (std::set<int>{1, 6, 11}));
    EXPECT_TRUE(wep);
}

TEST(EnvironmentFile, NamesFileAndLineOfEveryMistake) {
    const std::pair<const char*, const char*> cases[] = {
        {"key = 1\n", "f:1: \"key = value\" before a section"},
        {"[system]\nwindows95\n",
         "f:2: neither a section, a \"key = value\" line nor a comment: \"windows95\""},
        {"[system\n", "f:1: neither a section, a \"key = value\" line nor a comment: \"[system\""},
        {"[planet]\n", "f:1: unknown section \"planet\""},
        {"[system]\ncolour = red\n", "f:2: unknown key \"colour\""},
        {"[system]\nwindows95 = maybe\n", "f:2: expected yes or no, got \"maybe\""},
        {"[system]\nos_version = 1\nos_version = 2\n", "f:3: duplicate key"},
        {"[system]\n[system]\n", "f:2: second [system]"},
        {"[radio]\njoin_delay_ms = -1\n", "f:2: expected a number 0..60000, got \"-1\""},
        {"[adapter]\nname = n\n", "f:1: an adapter needs a label: [adapter LABEL]"},
        {"[adapter a]\nname = n\ndescription = d\nhardware_id = h\n", "f:1: missing instance"},
        {"[adapter a]\ninstance = 12\n", "f:2: instance must be four digits, got \"12\""},
        {"[adapter a]\nname = n\ndescription = d\ninstance = 0001\nhardware_id = h\n",
         "f:1: missing mac"},
        {"[adapter a]\nmac = 02:00:00:00:00\n", "f:2: bad MAC address \"02:00:00:00:00\""},
        {"[adapter a]\nchannels = 3-1\n", "f:2: bad channel list \"3-1\""},
        {"[adapter a]\nfirmware_version = 1.2.3\n",
         "f:2: bad version (A.B.C.D, each 0..255) \"1.2.3\""},
        {"[station]\nssid = s\nchannel = 15\n", "f:3: expected a number 1..14, got \"15\""},
        {"[station]\nwep = 0102\n",
         "f:2: WEP key must be off or 10 or 26 hexadecimal digits, got \"0102\""},
        {"[station]\nmode = mesh\n", "f:2: mode must be infrastructure or adhoc, got \"mesh\""},
        {"[station]\nssid = s\nbssid = 02:00:00:00:00:01\nchannel = 1\n",
         "f:1: missing signal_dbm"},
        {"[station]\nssid = s\nbssid = 02:00:00:00:00:01\nchannel = 1\nsignal_dbm = -1\n"
         "[station]\nssid = t\nbssid = 02:00:00:00:00:01\nchannel = 1\nsignal_dbm = -1\n",
         "f:6: second station with BSSID \"02:00:00:00:00:01\""},
    };
    for (const auto& [text, error] : cases) {
        const auto result = parseEnvironment(text, "f");
        EXPECT_FALSE(result.environment) << text;
        EXPECT_EQ(result.error, error);
    }
    EXPECT_EQ(loadEnvironmentFile("/nonexistent/env.ini").error,
              "/nonexistent/env.ini: cannot open: No such file or directory");
}

TEST(EnvironmentValues, ParsesAndFormatsTheValueSyntax) {
    EXPECT_EQ(parseChannelList("1-11"), 0x07FF);
    EXPECT_EQ(parseChannelList("1, 6,11"), 0x0421);
    EXPECT_EQ(parseChannelList("14"), 0x2000);
    EXPECT_FALSE(parseChannelList("0-3"));
    EXPECT_FALSE(parseChannelList("1,,2"));
    EXPECT_EQ(formatChannelList(0x2421), "1,6,11,14");
    EXPECT_EQ(formatChannelList(0x1FFF), "1-13");
    EXPECT_EQ(parseMac("02-5a-1C-00-00-07"), (MacAddress{2, 0x5A, 0x1C, 0, 0, 7}));
    EXPECT_EQ(formatMac({2, 0x5A, 0x1C, 0, 0, 7}), "02:5A:1C:00:00:07");
    EXPECT_EQ(parseHexBytes("0a 0B0c"), (std::vector<uint8_t>{10, 11, 12}));
    EXPECT_FALSE(parseHexBytes("0a0"));
    EXPECT_EQ(parseVersion("1.2.10.0"), (Version{1, 2, 10, 0}));
    EXPECT_FALSE(parseVersion("1.2.256.0"));
    EXPECT_EQ(parseInteger("0x10"), 16);
    EXPECT_EQ(parseInteger("-85"), -85);
    EXPECT_FALSE(parseInteger("--5"));
    EXPECT_FALSE(parseInteger("5 dBm"));
}

TEST(EnvironmentEdit, ChangesOneValueAndKeepsEverythingElse) {
    EnvironmentEditor editor = editorOf(kSmall);
    ASSERT_TRUE(editor.pull("").done);
    std::string expected(kSmall);
    expected.insert(expected.find("\n\n; an access"), "\npresent = no");
    EXPECT_EQ(editor.document().text(), expected);
    ASSERT_TRUE(editor.insert("0003").done);
    EXPECT_NE(editor.document().text().find("present = yes\n"), std::string::npos);
    EXPECT_TRUE(environmentOf(editor).adapters[0].present);
}

TEST(EnvironmentEdit, RemovesAStationWithItsCommentButNotTheNextOnes) {
    EnvironmentEditor editor = editorOf(kSmall);
    const EditResult result = editor.removeStation("Net");
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.message, "Net (02:00:00:00:00:10) removed");
    const std::string text = editor.document().text();
    EXPECT_EQ(text.find("an access point"), std::string::npos);
    EXPECT_NE(text.find("mac = 02:00:00:00:00:03\n\n# the last one\n[station]\nssid = Other"),
              std::string::npos)
        << text;
    EXPECT_EQ(environmentOf(editor).stations.size(), 1u);
}

TEST(EnvironmentEdit, AddsStationsWithAFreshBssid) {
    EnvironmentEditor editor = editorOf(kSmall);
    Station station;
    station.ssid = "Net";
    station.channel = 3;
    station.signalDbm = -66;
    ASSERT_TRUE(editor.addStation(station).done);
    ASSERT_TRUE(editor.addStation(station).done);
    const auto stations = environmentOf(editor).stations;
    ASSERT_EQ(stations.size(), 4u);
    EXPECT_EQ(stations[2].bssid[0], 0x02);
    EXPECT_NE(stations[2].bssid, stations[3].bssid);
    EXPECT_FALSE(editor.setSignal("Net", -40).done);  // three stations named Net now
    EXPECT_TRUE(editor.setSignal("02:00:00:00:00:10", -40).done);
    EXPECT_EQ(environmentOf(editor).stations[0].signalDbm, -40);
}

}  // namespace
}  // namespace nicapi
