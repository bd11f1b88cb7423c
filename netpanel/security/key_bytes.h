// The bytes of a WEP key as the adapter takes them, from the key's text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace netpanel {

// A key as VBSetWLWriteKey takes it: up to 13 bytes in a 26-byte block, the rest zero.
struct KeyBytes {
    std::array<uint8_t, 26> bytes{};
    bool is128 = false;  // 13 key bytes rather than 5
};

// 5 or 13 characters: the character codes. 10 or 26 characters: successive pairs of
// hexadecimal digits, either case; a character that is no hexadecimal digit reads as 0.
// Any other length is no key.
std::optional<KeyBytes> keyBytes(std::string_view text);

}  // namespace netpanel
