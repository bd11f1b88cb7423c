#include "environment_edit.h"

#include <sstream>

namespace nicapi {
namespace {

constexpr int kBssidAttempts = 1000;

bool namesAdapter(const AdapterSpec& adapter, std::string_view name) {
    return equalsIgnoreCase(adapter.label, name) || adapter.instanceId == name ||
           adapter.name == name;
}

// FNV-1a of the SSID and the attempt number.
uint32_t bssidHash(const std::string& ssid, int attempt) {
    uint32_t hash = 2166136261u;
    for (const char c : ssid + '#' + std::to_string(attempt))
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// 02:4B:56 (locally administered) and three bytes from the SSID, unused so far.
MacAddress newBssid(const Environment& environment, const std::string& ssid) {
    for (int attempt = 0; attempt < kBssidAttempts; ++attempt) {
        const uint32_t hash = bssidHash(ssid, attempt);
        const MacAddress bssid{0x02,
                               0x4B,
                               0x56,
                               static_cast<uint8_t>(hash),
                               static_cast<uint8_t>(hash >> 8),
                               static_cast<uint8_t>(hash >> 16)};
        if (!findStation(environment.stations, bssid)) return bssid;
    }
    return {};
}

KeyValues stationEntries(const Station& station) {
    KeyValues entries{{"ssid", station.ssid},
                      {"bssid", formatMac(station.bssid)},
                      {"channel", std::to_string(station.channel)},
                      {"signal_dbm", std::to_string(station.signalDbm)}};
    if (station.privacy()) entries.emplace_back("wep", formatHex(station.wepKey));
    if (station.mode == NetworkMode::kAdHoc) entries.emplace_back("mode", "adhoc");
    return entries;
}

std::string stationName(const Station& station) {
    return station.ssid + " (" + formatMac(station.bssid) + ")";
}

}  // namespace

std::optional<EnvironmentEditor> EnvironmentEditor::load(std::string_view text,
                                                         std::string fileName, std::string& error) {
    auto parsed = EnvironmentDocument::parse(text, fileName);
    if (!parsed.document) {
        error = parsed.error;
        return std::nullopt;
    }
    const EnvironmentResult result = interpretEnvironment(*parsed.document, fileName);
    if (!result.environment) {
        error = result.error;
        return std::nullopt;
    }
    return EnvironmentEditor(std::move(*parsed.document), std::move(fileName));
}

Environment EnvironmentEditor::environment() const {
    return *interpretEnvironment(document_, fileName_).environment;
}

std::size_t EnvironmentEditor::sectionOf(std::string_view kind, std::size_t n) const {
    const auto sections = document_.sections();
    for (std::size_t i = 0; i < sections.size(); ++i)
        if (sections[i].kind == kind && n-- == 0) return i;
    return sections.size();
}

std::optional<std::size_t> EnvironmentEditor::findAdapter(const Environment& environment,
                                                          std::string_view name, Pick pick,
                                                          std::string& problem) const {
    const auto& adapters = environment.adapters;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const AdapterSpec& adapter = adapters[i];
        if (!name.empty() ? namesAdapter(adapter, name)
                          : adapter.wireless && (pick == Pick::kFirst ||
                                                 adapter.present == (pick == Pick::kFirstIn)))
            return i;
    }
    if (!name.empty()) {
        problem = "no adapter \"" + std::string(name) + "\"";
    } else {
        problem = pick == Pick::kFirstIn    ? "no wireless adapter is plugged in"
                  : pick == Pick::kFirstOut ? "every wireless adapter is plugged in"
                                            : "no wireless adapter";
    }
    return std::nullopt;
}

std::optional<std::size_t> EnvironmentEditor::findStation(const Environment& environment,
                                                          std::string_view name,
                                                          std::string& problem) const {
    const auto& stations = environment.stations;
    if (const auto bssid = parseMac(name)) {
        const Station* station = nicapi::findStation(stations, *bssid);
        if (station) return static_cast<std::size_t>(station - stations.data());
        problem = "no station with BSSID " + formatMac(*bssid);
        return std::nullopt;
    }
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        if (stations[i].ssid != name) continue;
        if (found) {
            problem = "more than one station has the SSID \"" + std::string(name) +
                      "\"; name it by its BSSID";
            return std::nullopt;
        }
        found = i;
    }
    if (!found) problem = "no station with the SSID \"" + std::string(name) + "\"";
    return found;
}

EditResult EnvironmentEditor::commit(EnvironmentDocument before, std::string message) {
    const EnvironmentResult result = interpretEnvironment(document_, fileName_);
    if (result.environment) return {true, std::move(message)};
    document_ = std::move(before);
    return {false, result.error};
}

EditResult EnvironmentEditor::setPresent(std::string_view name, bool present) {
    const Environment current = environment();
    std::string problem;
    const auto index =
        findAdapter(current, name, present ? Pick::kFirstOut : Pick::kFirstIn, problem);
    if (!index) return {false, problem};
    const AdapterSpec& adapter = current.adapters[*index];
    EnvironmentDocument before = document_;
    document_.setValue(sectionOf("adapter", *index), "present", present ? "yes" : "no");
    return commit(std::move(before), adapter.label + (present ? " plugged in" : " pulled out"));
}

EditResult EnvironmentEditor::pull(std::string_view adapter) {
    return setPresent(adapter, false);
}

EditResult EnvironmentEditor::insert(std::string_view adapter) {
    return setPresent(adapter, true);
}

EditResult EnvironmentEditor::setWzc(std::string_view name, bool managed) {
    const Environment current = environment();
    std::string problem;
    const auto index = findAdapter(current, name, Pick::kFirst, problem);
    if (!index) return {false, problem};
    EnvironmentDocument before = document_;
    document_.setValue(sectionOf("adapter", *index), "wzc", managed ? "yes" : "no");
    return commit(std::move(before),
                  current.adapters[*index].label + (managed ? " taken by the wireless service"
                                                            : " released by the wireless service"));
}

EditResult EnvironmentEditor::setSignal(std::string_view name, int signalDbm) {
    const Environment current = environment();
    std::string problem;
    const auto index = findStation(current, name, problem);
    if (!index) return {false, problem};
    EnvironmentDocument before = document_;
    document_.setValue(sectionOf("station", *index), "signal_dbm", std::to_string(signalDbm));
    return commit(std::move(before), stationName(current.stations[*index]) + " now at " +
                                         std::to_string(signalDbm) + " dBm");
}

EditResult EnvironmentEditor::addStation(Station station) {
    const Environment current = environment();
    if (station.bssid == MacAddress{}) station.bssid = newBssid(current, station.ssid);
    EnvironmentDocument before = document_;
    document_.appendSection("station", stationEntries(station));
    return commit(std::move(before), stationName(station) + " added");
}

EditResult EnvironmentEditor::removeStation(std::string_view name) {
    const Environment current = environment();
    std::string problem;
    const auto index = findStation(current, name, problem);
    if (!index) return {false, problem};
    EnvironmentDocument before = document_;
    document_.removeSection(sectionOf("station", *index));
    return commit(std::move(before), stationName(current.stations[*index]) + " removed");
}

std::string describeEnvironment(const Environment& environment) {
    std::ostringstream text;
    text << "system: windows95 " << (environment.system.windows95 ? "yes" : "no") << ", os_version "
         << environment.system.osVersion << ", join delay " << environment.radio.joinDelayMs
         << " ms\n";
    for (const AdapterSpec& adapter : environment.adapters) {
        text << "adapter " << adapter.label << ": " << adapter.instanceId << ' '
             << adapter.hardwareId << ", " << (adapter.present ? "plugged in" : "pulled out");
        if (adapter.wireless) {
            text << ", wireless service " << (adapter.wzcManaged ? "manages it" : "not in charge");
        } else {
            text << ", wired";
        }
        text << " - " << adapter.description << '\n';
    }
    for (const Station& station : environment.stations) {
        text << "station " << station.ssid << ": " << formatMac(station.bssid) << ", channel "
             << station.channel << ", " << station.signalDbm << " dBm, "
             << (station.privacy() ? "WEP" : "open") << ", "
             << (station.mode == NetworkMode::kAdHoc ? "ad hoc" : "infrastructure") << '\n';
    }
    return text.str();
}

}  // namespace nicapi
