// Joining and leaving networks, settings in force, link values and frame counters.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "api_fixture.h"

namespace nicapi::test {
namespace {

constexpr std::array<uint8_t, 26> kSecureKey = {1, 2, 3, 4, 5};
constexpr std::array<uint8_t, 26> kWrongKey = {1, 2, 3, 4, 6};

// The four limits of the utility's adapter file.
std::map<std::string, int> calibrationLimits() {
    std::ifstream file(KVCONFIG_INI);
    std::map<std::string, int> limits;
    for (std::string line; std::getline(file, line);) {
        const auto equals = line.find("=0x");
        if (equals != std::string::npos && line.find("MatchingDeviceId") == std::string::npos)
            limits[line.substr(0, equals)] = std::stoi(line.substr(equals + 3), nullptr, 16);
    }
    return limits;
}

struct Sample {
    int32_t qualitySum = 0;
    int32_t signal = 0;
    int32_t count = 0;
    bool operator==(const Sample&) const = default;
};

Sample sample(WLAdapterInfo& info) {
    Sample s;
    EXPECT_EQ(VBQueryWLCQSLCurrBSS(&info, &s.qualitySum, &s.signal, &s.count), 0);
    return s;
}

std::array<uint32_t, 4> frames(WLAdapterInfo& info) {
    std::array<uint32_t, 4> counts{};
    EXPECT_EQ(VBGetTxRxFrameCount(&info, counts.data()), 0);
    return counts;
}

uint32_t tallyWord(const std::array<uint8_t, 256>& tally, std::size_t offset) {
    return tally[offset] | tally[offset + 1] << 8 | tally[offset + 2] << 16 |
           static_cast<uint32_t>(tally[offset + 3]) << 24;
}

using Link = NicapiTest;

TEST_F(Link, JoinsTheNetworkThatMatchesItsSettings) {
    struct Case {
        const char* ssid;
        int networkType;
        const std::array<uint8_t, 26>* key;  // null: WEP off
        int32_t status;
        const char* joined;
        int32_t channel;
    };
    const Case cases[] = {
        {"Open1", 1, nullptr, kJoinedBss, "Open1", 1},
        {"Open6", 1, nullptr, kJoinedBss, "Open6", 6},
        {"", 1, nullptr, kJoinedBss, "Open1", 1},     // the strongest open access point
        {"any", 1, nullptr, kJoinedBss, "Open1", 1},  // likewise
        {"", 1, &kSecureKey, kJoinedBss, "Secure", 6},
        {"Secure", 1, &kSecureKey, kJoinedBss, "Secure", 6},
        {"Secure", 1, nullptr, 2, "", 3},     // the network wants WEP
        {"Secure", 1, &kWrongKey, 2, "", 3},  // a wrong key never connects
        {"Open1", 1, &kSecureKey, 2, "", 3},  // the network has no WEP
        {"Nobody", 1, nullptr, 1, "", 3},     // no such network
        {"Peers", 1, nullptr, 8, "", 3},      // only heard as an ad hoc network
        {"Peers", 0, nullptr, kJoinedIbss, "Peers", 11},
        {"", 0, nullptr, kJoinedIbss, "Peers", 11},
        {"MyOwn", 0, nullptr, kJoinedIbss, "MyOwn", 3},  // starts its own network
    };
    for (const Case& c : cases) {
        WLAdapterInfo info = opened("0007");
        ASSERT_EQ(VBSetWLChannel(&info, 3), 0);
        if (c.key) {
            ASSERT_EQ(VBSetWLWriteKey(&info, 2, 0, -1, c.key->data()), 0);
        }
        join(info, c.ssid, c.networkType, c.key ? 1 : 0);
        EXPECT_EQ(VBQueryWLPortStatus(&info), c.status) << c.ssid;
        EXPECT_EQ(currentSsid(info), c.joined) << c.ssid;
        EXPECT_EQ(VBQueryWLChannel(&info), c.channel) << c.ssid;
    }
}

TEST_F(Link, AnSsidChangeLeavesTheNetworkUntilTheRestart) {
    WLAdapterInfo info = opened("0007");
    join(info, "Open6");
    ASSERT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(VBSetWLSSID(&info, "Open6"), 0);  // the same SSID: still in the network
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);

    EXPECT_EQ(VBSetWLSSID(&info, "TestTestTest"), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), 5);
    EXPECT_EQ(currentSsid(info), "");
    char configured[33];
    ASSERT_EQ(VBQueryWLSSID(&info, configured), 0);
    EXPECT_EQ(std::string(configured, 33),
              "TestTestTest" + std::string(1, '\0') + std::string(20, ' '));
    EXPECT_EQ(VBSetWLSSID(&info, "Open6"), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), 5);
    EXPECT_EQ(VBSetWLRestartNIC(&info), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(currentSsid(info), "Open6");
    EXPECT_EQ(VBSetWLSSID(&info, ""), 0);
    ASSERT_EQ(VBQueryWLSSID(&info, configured), 0);
    EXPECT_EQ(std::string(configured, 33), std::string(33, '\0'));
}

TEST_F(Link, SettingsTakeEffectAtTheRestart) {
    WLAdapterInfo info = opened("0007");
    struct Case {
        int32_t (*set)(WLAdapterInfo*, int32_t);
        int32_t (*query)(WLAdapterInfo*);
        int32_t before;
        int32_t value;
    };
    const Case cases[] = {
        {VBSetWLTxRateControl, VBQueryWLTxRateControl, 15, 2},
        {VBSetWLPSMode, VBQueryWLPSMode, 0, 1},
        {VBSetWLPreambleMode, VBQueryWLPreambleMode, 3, 2},
        {VBSetWLAuthenticationMode, VBQueryWLAuthenticationMode, 3, 1},
        {VBSetWLWEPbit, VBQueryWLWEPbit, 0, 1},
        {VBSetWLNetworkType, VBQueryWLNetworkType, 1, 0},
        {VBSetWLWEPStatus, VBQueryWLWEPStatus, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.set(&info, c.value), 0);
        EXPECT_EQ(c.query(&info), c.before);
    }
    EXPECT_EQ(VBSetWLRestartNIC(&info), 0);
    for (const Case& c : cases)
        EXPECT_EQ(c.query(&info), c.value);
    EXPECT_EQ(SetWL_TxRateControl(&info, 8), 0);
    EXPECT_EQ(SetWL_RestartNIC(&info), 0);
    EXPECT_EQ(QueryWL_TxRateControl(&info), 8);
    EXPECT_EQ(VBSetWLPSMode(&info, -1), 0);  // the utility's "on"
    EXPECT_EQ(VBSetWLRestartNIC(&info), 0);
    EXPECT_EQ(VBQueryWLPSMode(&info), 1);
}

TEST_F(Link, RefusesValuesTheAdapterDoesNotTake) {
    WLAdapterInfo pcCard = opened("0007");
    WLAdapterInfo usb = opened("0008");
    const std::pair<int32_t (*)(WLAdapterInfo*, int32_t), int32_t> refused[] = {
        {VBSetWLChannel, 12},  // outside the PC Card's channel plan (1..11)
        {VBSetWLChannel, 0},
        {VBSetWLTxRateControl, 16},
        {VBSetWLNetworkType, 2},
        {VBSetWLPreambleMode, 4},
        {VBSetWLAuthenticationMode, -1},
        {VBSetWLFragmentationThreshold, 255},
        {VBSetWLRTSCTSThreshold, 2348},
        {VBSetWLWEPbit, 2},
        {VBSetWLDefaultKeyID, 4},
    };
    for (const auto& [set, value] : refused)
        EXPECT_EQ(set(&pcCard, value), -1) << value;
    EXPECT_EQ(VBSetWLChannel(&usb, 12), 0);
    EXPECT_EQ(VBSetWLFragmentationThreshold(&pcCard, 2305), 0);
    EXPECT_EQ(VBSetWLRTSCTSThreshold(&pcCard, 0), 0);
    EXPECT_EQ(VBSetWLWriteKey(&pcCard, 4, 0, 0, kSecureKey.data()), -1);
}

TEST_F(Link, JoiningTakesTheJoinDelay) {
    std::string text = std::string(kAdapters) + std::string(kStations);
    text.replace(text.find("join_delay_ms = 0"), 17, "join_delay_ms = 150");
    useEnvironment(text);
    WLAdapterInfo info = opened("0007");
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);  // in since before the program began
    join(info, "Open6");
    EXPECT_EQ(VBQueryWLPortStatus(&info), 9);
    EXPECT_EQ(currentSsid(info), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(currentSsid(info), "Open6");
}

TEST_F(Link, LinkValuesStayWithinTheCalibratedRanges) {
    const auto limits = calibrationLimits();
    ASSERT_EQ(limits.size(), 4u);
    for (const auto& [ssid, dbm] : {std::pair{"Open1", -48}, {"Open6", -70}, {"Far", -85}}) {
        WLAdapterInfo info = opened("0007");
        join(info, ssid);
        std::set<int32_t> signals;
        for (int i = 0; i < 40; ++i) {
            const Sample s = sample(info);
            ASSERT_GT(s.count, 0);
            const int32_t quality = s.qualitySum / s.count;
            EXPECT_GE(quality, limits.at("Communication_Quality_Min"));
            EXPECT_LE(quality, limits.at("Communication_Quality_Max"));
            EXPECT_GE(s.signal, limits.at("Signal_Strength_Min"));
            EXPECT_LE(s.signal, limits.at("Signal_Strength_Max"));
            EXPECT_LE(std::abs(s.signal - (dbm + 105)), 2) << ssid;
            signals.insert(s.signal);
        }
        EXPECT_GT(signals.size(), 1u) << ssid;  // the readings jitter
    }
}

TEST_F(Link, AStrongerSignalGivesABetterQuality) {
    WLAdapterInfo info = opened("0007");
    join(info, "Open1");
    const Sample strong = sample(info);
    join(info, "Far");
    const Sample weak = sample(info);
    EXPECT_LT(strong.qualitySum / strong.count, weak.qualitySum / weak.count);
}

TEST_F(Link, TheJitterIsTheSameForEveryAdapterOnTheSameStation) {
    WLAdapterInfo pcCard = opened("0007");
    WLAdapterInfo usb = opened("0008");
    join(pcCard, "Open6");
    join(usb, "Open6");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(sample(pcCard), sample(usb)) << i;
}

TEST_F(Link, NoLinkValuesWithoutAPeer) {
    WLAdapterInfo info = opened("0007");
    join(info, "MyOwn", 0);
    ASSERT_EQ(VBQueryWLPortStatus(&info), kJoinedIbss);
    EXPECT_EQ(sample(info), Sample{});
    join(info, "Nobody");
    EXPECT_EQ(sample(info), Sample{});
    EXPECT_EQ(VBQueryWLCurrentTxRate(&info), 0);
}

TEST_F(Link, TheCurrentRateIsTheBestOfTheMaskThatTheSignalCarries) {
    struct Case {
        const char* ssid;
        int32_t mask;
        int32_t rate;
    };
    const Case cases[] = {
        {"Open1", 15, 11}, {"Open1", 0, 11}, {"Open1", 6, 5}, {"Open1", 1, 1},
        {"Far", 15, 2},    {"Far", 12, 5},   {"Far", 8, 11},
    };
    for (const Case& c : cases) {
        WLAdapterInfo info = opened("0007");
        ASSERT_EQ(VBSetWLTxRateControl(&info, c.mask), 0);
        join(info, c.ssid);
        EXPECT_EQ(VBQueryWLCurrentTxRate(&info), c.rate) << c.ssid << " mask " << c.mask;
    }
}

TEST_F(Link, FrameCountersGrowWhileInANetwork) {
    WLAdapterInfo info = opened("0007");
    join(info, "Far");
    const auto first = frames(info);
    const auto second = frames(info);
    EXPECT_GT(second[0], first[0]);
    EXPECT_GT(second[1], first[1]);

    std::array<uint8_t, 256> before{};
    std::array<uint8_t, 256> after{};
    ASSERT_EQ(GetNICAdapterTally(&info, before.data()), 0);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(GetNICAdapterTally(&info, after.data()), 0);
    EXPECT_GT(tallyWord(after, 136), tallyWord(before, 136));  // good frames
    for (const std::size_t offset : {96u, 120u, 128u}) {
        EXPECT_GE(tallyWord(after, offset), tallyWord(before, offset)) << offset;
        EXPECT_LT(tallyWord(after, offset), tallyWord(after, 136)) << offset;
    }
    EXPECT_GT(tallyWord(after, 120), 0u);  // a weak station costs frames

    EXPECT_EQ(VBSetWLSSID(&info, "TestTestTest"), 0);
    EXPECT_EQ(frames(info), frames(info));
}

TEST_F(Link, IdentityQueries) {
    WLAdapterInfo info = opened("0007");
    uint8_t mac[6] = {};
    EXPECT_EQ(VBGetNICAdapterMAC(&info, mac), 0);
    EXPECT_EQ(std::vector<uint8_t>(mac, mac + 6),
              (std::vector<uint8_t>{0x02, 0x5A, 0x1C, 0x00, 0x00, 0x07}));
    unsigned char mac2[6] = {};
    EXPECT_EQ(GetNICAdapterMAC(&info, mac2), 0);
    EXPECT_EQ(std::memcmp(mac, mac2, 6), 0);
    EXPECT_EQ(VBQueryWLDriverVersion(&info), 0x01020A00);
    uint8_t firmware[4] = {};
    EXPECT_EQ(VBQueryWLFirmwareVersion(&info, firmware), 0);
    EXPECT_EQ(std::vector<uint8_t>(firmware, firmware + 4), (std::vector<uint8_t>{1, 0, 7, 3}));
    EXPECT_EQ(VBSetWLPreambleMode(&info, 2), 0);
    EXPECT_EQ(SetWL_PreambleMode(&info, 1), 0);
    EXPECT_EQ(SetWL_RestartNIC(&info), 0);
    EXPECT_EQ(QueryWL_PreambleMode(&info), 1);
}

}  // namespace
}  // namespace nicapi::test
