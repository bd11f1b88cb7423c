// UTF-8 and UTF-16LE, for the regedit files of the "Windows Registry Editor Version 5.00" form:
// the store keeps 8-bit text (UTF-8 where it came from such a file), those files hold UTF-16LE.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace registry {

// UTF-16LE bytes as UTF-8. On an odd byte count or a surrogate without its pair, nullopt with
// `failedAt` set to the offset of the first byte that could not be converted.
std::optional<std::string> utf8FromUtf16le(std::string_view bytes, std::size_t& failedAt);
std::optional<std::string> utf8FromUtf16le(std::string_view bytes);

// UTF-8 text as UTF-16LE bytes; nullopt when the text is not well-formed UTF-8 (overlong forms,
// surrogates and code points past U+10FFFF included).
std::optional<std::string> utf16leFromUtf8(std::string_view text);

bool isUtf8(std::string_view text);
bool isAscii(std::string_view text);

}  // namespace registry
