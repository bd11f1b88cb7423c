// The value syntax of the environment file: numbers, yes/no, MAC addresses, hexadecimal bytes,
// channel lists and dotted versions. Shared by the library and nicapi-sim.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nicapi {

using MacAddress = std::array<uint8_t, 6>;
using Version = std::array<uint8_t, 4>;

// Channels 1..14 as bits: bit c-1 allows channel c.
using ChannelSet = uint16_t;

inline constexpr int kFirstChannel = 1;
inline constexpr int kLastChannel = 14;

inline bool hasChannel(ChannelSet set, int channel) {
    return channel >= kFirstChannel && channel <= kLastChannel && (set >> (channel - 1) & 1) != 0;
}

std::string_view trim(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toLower(std::string_view text);

// Decimal, or hexadecimal after "0x"; an optional leading '-'.
std::optional<long long> parseInteger(std::string_view text);

// yes/no, true/false, on/off, 1/0.
std::optional<bool> parseBool(std::string_view text);

// Six hexadecimal pairs separated by ':' or '-'.
std::optional<MacAddress> parseMac(std::string_view text);
std::string formatMac(const MacAddress& mac);

// Pairs of hexadecimal digits; blanks may separate the pairs.
std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view text);
std::string formatHex(std::span<const uint8_t> bytes);

// "1-11", "1,6,11", "1-13,14": channels 1..14.
std::optional<ChannelSet> parseChannelList(std::string_view text);
std::string formatChannelList(ChannelSet channels);

// "1.2.10.0": four numbers 0..255.
std::optional<Version> parseVersion(std::string_view text);
std::string formatVersion(const Version& version);

}  // namespace nicapi
