// The manual of loopkit (--help) and the hint after a usage error.
#pragma once

#include <optional>
#include <string>

#include "command_line.h"

namespace loopkit_cli {

// The whole manual, or the part of one mode (NAME, SYNOPSIS, DESCRIPTION, OPTIONS, OUTPUT,
// EXIT STATUS, EXAMPLES).
std::string manual(std::optional<Mode> mode);

// "Try 'loopkit tx --help'." for the mode, as far as it was read.
std::string helpHint(std::optional<Mode> mode);

}  // namespace loopkit_cli
