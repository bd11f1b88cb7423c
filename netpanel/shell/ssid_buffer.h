// The 33-byte SSID buffers the adapter library fills.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace netpanel {

using SsidBuffer = std::array<char, 33>;

// The text up to the first NUL (all 33 characters without one).
std::string textToNul(const SsidBuffer& buffer);
// True while the library wrote nothing but NULs.
bool allNul(const SsidBuffer& buffer);
// All 33 characters with leading and trailing blanks removed (NULs are not blanks).
std::string trimBlanks(const SsidBuffer& buffer);
// The configured SSID as the window shows it: the text up to the first NUL, or "Any" when 33
// characters remain after trimming (a buffer the library filled without a NUL). A 32-character
// SSID shows as itself.
std::string configuredSsidText(const SsidBuffer& buffer);

}  // namespace netpanel
