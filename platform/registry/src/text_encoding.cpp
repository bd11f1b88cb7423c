#include "text_encoding.h"

#include <algorithm>
#include <cstdint>

namespace registry {
namespace {

constexpr char32_t kHighSurrogateFirst = 0xd800;
constexpr char32_t kLowSurrogateFirst = 0xdc00;
constexpr char32_t kSurrogateEnd = 0xe000;
constexpr char32_t kLastCodePoint = 0x10ffff;
constexpr char32_t kFirstSupplementary = 0x10000;

void appendUtf8(std::string& out, char32_t c) {
    const auto put = [&out](char32_t byte) { out += static_cast<char>(byte); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xc0 | c >> 6);
        put(0x80 | (c & 0x3f));
    } else if (c < kFirstSupplementary) {
        put(0xe0 | c >> 12);
        put(0x80 | (c >> 6 & 0x3f));
        put(0x80 | (c & 0x3f));
    } else {
        put(0xf0 | c >> 18);
        put(0x80 | (c >> 12 & 0x3f));
        put(0x80 | (c >> 6 & 0x3f));
        put(0x80 | (c & 0x3f));
    }
}

void appendUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xff);
    out += static_cast<char>(unit >> 8);
}

// The code point at `at` and the bytes it takes; nullopt for ill-formed UTF-8.
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return std::pair<char32_t, std::size_t>(lead, 1);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2, c = lead & 0x1f, least = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, c = lead & 0x0f, least = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, c = lead & 0x07, least = kFirstSupplementary;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80) return std::nullopt;
        c = c << 6 | (byte(i) & 0x3f);
    }
    const bool surrogate = c >= kHighSurrogateFirst && c < kSurrogateEnd;
    if (c < least || c > kLastCodePoint || surrogate) return std::nullopt;
    return std::pair(c, length);
}

}  // namespace

std::optional<std::string> utf8FromUtf16le(std::string_view bytes, std::size_t& failedAt) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&bytes](std::size_t i) {
        return static_cast<char32_t>(static_cast<std::uint8_t>(bytes[i]) |
                                     static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (c >= kLowSurrogateFirst && c < kSurrogateEnd) break;
        if (c >= kHighSurrogateFirst && c < kLowSurrogateFirst) {
            if (i + 3 >= bytes.size()) break;
            const char32_t low = unitAt(i + 2);
            if (low < kLowSurrogateFirst || low >= kSurrogateEnd) break;
            c = kFirstSupplementary + ((c - kHighSurrogateFirst) << 10) +
                (low - kLowSurrogateFirst);
            i += 2;
        }
        appendUtf8(out, c);
    }
    if (i < bytes.size()) {
        failedAt = i;
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> utf8FromUtf16le(std::string_view bytes) {
    std::size_t ignored = 0;
    return utf8FromUtf16le(bytes, ignored);
}

std::optional<std::string> utf16leFromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto decoded = decodeUtf8(text, i);
        if (!decoded) return std::nullopt;
        const auto [c, length] = *decoded;
        if (c >= kFirstSupplementary) {
            appendUnit(out, kHighSurrogateFirst + ((c - kFirstSupplementary) >> 10));
            appendUnit(out, kLowSurrogateFirst + ((c - kFirstSupplementary) & 0x3ff));
        } else {
            appendUnit(out, c);
        }
        i += length;
    }
    return out;
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto decoded = decodeUtf8(text, i);
        if (!decoded) return false;
        i += decoded->second;
    }
    return true;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<std::uint8_t>(c) < 0x80; });
}

}  // namespace registry
