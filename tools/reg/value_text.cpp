#include "value_text.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "command_line.h"

namespace regtool {
namespace {

constexpr std::array<const char*, 12> kTypeNames = {
    "REG_NONE",
    "REG_SZ",
    "REG_EXPAND_SZ",
    "REG_BINARY",
    "REG_DWORD",
    "REG_DWORD_BIG_ENDIAN",
    "REG_LINK",
    "REG_MULTI_SZ",
    "REG_RESOURCE_LIST",
    "REG_FULL_RESOURCE_DESCRIPTOR",
    "REG_RESOURCE_REQUIREMENTS_LIST",
    "REG_QWORD",
};

// The types reg add takes.
constexpr std::array<DWORD, 6> kAddableTypes = {REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ,
                                                REG_DWORD, REG_QWORD,     REG_BINARY};

std::string hex(std::uint64_t number) {
    std::array<char, 17> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number, 16).ptr;
    return "0x" + std::string(digits.data(), end);
}

// Little-endian bytes as a number; big-endian with `bigEndian`.
std::uint64_t numberOf(const std::vector<BYTE>& data, bool bigEndian = false) {
    std::uint64_t number = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::size_t shift = bigEndian ? data.size() - 1 - i : i;
        number |= static_cast<std::uint64_t>(data[i]) << (8 * shift);
    }
    return number;
}

std::string upperHex(const std::vector<BYTE>& data) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const BYTE byte : data) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xf];
    }
    return text;
}

std::string textUpToNul(const std::vector<BYTE>& data) {
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

std::string multiText(const std::vector<BYTE>& data) {
    std::string all(data.begin(), data.end());
    while (!all.empty() && all.back() == '\0')
        all.pop_back();
    std::string shown;
    for (const char c : all)
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return shown;
}

std::optional<std::uint64_t> parseNumber(std::string_view text, std::uint64_t limit) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        number > limit) {
        return std::nullopt;
    }
    return number;
}

std::vector<BYTE> littleEndian(std::uint64_t number, std::size_t size) {
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>(number >> (8 * i));
    return bytes;
}

std::optional<std::vector<BYTE>> parseHexBytes(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2) return std::nullopt;
        bytes.push_back(static_cast<BYTE>(value));
    }
    return bytes;
}

std::optional<std::vector<BYTE>> multiBytes(std::string_view text,
                                            const std::optional<std::string>& separator) {
    const std::string_view split = separator ? std::string_view(*separator) : "\\0";
    if (split.empty() || (separator && split.size() != 1)) return std::nullopt;
    std::vector<BYTE> bytes;
    while (true) {
        const std::size_t at = text.find(split);
        const std::string_view item = text.substr(0, at);
        bytes.insert(bytes.end(), item.begin(), item.end());
        bytes.push_back(0);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + split.size());
    }
    bytes.push_back(0);
    return bytes;
}

}  // namespace

std::string typeName(DWORD type) {
    return type < kTypeNames.size() ? kTypeNames[type] : hex(type);
}

std::optional<DWORD> typeFromName(std::string_view name) {
    for (const DWORD type : kAddableTypes) {
        if (sameNameIgnoringCase(name, kTypeNames[type])) return type;
    }
    return std::nullopt;
}

std::string displayData(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
        case REG_LINK:
            return textUpToNul(data);
        case REG_MULTI_SZ:
            return multiText(data);
        case REG_DWORD:
        case REG_QWORD:
            return data.size() == (type == REG_DWORD ? 4u : 8u) ? hex(numberOf(data))
                                                                : upperHex(data);
        case REG_DWORD_BIG_ENDIAN:
            return data.size() == 4 ? hex(numberOf(data, true)) : upperHex(data);
        default:
            return upperHex(data);
    }
}

std::optional<std::vector<BYTE>> encodeData(DWORD type, std::string_view text,
                                            const std::optional<std::string>& separator) {
    if (separator && type != REG_MULTI_SZ) return std::nullopt;
    switch (type) {
        case REG_DWORD:
        case REG_QWORD: {
            const bool dword = type == REG_DWORD;
            const auto number = text.empty() ? std::optional<std::uint64_t>(0)
                                             : parseNumber(text, dword ? UINT32_MAX : UINT64_MAX);
            if (!number) return std::nullopt;
            return littleEndian(*number, dword ? 4 : 8);
        }
        case REG_BINARY:
            return parseHexBytes(text);
        case REG_MULTI_SZ:
            return multiBytes(text, separator);
        default: {  // REG_SZ, REG_EXPAND_SZ
            std::vector<BYTE> bytes(text.begin(), text.end());
            bytes.push_back(0);
            return bytes;
        }
    }
}

}  // namespace regtool
