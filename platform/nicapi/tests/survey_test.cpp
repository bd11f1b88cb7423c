// Site surveys and EEPROM images.
#include <cstring>
#include <map>

#include "api_fixture.h"

namespace nicapi::test {
namespace {

struct Heard {
    std::string ssid;
    int channel;
    uint32_t privacy;
    uint32_t infrastructure;
    bool operator==(const Heard&) const = default;
};

// The utility's rule: kHz to MHz, (MHz - 2412) / 5 truncated, plus one except for 14.
int frequencyToChannel(uint32_t dsConfig) {
    const int channel = (static_cast<int>(dsConfig / 1000) - 2412) / 5;
    return channel == 14 ? channel : channel + 1;
}

std::vector<Heard> survey(WLAdapterInfo& info, int32_t capacity, SurveyBuffer& buffer) {
    std::memset(&buffer, 0, sizeof buffer);
    buffer.Count = 16;
    EXPECT_EQ(VBWLRetrieveSiteSurveyData(&info, &buffer, capacity), 0);
    std::vector<Heard> heard;
    for (int32_t i = 0; i < buffer.Count; ++i) {
        const SurveyEntry& entry = buffer.Entries[i];
        heard.push_back({std::string(reinterpret_cast<const char*>(entry.Ssid), entry.SsidLength),
                         frequencyToChannel(entry.DsConfig), entry.Privacy,
                         entry.InfrastructureMode});
    }
    return heard;
}

// The channel-plan bytes found by walking the record chain from `first`, as the utility does.
std::pair<int, int> walkChannelPlan(const std::vector<uint8_t>& image, std::size_t first) {
    std::size_t pos = first + 1;
    while (pos <= image.size() - 1) {
        if (image[pos - 1] == 3 && image[pos] == 6) return {image[pos + 1], image[pos + 2]};
        pos += image[pos - 1] == 0xFF ? 1 : image[pos - 1] + 1;
    }
    return {0, 0};
}

using Survey = NicapiTest;

TEST_F(Survey, ListsTheStationsOnTheAdaptersChannels) {
    WLAdapterInfo info = opened("0007");
    SurveyBuffer buffer;
    EXPECT_TRUE(survey(info, 16, buffer).empty());  // no scan yet
    ASSERT_EQ(VBWLSiteSurveyStart(&info), 0);
    const std::vector<Heard> expected = {{"Open1", 1, 0, 1},
                                         {"Open6", 6, 0, 1},
                                         {"Secure", 6, 1, 1},
                                         {"Far", 11, 0, 1},
                                         {"Peers", 11, 0, 0}};
    EXPECT_EQ(survey(info, 16, buffer), expected);
    const SurveyEntry& first = buffer.Entries[0];
    EXPECT_EQ(first.Length, sizeof(SurveyEntry));
    EXPECT_EQ(first.DsConfig, 2412000u);
    EXPECT_EQ(buffer.Entries[1].DsConfig, 2437000u);
    EXPECT_EQ(std::vector<uint8_t>(first.MacAddress, first.MacAddress + 6),
              (std::vector<uint8_t>{0x02, 0, 0, 0, 0x01, 0x01}));
    EXPECT_LE(std::abs(first.Rssi - (105 - 48)), 2);
    EXPECT_LE(std::abs(buffer.Entries[3].Rssi - (105 - 85)), 2);
}

TEST_F(Survey, FillsAtMostTheCapacity) {
    WLAdapterInfo info = opened("0007");
    ASSERT_EQ(VBWLSiteSurveyStart(&info), 0);
    SurveyBuffer buffer;
    EXPECT_EQ(survey(info, 2, buffer).size(), 2u);
    EXPECT_EQ(buffer.Entries[2].Length, 0u);
    EXPECT_TRUE(survey(info, 0, buffer).empty());
    EXPECT_EQ(survey(info, 99, buffer).size(), 5u);
}

TEST_F(Survey, HearsOnlyItsChannelPlanAndStrongEnoughStations) {
    std::string text = std::string(kAdapters) +
                       "[station]\nssid = Thirteen\nbssid = 02:00:00:00:0D:01\nchannel = 13\n"
                       "signal_dbm = -50\n"
                       "[station]\nssid = Fourteen\nbssid = 02:00:00:00:0E:01\nchannel = 14\n"
                       "signal_dbm = -50\n"
                       "[station]\nssid = Faint\nbssid = 02:00:00:00:01:09\nchannel = 1\n"
                       "signal_dbm = -99\n";
    text.replace(text.find("channels = 1-13"), 15, "channels = 1-14");
    useEnvironment(text);
    WLAdapterInfo pcCard = opened("0007");
    WLAdapterInfo usb = opened("0008");
    SurveyBuffer buffer;
    ASSERT_EQ(VBWLSiteSurveyStart(&pcCard), 0);
    EXPECT_TRUE(survey(pcCard, 16, buffer).empty());
    ASSERT_EQ(VBWLSiteSurveyStart(&usb), 0);
    EXPECT_EQ(survey(usb, 16, buffer),
              (std::vector<Heard>{{"Thirteen", 13, 0, 1}, {"Fourteen", 14, 0, 1}}));
    EXPECT_EQ(buffer.Entries[1].DsConfig, 2484000u);
}

using Eeprom = NicapiTest;

TEST_F(Eeprom, ImagesCarryTheChannelPlanWhereTheUtilityLooks) {
    struct Case {
        const char* instance;
        int32_t kind;
        std::size_t length;
        std::size_t chain;
        std::pair<int, int> plan;
    };
    const Case cases[] = {{"0007", 1, 512, 0x100, {0xFF, 0x07}},    // channels 1..11
                          {"0008", 3, 2048, 0x700, {0xFF, 0x1F}}};  // channels 1..13
    for (const Case& c : cases) {
        WLAdapterInfo info = opened(c.instance);
        std::vector<uint8_t> image(c.length);
        ASSERT_EQ(
            VBWLReadEEPROM(&info, 0x1201, c.kind, image.data(), static_cast<int32_t>(c.length)), 0);
        EXPECT_EQ(walkChannelPlan(image, c.chain), c.plan) << c.instance;
        EXPECT_NE(image[c.chain], 3) << "the plan is not the first record";
    }
}

TEST_F(Eeprom, ChannelPlanComesFromTheRecordsOfTheEnvironment) {
    std::string text = std::string(kAdapters) + std::string(kStations);
    // A MAC record, two erased bytes, a 3-byte record of another tag, then channels 1, 6, 11.
    text.replace(text.find("channels = 1-11"), 15,
                 "eeprom_records = 07 01 02 5A 1C 00 00 07 FF FF 03 05 06 06 03 06 21 04");
    text += "[station]\nssid = Three\nbssid = 02:00:00:00:03:01\nchannel = 3\nsignal_dbm = -40\n";
    useEnvironment(text);
    WLAdapterInfo info = opened("0007");
    std::vector<uint8_t> image(512);
    ASSERT_EQ(VBWLReadEEPROM(&info, 0x1201, 1, image.data(), 512), 0);
    EXPECT_EQ(walkChannelPlan(image, 0x100), (std::pair{0x21, 0x04}));
    EXPECT_EQ(VBSetWLChannel(&info, 2), -1);
    EXPECT_EQ(VBSetWLChannel(&info, 11), 0);
    ASSERT_EQ(VBWLSiteSurveyStart(&info), 0);
    SurveyBuffer buffer;
    EXPECT_EQ(survey(info, 16, buffer).size(), 5u);  // not the station on channel 3
}

TEST_F(Eeprom, ReadRefusesAWrongIdKindOrLength) {
    WLAdapterInfo info = opened("0007");
    std::vector<uint8_t> image(2048);
    EXPECT_NE(VBWLReadEEPROM(&info, 0x1202, 1, image.data(), 512), 0);
    EXPECT_NE(VBWLReadEEPROM(&info, 0x1201, 3, image.data(), 2048), 0);
    EXPECT_NE(VBWLReadEEPROM(&info, 0x1201, 1, image.data(), 513), 0);
    EXPECT_NE(VBWLReadEEPROM(&info, 0x1201, 1, nullptr, 512), 0);
    EXPECT_EQ(VBWLReadEEPROM(&info, 0x1201, 1, image.data(), 16), 0);
}

}  // namespace
}  // namespace nicapi::test
