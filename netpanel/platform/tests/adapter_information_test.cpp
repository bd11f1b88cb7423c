// Reading KvConfig.ini.
#include <gtest/gtest.h>

#include <variant>

#include "platform/adapter_information.h"

namespace netpanel {
namespace {

AdapterInformation read(const std::string& text) {
    auto result = readAdapterInformation(text, "KvConfig.ini");
    if (auto* error = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *error;
        return {};
    }
    return std::get<AdapterInformation>(result);
}

std::string errorOf(const std::string& text) {
    auto result = readAdapterInformation(text, "/opt/netpanel/bin/KvConfig.ini");
    if (auto* error = std::get_if<std::string>(&result)) return *error;
    return "(read without error)";
}

TEST(AdapterInformation, ReadsLimitsAndIdentifiers) {
    AdapterInformation info = read(
        "; comment before the section\r\n"
        "Signal_Strength_Max=0x01\r\n"
        "[ADAPTER_INFORMATION]\r\n"
        "Signal_Strength_Max=0x5A\r\n"
        "Signal_Strength_Min=0x0f\r\n"
        "Unknown=1\r\n"
        "Communication_Quality_Max=0x50\r\n"
        "Communication_Quality_Min=0X0A\r\n"
        "MatchingDeviceId=PCMCIA\\KV-WLAN_11B-5A1C\r\n"
        "MatchingDeviceId=usb\\vid_5a1c&pid_0b11\r\n"
        "[END]\r\n");
    EXPECT_EQ(info.signalStrengthMax, 90);
    EXPECT_EQ(info.signalStrengthMin, 15);
    EXPECT_EQ(info.communicationQualityMax, 80);
    EXPECT_EQ(info.communicationQualityMin, 10);
    // Kept as written: a lower-case line will not match an upper-cased registry value.
    EXPECT_EQ(info.matchingDeviceIds,
              (std::vector<std::string>{"PCMCIA\\KV-WLAN_11B-5A1C", "usb\\vid_5a1c&pid_0b11"}));
}

TEST(AdapterInformation, KeysMatchOnlyTheExactBeginningOfALine) {
    AdapterInformation info = read(
        "[ADAPTER_INFORMATION]\n"
        " Signal_Strength_Max=0x10\n"
        "signal_strength_max=0x11\n"
        "Signal_Strength_MaxValue=0x12\n"  // begins with the key: counts
        "MatchingDeviceIdX=ID\n"
        "[");
    EXPECT_EQ(info.signalStrengthMax, 0x12);
    EXPECT_EQ(info.matchingDeviceIds, std::vector<std::string>{"ID"});
}

TEST(AdapterInformation, TheSectionEndsAfterFourteenKeys) {
    std::string text = "[ADAPTER_INFORMATION]\n";
    for (int i = 1; i <= 10; ++i)
        text += "MatchingDeviceId=ID" + std::to_string(i) + "\n";
    text +=
        "Signal_Strength_Max=0x40\nSignal_Strength_Min=0x10\nCommunication_Quality_Max=0x50\n"
        "Communication_Quality_Min=0x0A\n";
    text += "Signal_Strength_Max=0x7F\n";  // a 15th key: not read
    AdapterInformation info = read(text);
    EXPECT_EQ(info.matchingDeviceIds.size(), 10u);
    EXPECT_EQ(info.matchingDeviceIds.back(), "ID10");
    EXPECT_EQ(info.signalStrengthMax, 0x40);
    EXPECT_EQ(info.communicationQualityMin, 10);
}

TEST(AdapterInformation, AnEleventhIdentifierIsIgnored) {
    std::string text = "[ADAPTER_INFORMATION]\n";
    for (int i = 1; i <= 11; ++i)
        text += "MatchingDeviceId=ID" + std::to_string(i) + "\n";
    text += "Signal_Strength_Max=0x33\n[END]\n";
    AdapterInformation info = read(text);
    EXPECT_EQ(info.matchingDeviceIds.size(), 10u);
    EXPECT_EQ(info.matchingDeviceIds.back(), "ID10");
    EXPECT_EQ(info.signalStrengthMax, 0x33);
}

TEST(AdapterInformation, AMissingOrUnfinishedSectionIsAnErrorNamingTheFile) {
    EXPECT_EQ(errorOf("Signal_Strength_Max=0x5A\n[adapter_information]\n"),
              "/opt/netpanel/bin/KvConfig.ini: no line \"[ADAPTER_INFORMATION]\"");
    EXPECT_EQ(errorOf(""), "/opt/netpanel/bin/KvConfig.ini: no line \"[ADAPTER_INFORMATION]\"");
    EXPECT_EQ(errorOf("[ADAPTER_INFORMATION]\nSignal_Strength_Max=0x5A\nMatchingDeviceId=A\n"),
              "/opt/netpanel/bin/KvConfig.ini:3: the file ends inside the section "
              "[ADAPTER_INFORMATION] (a line beginning with \"[\" must end it)");
    EXPECT_NE(errorOf("[ADAPTER_INFORMATION]"), "(read without error)");
}

}  // namespace
}  // namespace netpanel
