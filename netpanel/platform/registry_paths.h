// Registry access by full path, the way the utility's settings code writes it:
// "HKEY_CURRENT_USER\Software\...\Name" names a value, a path ending in "\" names a key.
// Roots may be written long or short (HKEY_CURRENT_USER or HKCU). Failures are silent: a read of
// a missing value gives "", a failed write or delete changes nothing.
#pragma once

#include <cstdint>
#include <string>

namespace netpanel {

// The value as text: a string as it is, a DWORD as its decimal digits; "" when missing.
std::string RegReadValue(const std::string& path);
// Writes a string value, creating missing keys on the way.
void RegWriteString(const std::string& path, const std::string& text);
// Writes a DWORD value (the 16-bit value, sign-extended), creating missing keys on the way.
void RegWriteDword(const std::string& path, int16_t value);
// A wider number must be checked against the 16-bit range first: it would wrap silently.
template <class Number>
void RegWriteDword(const std::string& path, Number value) = delete;
// Deletes the value, or the key when the path ends in "\" (a key with subkeys stays).
void RegDeletePath(const std::string& path);

}  // namespace netpanel
