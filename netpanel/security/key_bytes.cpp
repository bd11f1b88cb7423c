#include "security/key_bytes.h"

namespace netpanel {
namespace {

uint8_t hexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

}  // namespace

std::optional<KeyBytes> keyBytes(std::string_view text) {
    KeyBytes key;
    switch (text.size()) {
        case 5:
        case 13:
            for (size_t i = 0; i < text.size(); ++i)
                key.bytes[i] = static_cast<uint8_t>(text[i]);
            key.is128 = text.size() == 13;
            return key;
        case 10:
        case 26:
            for (size_t i = 0; i < text.size() / 2; ++i)
                key.bytes[i] =
                    static_cast<uint8_t>(hexDigit(text[2 * i]) << 4 | hexDigit(text[2 * i + 1]));
            key.is128 = text.size() == 26;
            return key;
        default:
            return std::nullopt;
    }
}

}  // namespace netpanel
