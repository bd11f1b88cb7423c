#include "sim_config.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace gpibsim {
namespace {

constexpr int kMaxAddress = 30;

using Problem = std::optional<std::string>;

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> splitWords(std::string_view text) {
    std::vector<std::string_view> words;
    while (!(text = trim(text)).empty()) {
        const auto end = std::min(text.find_first_of(" \t"), text.size());
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

std::optional<double> toNumber(std::string_view word) {
    if (word.starts_with('+')) word.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Parses a value made of `count` numbers into `out`.
Problem toNumbers(std::string_view key, std::string_view value, std::size_t count,
                  std::vector<double>& out) {
    const auto words = splitWords(value);
    if (words.size() != count) {
        return std::string(key) + " needs " + std::to_string(count) + " number" +
               (count == 1 ? "" : "s") + ", got \"" + std::string(value) + "\"";
    }
    out.clear();
    for (const auto word : words) {
        const auto number = toNumber(word);
        if (!number) return "bad number \"" + std::string(word) + "\" for " + std::string(key);
        out.push_back(*number);
    }
    return std::nullopt;
}

enum class Section { kNone, kAnalyser, kPowerMeter };

class ConfigParser {
public:
    explicit ConfigParser(std::string_view fileName) : fileName_(fileName) {}

    ConfigResult parse(std::string_view text) {
        int lineNumber = 0;
        while (!text.empty()) {
            const auto end = std::min(text.find('\n'), text.size());
            ++lineNumber;
            if (auto problem = parseLine(text.substr(0, end))) return failure(lineNumber, *problem);
            text.remove_prefix(std::min(end + 1, text.size()));
            if (auto problem = checkAddresses()) return failure(lineNumber, *problem);
        }
        return {config_, {}};
    }

private:
    ConfigResult failure(int lineNumber, const std::string& problem) const {
        return {std::nullopt, fileName_ + ":" + std::to_string(lineNumber) + ": " + problem};
    }

    Problem parseLine(std::string_view line) {
        line = trim(line.substr(0, line.find('#')));
        if (line.empty()) return std::nullopt;
        if (line.starts_with('[')) return parseSection(line);
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) return "missing '=' in \"" + std::string(line) + "\"";
        const auto key = trim(line.substr(0, equals));
        const auto value = trim(line.substr(equals + 1));
        if (key.empty()) return std::string("missing key before '='");
        if (value.empty()) return "missing value for " + std::string(key);
        return assign(key, value);
    }

    Problem parseSection(std::string_view line) {
        if (!line.ends_with(']')) return "missing ']' in \"" + std::string(line) + "\"";
        const auto name = trim(line.substr(1, line.size() - 2));
        if (name == "analyser") {
            section_ = Section::kAnalyser;
        } else if (name == "powermeter") {
            section_ = Section::kPowerMeter;
        } else {
            return "unknown section [" + std::string(name) + "]";
        }
        return std::nullopt;
    }

    Problem assign(std::string_view key, std::string_view value) {
        switch (section_) {
            case Section::kAnalyser:
                return assignAnalyser(key, value);
            case Section::kPowerMeter:
                return assignPowerMeter(key, value);
            case Section::kNone:
                break;
        }
        return std::string(key) + " outside a section";
    }

    Problem assignAnalyser(std::string_view key, std::string_view value) {
        auto& analyser = config_.analyser;
        if (key == "address") return setAddress(analyser.address, key, value);
        if (key == "noise_dbm") return setOnce(analyser.noiseDbm, key, value);
        if (key == "carrier_mhz") return setFrequency(analyser.carrierMhz, key, value);
        if (key == "carrier_dbm") return setOnce(analyser.carrierDbm, key, value);
        if (key == "sidelobe") return addSidelobe(value);
        if (key == "spur") return addSpur(value);
        return "unknown key \"" + std::string(key) + "\" in [analyser]";
    }

    Problem assignPowerMeter(std::string_view key, std::string_view value) {
        auto& meter = config_.powerMeter;
        if (key == "address") return setAddress(meter.address, key, value);
        if (key == "power_dbm") return setOnce(meter.powerDbm, key, value);
        return "unknown key \"" + std::string(key) + "\" in [powermeter]";
    }

    Problem claim(std::string_view key) {
        const auto name = std::to_string(static_cast<int>(section_)) + std::string(key);
        if (!seen_.insert(name).second) return "duplicate key " + std::string(key);
        return std::nullopt;
    }

    Problem setOnce(double& target, std::string_view key, std::string_view value) {
        if (auto problem = claim(key)) return problem;
        std::vector<double> numbers;
        if (auto problem = toNumbers(key, value, 1, numbers)) return problem;
        target = numbers[0];
        return std::nullopt;
    }

    Problem setFrequency(double& target, std::string_view key, std::string_view value) {
        if (auto problem = setOnce(target, key, value)) return problem;
        if (target < 0) return std::string(key) + " must not be negative";
        return std::nullopt;
    }

    Problem setAddress(int& target, std::string_view key, std::string_view value) {
        if (auto problem = claim(key)) return problem;
        int address = -1;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), address);
        if (ec != std::errc() || end != value.data() + value.size() || address < 0 ||
            address > kMaxAddress) {
            return "bad address \"" + std::string(value) + "\" (0..30)";
        }
        target = address;
        addressGiven_ = true;
        return std::nullopt;
    }

    // The first line of a repeatable key replaces the default list; "none" leaves it empty.
    template <typename Item>
    bool startList(std::vector<Item>& list, bool& started, std::string_view value) {
        if (!started) list.clear();
        started = true;
        return value == "none";
    }

    Problem addSidelobe(std::string_view value) {
        if (startList(config_.analyser.sidelobes, sidelobesStarted_, value)) return std::nullopt;
        std::vector<double> numbers;
        if (auto problem = toNumbers("sidelobe", value, 3, numbers)) return problem;
        if (numbers[0] <= 0) return std::string("sidelobe offset must be positive");
        config_.analyser.sidelobes.push_back({numbers[0], numbers[1], numbers[2]});
        return std::nullopt;
    }

    Problem addSpur(std::string_view value) {
        if (startList(config_.analyser.spurs, spursStarted_, value)) return std::nullopt;
        std::vector<double> numbers;
        if (auto problem = toNumbers("spur", value, 2, numbers)) return problem;
        if (numbers[0] < 0) return std::string("spur frequency must not be negative");
        config_.analyser.spurs.push_back({numbers[0], numbers[1]});
        return std::nullopt;
    }

    Problem checkAddresses() {
        if (!addressGiven_) return std::nullopt;
        addressGiven_ = false;
        if (config_.analyser.address != config_.powerMeter.address) return std::nullopt;
        return "analyser and power meter both at address " +
               std::to_string(config_.analyser.address);
    }

    std::string fileName_;
    SimConfig config_ = defaultConfig();
    Section section_ = Section::kNone;
    std::set<std::string> seen_;
    bool sidelobesStarted_ = false;
    bool spursStarted_ = false;
    bool addressGiven_ = false;
};

}  // namespace

SimConfig defaultConfig() {
    SimConfig config;
    config.analyser.sidelobes = {{11, -33.5, -32.0}, {22, -54.0, -53.2}};
    config.analyser.spurs = {{4874, -62}};
    return config;
}

ConfigResult parseConfig(std::string_view text, std::string_view fileName) {
    return ConfigParser(fileName).parse(text);
}

ConfigResult loadConfigFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {std::nullopt, path + ": cannot open: " + std::generic_category().message(errno)};
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parseConfig(text.str(), path);
}

ConfigResult loadConfig(const char* path) {
    if (path == nullptr || *path == '\0') return {defaultConfig(), {}};
    return loadConfigFile(path);
}

}  // namespace gpibsim
