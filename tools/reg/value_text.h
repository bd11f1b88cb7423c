// Values as reg shows them and as it takes them from the command line.
#pragma once

#include <registry/registry.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace regtool {

// "REG_SZ", "REG_DWORD", ...; "0x…" for a type without a name.
std::string typeName(DWORD type);

// The type a name given to /t stands for (any case), or nullopt.
std::optional<DWORD> typeFromName(std::string_view name);

// The data as reg query shows it: texts as they are, numbers as 0x…, REG_MULTI_SZ strings
// joined with \0, other bytes as hex digits.
std::string displayData(DWORD type, const std::vector<BYTE>& data);

// The bytes to store for the /d text of a value of `type`: texts with their NUL, numbers in
// decimal or after 0x in hex, REG_BINARY as pairs of hex digits, REG_MULTI_SZ split at
// `separator` (at "\0" without one). Nullopt when the text does not fit the type.
std::optional<std::vector<BYTE>> encodeData(DWORD type, std::string_view text,
                                            const std::optional<std::string>& separator);

}  // namespace regtool
