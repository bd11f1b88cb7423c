// Whether the registry's hives can be read, checked once at start-up: a hive that cannot be
// parsed or read would otherwise leave every registry call of the utility failing quietly.
#pragma once

#include <optional>
#include <string>

namespace netpanel {

// The first hive (HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE) that cannot be read, as the
// registry reports it: "FILE:LINE: what is wrong" for a file that cannot be parsed, "FILE: what
// failed" for one that cannot be read. Nothing when both can be read (a missing file is an empty
// hive). The files are left as they are.
std::optional<std::string> unreadableHive();

}  // namespace netpanel
