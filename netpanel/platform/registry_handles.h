// Registry access through open key handles.
#pragma once

#include <registry/registry.h>

#include <cstdint>
#include <string>
#include <variant>

namespace netpanel {

// A value read from the registry: nothing, a string or a DWORD.
using RegValue = std::variant<std::monostate, std::string, uint32_t>;

// 0 when `valueName` exists under root\subKey as a string or DWORD and can be read; otherwise
// non-zero (the key cannot be opened, the value is missing or has another type).
int16_t CheckRegValue(HKEY root, const std::string& subKey, const std::string& valueName);

// Reads a string or DWORD value of an open key into `value`. 0 when read; the registry's error
// code when it is missing; -1 for other value types.
int32_t QueryValueEx(HKEY key, const std::string& valueName, RegValue& value);

// Deletes keyName under `parent` with all its subkeys; true when the whole tree is gone.
bool DeleteKeyTree(HKEY parent, const std::string& keyName);

}  // namespace netpanel
