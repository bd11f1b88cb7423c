// Drives libnicapi through its C interface with a private environment file per test and one
// private registry for the whole process.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "nicapi/nicapi.h"

namespace nicapi::test {

namespace fs = std::filesystem;

// The adapters of every test environment: the PC Card and the USB adapter plugged in, a wired
// adapter; no join delay. Tests add [station] sections.
inline constexpr std::string_view kAdapters = R"(
[system]
windows95 = no
os_version = 7
[radio]
join_delay_ms = 0
[adapter pccard]
name = \DEVICE\{PCCARD}
description = Test PC Card
instance = 0007
hardware_id = PCMCIA\KV-WLAN_11B-5A1C
mac = 02:5A:1C:00:00:07
channels = 1-11
driver_version = 1.2.10.0
firmware_version = 1.0.7.3
[adapter usb]
name = \DEVICE\{USB}
description = Test USB Adapter
instance = 0008
hardware_id = USB\VID_5A1C&PID_0B11
mac = 02:5A:1C:00:00:08
channels = 1-13
[adapter ethernet]
name = \DEVICE\{WIRED}
description = Test Wired Adapter
instance = 0001
hardware_id = PCI\VEN_8086&DEV_100E
wireless = no
)";

// Open network "Open1" on 1 (-48 dBm), open "Open6" on 6 (-70), WEP "Secure" on 6 (-55, key
// 0102030405), open "Far" on 11 (-85), ad hoc "Peers" on 11 (-60).
inline constexpr std::string_view kStations = R"(
[station]
ssid = Open1
bssid = 02:00:00:00:01:01
channel = 1
signal_dbm = -48
[station]
ssid = Open6
bssid = 02:00:00:00:06:01
channel = 6
signal_dbm = -70
[station]
ssid = Secure
bssid = 02:00:00:00:06:02
channel = 6
signal_dbm = -55
wep = 0102030405
[station]
ssid = Far
bssid = 02:00:00:00:0B:01
channel = 11
signal_dbm = -85
[station]
ssid = Peers
bssid = 06:00:00:00:0B:02
channel = 11
signal_dbm = -60
mode = adhoc
)";

inline constexpr int32_t kJoinedBss = 3;
inline constexpr int32_t kJoinedIbss = 4;

// One registry directory for the process: the library may keep using the one it saw first.
inline const std::string& registryDirectory() {
    struct Directory {
        Directory() {
            std::string pattern = (fs::temp_directory_path() / "nicapiregXXXXXX").string();
            path = mkdtemp(pattern.data()) ? pattern : std::string();
            setenv("NETPANEL_REGISTRY_DIR", path.c_str(), 1);
        }
        ~Directory() { fs::remove_all(path); }
        std::string path;
    };
    static const Directory directory;
    return directory.path;
}

class NicapiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(registryDirectory().empty());
        std::string pattern = (fs::temp_directory_path() / "nicapiXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        useEnvironment(std::string(kAdapters) + std::string(kStations));
    }

    void TearDown() override {
        unsetenv("NICAPI_ENVIRONMENT");
        fs::remove_all(dir_);
    }

    std::string environmentPath() const { return (dir_ / "environment.ini").string(); }

    // Replaces the environment file the way nicapi-sim does: a new file renamed into place.
    void writeEnvironment(std::string_view text) const {
        const std::string temporary = environmentPath() + ".new";
        std::ofstream(temporary, std::ios::binary) << text;
        fs::rename(temporary, environmentPath());
    }

    void useEnvironment(std::string_view text) const {
        writeEnvironment(text);
        setenv("NICAPI_ENVIRONMENT", environmentPath().c_str(), 1);
    }

    std::string readEnvironment() const {
        std::ostringstream text;
        text << std::ifstream(environmentPath(), std::ios::binary).rdbuf();
        return text.str();
    }

    // Runs nicapi-sim on this test's environment; its exit status.
    int sim(std::string_view arguments) const {
        const std::string command =
            std::string(NICAPI_SIM_PATH) + " " + std::string(arguments) + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::vector<AdapterListEntry> supportedAdapters() {
        std::vector<AdapterListEntry> list(10);
        int32_t capacity = 10;
        list.resize(static_cast<std::size_t>(VBCreateNICAdapterList(list.data(), &capacity)));
        return list;
    }

    static std::vector<AdapterListEntry> allAdapters() {
        std::vector<AdapterListEntry> list(50);
        list.resize(static_cast<std::size_t>(VBCreateAllNICAdapterList(list.data(), 50)));
        return list;
    }

    // A record naming the adapter of the instance id, as the utility fills it before opening.
    static WLAdapterInfo record(std::string_view instanceId) {
        WLAdapterInfo info{};
        info.AdapterHandle = -1;
        instanceId.copy(info.InstanceId, 4);
        info.CallWord = -1;
        info.CallLong1 = -1;
        return info;
    }

    static WLAdapterInfo opened(std::string_view instanceId) {
        WLAdapterInfo info = record(instanceId);
        EXPECT_EQ(VBKvOpenAdapter(&info), 1) << instanceId;
        return info;
    }

    // Configures SSID, mode and WEP, and restarts.
    static void join(WLAdapterInfo& info, const char* ssid, int networkType = 1, int wep = 0) {
        EXPECT_EQ(VBSetWLNetworkType(&info, networkType), 0);
        EXPECT_EQ(VBSetWLWEPStatus(&info, wep), 0);
        EXPECT_EQ(VBSetWLSSID(&info, ssid), 0);
        EXPECT_EQ(VBSetWLRestartNIC(&info), 0);
    }

    static std::string currentSsid(WLAdapterInfo& info) {
        char ssid[33];
        if (VBQueryWLCurrentSSID(&info, ssid) != 0) return "(failed)";
        return ssid;
    }

    fs::path dir_;
};

}  // namespace nicapi::test
