// The texts of the test dialogs' and the command's fields: hardware addresses typed as
// hexadecimal byte pairs, and numbers with their range messages.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace loopkit {

using MacBytes = std::array<uint8_t, 6>;

// Read left to right: hexadecimal digits in pairs, one byte each, at most six; a blank or tab
// ends a pair early (a lone digit is a byte by itself, also at the end of the text); any other
// character, or a seventh byte, ends the reading. Bytes not read are 0.
MacBytes parseAddressText(std::string_view text);
// "FF FF FF FF FF FF": two upper-case digits per byte, one blank between bytes.
std::string formatAddressText(const MacBytes& address);

// What a number field holds: read as atoi reads its first 19 characters (blanks, a sign, the
// digits up to the first other character; no digits is 0), without overflow.
long long readNumberField(std::string_view text);

// A number checked against its range: the value, or the message a dialog shows for it.
struct FieldValue {
    long long value = 0;
    std::string message;  // "Must >= 50", "Must <= 1500"; empty when in range
    bool ok() const { return message.empty(); }
};
FieldValue checkNumberField(std::string_view text, long long min, long long max);

}  // namespace loopkit
