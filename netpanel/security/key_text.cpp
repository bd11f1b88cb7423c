#include "security/key_text.h"

namespace netpanel {
namespace {

// The code points of UTF-8 text; nothing when it is no valid UTF-8.
std::optional<std::u32string> decodeUtf8(std::string_view text) {
    std::u32string result;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = -1;  // continuation bytes after the lead byte
        if (lead < 0x80)
            extra = 0;
        else if ((lead >> 5) == 0x6)
            extra = 1;
        else if ((lead >> 4) == 0xE)
            extra = 2;
        else if ((lead >> 3) == 0x1E)
            extra = 3;
        if (extra < 0 || i + extra >= text.size()) return std::nullopt;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = code << 6 | (next & 0x3F);
        }
        result += code;
        i += extra + 1;
    }
    return result;
}

}  // namespace

std::optional<std::string> latin1Key(std::string_view typed) {
    const std::optional<std::u32string> codes = decodeUtf8(typed);
    if (!codes) return std::string(typed);
    std::string key;
    for (char32_t code : *codes) {
        if (code > 0xFF) return std::nullopt;
        key += static_cast<char>(code);
    }
    return key;
}

bool isKeyMask(std::string_view text) {
    const size_t n = text.size();
    return (n == 5 || n == 10 || n == 13 || n == 14 || n == 26) &&
           text.find_first_not_of('*') == std::string_view::npos;
}

std::string keyMask(int length) {
    return std::string(static_cast<size_t>(length), '*');
}

}  // namespace netpanel
