// The simulated world that the environment file describes: the operating system's answers, the
// adapters in the machine and the stations on the air.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "environment_document.h"
#include "environment_values.h"

namespace nicapi {

inline constexpr const char* kEnvironmentFileName = "nicapi-environment.ini";

enum class NetworkMode { kInfrastructure, kAdHoc };

struct SystemAnswers {
    bool windows95 = false;
    int32_t osVersion = 7;
    bool operator==(const SystemAnswers&) const = default;
};

struct RadioOptions {
    int joinDelayMs = 1000;  // from a restart (or an insertion) to the end of the join
    bool operator==(const RadioOptions&) const = default;
};

struct AdapterSpec {
    std::string label;  // the section label, which nicapi-sim uses to name the adapter
    std::string name;
    std::string description;
    std::string instanceId;  // four digits
    std::string hardwareId;
    bool wireless = true;
    MacAddress mac{};
    ChannelSet channels = 0x07FF;                       // used when eepromRecords is not given
    std::optional<std::vector<uint8_t>> eepromRecords;  // the record chain, as is
    Version driverVersion{1, 0, 0, 0};
    Version firmwareVersion{1, 0, 0, 0};
    std::string interfaceName;  // Linux network interface for the adapter's packets
    bool present = true;
    bool wzcManaged = false;
    bool operator==(const AdapterSpec&) const = default;
};

struct Station {
    std::string ssid;
    MacAddress bssid{};
    int channel = 1;
    int signalDbm = -60;
    std::vector<uint8_t> wepKey;  // empty: an open network
    NetworkMode mode = NetworkMode::kInfrastructure;
    bool privacy() const { return !wepKey.empty(); }
    bool operator==(const Station&) const = default;
};

struct Environment {
    SystemAnswers system;
    RadioOptions radio;
    std::vector<AdapterSpec> adapters;
    std::vector<Station> stations;
    bool operator==(const Environment&) const = default;
};

struct EnvironmentResult {
    std::optional<Environment> environment;
    std::string error;  // "FILE:LINE: what is wrong" or "FILE: why"
};

// The station with the BSSID, or null.
const Station* findStation(std::span<const Station> stations, const MacAddress& bssid);

EnvironmentResult interpretEnvironment(const EnvironmentDocument& document,
                                       std::string_view fileName);
EnvironmentResult parseEnvironment(std::string_view text, std::string_view fileName);
EnvironmentResult loadEnvironmentFile(const std::string& path);

// Reads a whole file; nullopt with the reason in `error` when it cannot be read.
std::optional<std::string> readTextFile(const std::string& path, std::string& error);

}  // namespace nicapi
