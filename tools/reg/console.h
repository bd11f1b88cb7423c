// What reg says: its messages, the questions it asks and its exit statuses.
#pragma once

#include <registry/registry.h>

#include <string>

#include "command_line.h"

namespace regtool {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

// "The operation completed successfully." on standard output.
int succeeded();

// "ERROR: MESSAGE" on standard error.
int failed(const std::string& message);

// The message of a registry result.
int failedWith(LONG status);

// "ERROR: Invalid syntax." with the hint to the operation's usage.
int invalidSyntax(const std::optional<Operation>& operation);

// "ERROR: Invalid key name." with the hint to the operation's usage.
int invalidKeyName(Operation operation);

// Asks on standard output and reads the answer from standard input: true for y or yes in any
// case. Any other answer prints "The operation was cancelled by the user.".
bool confirmed(const std::string& question);

// The exit status after a question answered with anything but yes.
int cancelled();

// The usage of reg (no operation) or of one operation, on standard output.
int printUsage(const std::optional<Operation>& operation);

}  // namespace regtool
