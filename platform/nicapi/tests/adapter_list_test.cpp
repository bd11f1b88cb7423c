// Adapter lists, the system answers, the driver keys and opening adapters.
#include <cstring>

#include "api_fixture.h"
#include "registry/registry.h"

namespace nicapi::test {
namespace {

constexpr const char* kNtClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";

std::string hardwareIdAt(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return "(no key)";
    char value[260] = {};
    DWORD size = sizeof value;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(handle, "MatchingDeviceId", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && type == REG_SZ ? value : "(no value)";
}

std::vector<std::string> descriptions(const std::vector<AdapterListEntry>& list) {
    std::vector<std::string> texts;
    for (const auto& entry : list)
        texts.emplace_back(entry.AdapterDescription);
    return texts;
}

using AdapterList = NicapiTest;

TEST_F(AdapterList, SupportedListHasTheWirelessCardsAllListAlsoTheWiredOne) {
    const auto supported = supportedAdapters();
    ASSERT_EQ(supported.size(), 2u);
    EXPECT_STREQ(supported[0].AdapterName, "\\DEVICE\\{PCCARD}");
    EXPECT_STREQ(supported[0].InstanceId, "0007");
    EXPECT_EQ(descriptions(supported),
              (std::vector<std::string>{"Test PC Card", "Test USB Adapter"}));
    EXPECT_EQ(descriptions(allAdapters()),
              (std::vector<std::string>{"Test PC Card", "Test USB Adapter", "Test Wired Adapter"}));
}

TEST_F(AdapterList, FillsNoMoreThanTheCapacityAndClearsTheRestOfIt) {
    std::vector<AdapterListEntry> list(10);
    std::memset(list.data(), 'x', sizeof(AdapterListEntry) * list.size());
    int32_t capacity = 1;
    EXPECT_EQ(VBCreateNICAdapterList(list.data(), &capacity), 1);
    EXPECT_STREQ(list[0].InstanceId, "0007");
    EXPECT_EQ(list[1].AdapterName[0], 'x');
    capacity = 3;
    EXPECT_EQ(VBCreateNICAdapterList(list.data(), &capacity), 2);
    EXPECT_STREQ(list[1].InstanceId, "0008");
    EXPECT_EQ(list[2].AdapterName[0], '\0');
    EXPECT_EQ(list[3].AdapterName[0], 'x');
    EXPECT_EQ(VBCreateAllNICAdapterList(list.data(), 2), 2);
    EXPECT_EQ(VBCreateAllNICAdapterList(list.data(), 0), 0);
}

TEST_F(AdapterList, CardsThatAreOutAreNotListed) {
    std::string text = std::string(kAdapters) + std::string(kStations);
    text.insert(text.find("[adapter usb]") + 14, "present = no\n");
    useEnvironment(text);
    EXPECT_EQ(descriptions(supportedAdapters()), (std::vector<std::string>{"Test PC Card"}));
    EXPECT_EQ(allAdapters().size(), 2u);
}

TEST_F(AdapterList, SystemAnswersComeFromTheEnvironmentFile) {
    EXPECT_EQ(VBQueryWLIsWindows95(), 0);
    EXPECT_EQ(VBKvGetOSVersion(), 7);
    std::string text = std::string(kAdapters);
    text.replace(text.find("os_version = 7"), 14, "os_version = 5");
    writeEnvironment(text);
    EXPECT_EQ(VBKvGetOSVersion(), 7);  // read once per file
    const std::string other = (dir_ / "other.ini").string();
    std::ofstream(other) << text;
    setenv("NICAPI_ENVIRONMENT", other.c_str(), 1);
    EXPECT_EQ(VBKvGetOSVersion(), 5);
}

TEST_F(AdapterList, HardwareIdsAreInTheDriverKeys) {
    EXPECT_EQ(VBKvGetOSVersion(), 7);  // the first call writes the driver keys
    EXPECT_EQ(hardwareIdAt(std::string(kNtClassKey) + "0007"), "PCMCIA\\KV-WLAN_11B-5A1C");
    EXPECT_EQ(hardwareIdAt(std::string(kNtClassKey) + "0008"), "USB\\VID_5A1C&PID_0B11");
    EXPECT_EQ(hardwareIdAt(std::string(kNtClassKey) + "0001"), "PCI\\VEN_8086&DEV_100E");
}

TEST_F(AdapterList, OnWindows95TheNameIsTheDriverSubkeyOfTheNetClass) {
    std::string text = std::string(kAdapters);
    text.replace(text.find("windows95 = no"), 14, "windows95 = yes");
    text.replace(text.find("instance = 0007"), 15, "instance = 0012");
    useEnvironment(text);
    EXPECT_EQ(VBQueryWLIsWindows95(), 1);
    EXPECT_STREQ(supportedAdapters().at(0).AdapterName, "0012");
    EXPECT_EQ(hardwareIdAt("System\\CurrentControlSet\\Services\\Class\\Net\\0012"),
              "PCMCIA\\KV-WLAN_11B-5A1C");
    WLAdapterInfo info = record("");
    std::strcpy(info.AdapterName, "0012");
    EXPECT_EQ(VBKvOpenAdapter(&info), 1);  // found by its name alone
}

TEST_F(AdapterList, OpenGivesAHandleAndCloseTakesItBack) {
    WLAdapterInfo pcCard = opened("0007");
    WLAdapterInfo usb = opened("0008");
    EXPECT_GT(pcCard.AdapterHandle, 0);
    EXPECT_GT(usb.AdapterHandle, 0);
    EXPECT_NE(pcCard.AdapterHandle, usb.AdapterHandle);
    WLAdapterInfo again = opened("0007");
    EXPECT_EQ(again.AdapterHandle, pcCard.AdapterHandle);
    EXPECT_EQ(VBQueryWLChannel(&pcCard), 1);

    EXPECT_EQ(VBKvCloseAdapter(&pcCard), 1);
    EXPECT_EQ(pcCard.AdapterHandle, -1);
    EXPECT_EQ(VBQueryWLChannel(&again), -1);
    EXPECT_EQ(VBKvCloseAdapter(&again), 0);
    EXPECT_NE(VBQueryWLChannel(&usb), -1);
}

TEST_F(AdapterList, OnlyPresentWirelessAdaptersOpen) {
    for (const char* instance : {"0001", "0009", ""}) {
        WLAdapterInfo info = record(instance);
        EXPECT_EQ(VBKvOpenAdapter(&info), 0) << instance;
        EXPECT_EQ(info.AdapterHandle, -1);
    }
    WLAdapterInfo padded = record("");
    std::strcpy(padded.AdapterName, "  \\DEVICE\\{USB} ");
    EXPECT_EQ(VBKvOpenAdapter(&padded), 1);
}

TEST_F(AdapterList, DefaultEnvironmentIsBesideTheLibrary) {
    unsetenv("NICAPI_ENVIRONMENT");
    EXPECT_EQ(descriptions(supportedAdapters()),
              (std::vector<std::string>{"IEEE 802.11b Wireless LAN PC Card"}));
    const auto all = allAdapters();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(hardwareIdAt(std::string(kNtClassKey) + all[1].InstanceId), "PCI\\VEN_8086&DEV_100E");
    WLAdapterInfo info = opened("0007");
    EXPECT_EQ(VBQueryWLCheckWZCStatus(&info), 0);
    EXPECT_EQ(VBQueryWLPortStatus(&info), kJoinedBss);
    EXPECT_EQ(currentSsid(info), "LabNet");
}

}  // namespace
}  // namespace nicapi::test
