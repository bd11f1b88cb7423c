#include "environment.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace nicapi {
namespace {

using Problem = std::optional<std::string>;

constexpr std::size_t kMaxText = 259;  // the texts of an adapter list entry, without the NUL
constexpr std::size_t kMaxSsid = 32;
constexpr std::size_t kRecordSpace = 256;  // from the chain's start to the end of every image
constexpr int kWeakestDbm = -100;
constexpr int kJoinDelayLimitMs = 60000;

Problem quoted(std::string_view what, std::string_view value) {
    return std::string(what) + " \"" + std::string(value) + "\"";
}

Problem setText(std::string& target, std::string_view value, std::size_t limit) {
    if (value.size() > limit) return "longer than " + std::to_string(limit) + " characters";
    target = value;
    return std::nullopt;
}

Problem setBool(bool& target, std::string_view value) {
    const auto flag = parseBool(value);
    if (!flag) return quoted("expected yes or no, got", value);
    target = *flag;
    return std::nullopt;
}

Problem setInteger(int& target, std::string_view value, long long low, long long high) {
    const auto number = parseInteger(value);
    if (!number || *number < low || *number > high) {
        return quoted(
            "expected a number " + std::to_string(low) + ".." + std::to_string(high) + ", got",
            value);
    }
    target = static_cast<int>(*number);
    return std::nullopt;
}

Problem setMac(MacAddress& target, std::string_view value) {
    const auto mac = parseMac(value);
    if (!mac) return quoted("bad MAC address", value);
    target = *mac;
    return std::nullopt;
}

Problem setVersion(Version& target, std::string_view value) {
    const auto version = parseVersion(value);
    if (!version) return quoted("bad version (A.B.C.D, each 0..255)", value);
    target = *version;
    return std::nullopt;
}

Problem setInstance(std::string& target, std::string_view value) {
    if (value.size() != 4 || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return quoted("instance must be four digits, got", value);
    }
    target = value;
    return std::nullopt;
}

Problem setWepKey(std::vector<uint8_t>& target, std::string_view value) {
    if (equalsIgnoreCase(value, "off") || equalsIgnoreCase(value, "no")) {
        target.clear();
        return std::nullopt;
    }
    const auto key = parseHexBytes(value);
    if (!key || (key->size() != 5 && key->size() != 13)) {
        return quoted("WEP key must be off or 10 or 26 hexadecimal digits, got", value);
    }
    target = *key;
    return std::nullopt;
}

Problem setMode(NetworkMode& target, std::string_view value) {
    if (equalsIgnoreCase(value, "infrastructure")) {
        target = NetworkMode::kInfrastructure;
    } else if (equalsIgnoreCase(value, "adhoc")) {
        target = NetworkMode::kAdHoc;
    } else {
        return quoted("mode must be infrastructure or adhoc, got", value);
    }
    return std::nullopt;
}

Problem assignSystem(SystemAnswers& system, std::string_view key, std::string_view value) {
    if (key == "windows95") return setBool(system.windows95, value);
    if (key == "os_version") return setInteger(system.osVersion, value, -2147483647, 2147483647);
    return quoted("unknown key", key);
}

Problem assignRadio(RadioOptions& radio, std::string_view key, std::string_view value) {
    if (key == "join_delay_ms") return setInteger(radio.joinDelayMs, value, 0, kJoinDelayLimitMs);
    return quoted("unknown key", key);
}

Problem assignEeprom(AdapterSpec& adapter, std::string_view value) {
    const auto records = parseHexBytes(value);
    if (!records) return quoted("bad hexadecimal bytes", value);
    if (records->size() > kRecordSpace) return std::string("more than 256 EEPROM bytes");
    adapter.eepromRecords = *records;
    return std::nullopt;
}

Problem assignAdapter(AdapterSpec& adapter, std::string_view key, std::string_view value) {
    if (key == "name") return setText(adapter.name, value, kMaxText);
    if (key == "description") return setText(adapter.description, value, kMaxText);
    if (key == "instance") return setInstance(adapter.instanceId, value);
    if (key == "hardware_id") return setText(adapter.hardwareId, value, kMaxText);
    if (key == "wireless") return setBool(adapter.wireless, value);
    if (key == "mac") return setMac(adapter.mac, value);
    if (key == "driver_version") return setVersion(adapter.driverVersion, value);
    if (key == "firmware_version") return setVersion(adapter.firmwareVersion, value);
    if (key == "interface") return setText(adapter.interfaceName, value, kMaxText);
    if (key == "present") return setBool(adapter.present, value);
    if (key == "wzc") return setBool(adapter.wzcManaged, value);
    if (key == "eeprom_records") return assignEeprom(adapter, value);
    if (key == "channels") {
        const auto channels = parseChannelList(value);
        if (!channels) return quoted("bad channel list", value);
        adapter.channels = *channels;
        return std::nullopt;
    }
    return quoted("unknown key", key);
}

Problem assignStation(Station& station, std::string_view key, std::string_view value) {
    if (key == "ssid") {
        if (value.empty()) return std::string("empty SSID");
        return setText(station.ssid, value, kMaxSsid);
    }
    if (key == "bssid") return setMac(station.bssid, value);
    if (key == "channel") return setInteger(station.channel, value, kFirstChannel, kLastChannel);
    if (key == "signal_dbm") return setInteger(station.signalDbm, value, kWeakestDbm, 0);
    if (key == "wep") return setWepKey(station.wepKey, value);
    if (key == "mode") return setMode(station.mode, value);
    return quoted("unknown key", key);
}

Problem missingKeys(const std::set<std::string>& seen, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (!seen.contains(key)) return std::string("missing ") + key;
    return std::nullopt;
}

bool isKnownKind(std::string_view kind) {
    return kind == "system" || kind == "radio" || kind == "adapter" || kind == "station";
}

class Interpreter {
public:
    explicit Interpreter(std::string_view fileName) : fileName_(fileName) {}

    EnvironmentResult run(const EnvironmentDocument& document) {
        for (const DocumentSection& section : document.sections()) {
            if (!isKnownKind(section.kind))
                return failure(section.line, *quoted("unknown section", section.kind));
            seen_.clear();
            for (const DocumentEntry& entry : section.entries) {
                if (!seen_.insert(entry.key).second) return failure(entry.line, "duplicate key");
                if (auto problem = assign(section, entry)) return failure(entry.line, *problem);
            }
            if (auto problem = finish(section)) return failure(section.line, *problem);
        }
        return {environment_, {}};
    }

private:
    EnvironmentResult failure(int line, const std::string& problem) const {
        return {std::nullopt, fileName_ + ":" + std::to_string(line) + ": " + problem};
    }

    Problem assign(const DocumentSection& section, const DocumentEntry& entry) {
        if (section.kind == "system")
            return assignSystem(environment_.system, entry.key, entry.value);
        if (section.kind == "radio") return assignRadio(environment_.radio, entry.key, entry.value);
        if (section.kind == "adapter") return assignAdapter(adapter_, entry.key, entry.value);
        return assignStation(station_, entry.key, entry.value);
    }

    // Checks a section once all its lines are read, and starts the next record.
    Problem finish(const DocumentSection& section) {
        if (section.kind == "system" || section.kind == "radio") {
            if (!singletons_.insert(section.kind).second) return "second [" + section.kind + "]";
            return std::nullopt;
        }
        if (section.kind == "adapter") return finishAdapter(section.label);
        return finishStation();
    }

    Problem finishAdapter(const std::string& label) {
        AdapterSpec adapter = std::exchange(adapter_, {});
        if (label.empty()) return std::string("an adapter needs a label: [adapter LABEL]");
        if (auto problem = missingKeys(seen_, {"name", "description", "instance", "hardware_id"}))
            return problem;
        if (adapter.wireless && !seen_.contains("mac")) return std::string("missing mac");
        if (seen_.contains("channels") && seen_.contains("eeprom_records"))
            return std::string("channels and eeprom_records exclude each other");
        for (const AdapterSpec& other : environment_.adapters) {
            if (equalsIgnoreCase(other.label, label)) return quoted("second adapter", label);
            if (other.instanceId == adapter.instanceId)
                return quoted("second adapter with instance", adapter.instanceId);
        }
        adapter.label = label;
        environment_.adapters.push_back(std::move(adapter));
        return std::nullopt;
    }

    Problem finishStation() {
        Station station = std::exchange(station_, {});
        if (auto problem = missingKeys(seen_, {"ssid", "bssid", "channel", "signal_dbm"}))
            return problem;
        for (const Station& other : environment_.stations) {
            if (other.bssid == station.bssid)
                return quoted("second station with BSSID", formatMac(station.bssid));
        }
        environment_.stations.push_back(std::move(station));
        return std::nullopt;
    }

    std::string fileName_;
    Environment environment_;
    AdapterSpec adapter_;
    Station station_;
    std::set<std::string> seen_;
    std::set<std::string> singletons_;
};

}  // namespace

const Station* findStation(std::span<const Station> stations, const MacAddress& bssid) {
    const auto found = std::ranges::find(stations, bssid, &Station::bssid);
    return found == stations.end() ? nullptr : &*found;
}

EnvironmentResult interpretEnvironment(const EnvironmentDocument& document,
                                       std::string_view fileName) {
    return Interpreter(fileName).run(document);
}

EnvironmentResult parseEnvironment(std::string_view text, std::string_view fileName) {
    auto parsed = EnvironmentDocument::parse(text, fileName);
    if (!parsed.document) return {std::nullopt, parsed.error};
    return interpretEnvironment(*parsed.document, fileName);
}

std::optional<std::string> readTextFile(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot open: " + std::generic_category().message(errno);
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

EnvironmentResult loadEnvironmentFile(const std::string& path) {
    std::string error;
    const auto text = readTextFile(path, error);
    if (!text) return {std::nullopt, error};
    return parseEnvironment(*text, path);
}

}  // namespace nicapi
