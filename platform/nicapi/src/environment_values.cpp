#include "environment_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace nicapi {
namespace {

std::optional<int> hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return std::nullopt;
}

std::optional<uint8_t> hexPair(std::string_view text) {
    if (text.size() != 2) return std::nullopt;
    const auto high = hexDigit(text[0]);
    const auto low = hexDigit(text[1]);
    if (!high || !low) return std::nullopt;
    return static_cast<uint8_t>(*high * 16 + *low);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto end = text.find(separator);
        parts.push_back(trim(text.substr(0, end)));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

std::optional<int> parseChannel(std::string_view text) {
    const auto number = parseInteger(text);
    if (!number || *number < kFirstChannel || *number > kLastChannel) return std::nullopt;
    return static_cast<int>(*number);
}

}  // namespace

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string toLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::optional<long long> parseInteger(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative) text.remove_prefix(1);
    if (text.starts_with('-') || text.starts_with('+')) return std::nullopt;
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return negative ? -value : value;
}

std::optional<bool> parseBool(std::string_view text) {
    for (const char* yes : {"yes", "true", "on", "1"})
        if (equalsIgnoreCase(text, yes)) return true;
    for (const char* no : {"no", "false", "off", "0"})
        if (equalsIgnoreCase(text, no)) return false;
    return std::nullopt;
}

std::optional<MacAddress> parseMac(std::string_view text) {
    const char separator = text.find('-') != std::string_view::npos ? '-' : ':';
    const auto parts = split(text, separator);
    if (parts.size() != 6) return std::nullopt;
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const auto byte = hexPair(parts[i]);
        if (!byte) return std::nullopt;
        mac[i] = *byte;
    }
    return mac;
}

std::string formatMac(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::optional<std::vector<uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    while (!(text = trim(text)).empty()) {
        const auto byte = text.size() >= 2 ? hexPair(text.substr(0, 2)) : std::nullopt;
        if (!byte) return std::nullopt;
        bytes.push_back(*byte);
        text.remove_prefix(2);
    }
    return bytes;
}

std::string formatHex(std::span<const uint8_t> bytes) {
    std::string text;
    for (const uint8_t byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

std::optional<ChannelSet> parseChannelList(std::string_view text) {
    ChannelSet channels = 0;
    for (const auto part : split(text, ',')) {
        const auto dash = part.find('-');
        const auto first = parseChannel(part.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : parseChannel(part.substr(dash + 1));
        if (!first || !last || *last < *first) return std::nullopt;
        for (int channel = *first; channel <= *last; ++channel)
            channels |= static_cast<ChannelSet>(1u << (channel - 1));
    }
    return channels;
}

std::string formatChannelList(ChannelSet channels) {
    std::string text;
    for (int channel = kFirstChannel; channel <= kLastChannel; ++channel) {
        if (!hasChannel(channels, channel)) continue;
        int last = channel;
        while (hasChannel(channels, last + 1))
            ++last;
        if (!text.empty()) text += ',';
        text += std::to_string(channel);
        if (last > channel) text += '-' + std::to_string(last);
        channel = last;
    }
    return text;
}

std::optional<Version> parseVersion(std::string_view text) {
    const auto parts = split(text, '.');
    if (parts.size() != 4) return std::nullopt;
    Version version{};
    for (std::size_t i = 0; i < version.size(); ++i) {
        const auto number = parseInteger(parts[i]);
        if (!number || *number < 0 || *number > 255) return std::nullopt;
        version[i] = static_cast<uint8_t>(*number);
    }
    return version;
}

std::string formatVersion(const Version& version) {
    return std::to_string(version[0]) + '.' + std::to_string(version[1]) + '.' +
           std::to_string(version[2]) + '.' + std::to_string(version[3]);
}

}  // namespace nicapi
