// The environment file that nicapi-sim edits: where it is, and replacing it atomically.
#pragma once

#include <string>

namespace nicapi_sim {

// NICAPI_ENVIRONMENT, else the default file beside the library (../lib from this program).
std::string environmentFilePath();

// Writes `text` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, keeping the file's permissions. False, with the reason, when that fails; the old
// file is then untouched.
bool replaceFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace nicapi_sim
