#include "field_text.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace loopkit {
namespace {

constexpr size_t kNumberFieldChars = 19;
constexpr size_t kMaxHexBytes = 6;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

MacBytes parseAddressText(std::string_view text) {
    MacBytes bytes{};
    size_t count = 0;
    int pending = -1;  // the first digit of a pair, when one was read
    auto flush = [&] {
        if (pending >= 0 && count < kMaxHexBytes) bytes[count++] = static_cast<uint8_t>(pending);
        pending = -1;
    };
    for (char c : text) {
        if (count == kMaxHexBytes) break;
        const int digit = hexValue(c);
        if (digit >= 0) {
            if (pending < 0) {
                pending = digit;
            } else {
                bytes[count++] = static_cast<uint8_t>(pending << 4 | digit);
                pending = -1;
            }
        } else if (isBlank(c)) {
            flush();
        } else {
            break;
        }
    }
    flush();
    return bytes;
}

std::string formatAddressText(const MacBytes& address) {
    char text[3 * 6];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", address[0], address[1],
                  address[2], address[3], address[4], address[5]);
    return text;
}

long long readNumberField(std::string_view text) {
    text = text.substr(0, kNumberFieldChars);
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    unsigned long long digits = 0;  // 19 digits at most: within 64 bits
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        digits = digits * 10 + static_cast<unsigned>(text[at] - '0');
    const long long value = static_cast<long long>(std::min<unsigned long long>(digits, LLONG_MAX));
    return negative ? -value : value;
}

FieldValue checkNumberField(std::string_view text, long long min, long long max) {
    FieldValue field{readNumberField(text), {}};
    if (field.value < min) field.message = "Must >= " + std::to_string(min);
    if (field.value > max) field.message = "Must <= " + std::to_string(max);
    return field;
}

}  // namespace loopkit
