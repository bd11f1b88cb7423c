// The simulated bus's configuration: where the instruments listen and what signal they see.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim {

// A pair of side lobes around the carrier, at carrier - offset and carrier + offset.
struct Sidelobe {
    double offsetMhz = 0;
    double belowDbc = 0;  // level of the lobe under the carrier frequency, relative to the carrier
    double aboveDbc = 0;  // level of the lobe over the carrier frequency, relative to the carrier
    bool operator==(const Sidelobe&) const = default;
};

struct Spur {
    double frequencyMhz = 0;
    double levelDbm = 0;
    bool operator==(const Spur&) const = default;
};

struct AnalyserConfig {
    int address = 20;
    double noiseDbm = -105;  // displayed noise at 1 MHz resolution bandwidth, 0 dB attenuation
    double carrierMhz = 2437;
    double carrierDbm = -20;
    std::vector<Sidelobe> sidelobes;
    std::vector<Spur> spurs;
    bool operator==(const AnalyserConfig&) const = default;
};

struct PowerMeterConfig {
    int address = 13;
    double powerDbm = 15.3;
    bool operator==(const PowerMeterConfig&) const = default;
};

struct SimConfig {
    AnalyserConfig analyser;
    PowerMeterConfig powerMeter;
    bool operator==(const SimConfig&) const = default;
};

// The configuration used when GPIBSIM_CONFIG is not set; equal to the shipped gpibsim.conf.
SimConfig defaultConfig();

// A configuration, or why there is none ("FILE:LINE: what is wrong" or "FILE: why").
struct ConfigResult {
    std::optional<SimConfig> config;
    std::string error;
};

// Parses a configuration text; keys it does not set keep their default values.
ConfigResult parseConfig(std::string_view text, std::string_view fileName);

ConfigResult loadConfigFile(const std::string& path);

// Loads the file named by path, or gives the defaults when path is null or empty.
ConfigResult loadConfig(const char* path);

}  // namespace gpibsim
