// WEP key texts as the adapter takes them: 8-bit characters (Latin-1).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace netpanel {

// The key a person typed, as 8-bit characters. Typed text arrives as UTF-8: each character must
// have a Latin-1 code, else there is none. Text that is no UTF-8 is taken byte for byte.
std::optional<std::string> latin1Key(std::string_view typed);

// Whether `text` is one of the masks the key boxes show in place of a key (5, 10, 13, 14 or 26
// asterisks): such a box still holds the key it had.
bool isKeyMask(std::string_view text);

// The mask for a key of `length` characters.
std::string keyMask(int length);

}  // namespace netpanel
