// The command line of reg: the operation, its options (case-insensitive, '/' or '-' before
// them) and the key names it is given.
#pragma once

#include <registry/registry.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace regtool {

enum class Operation { kQuery, kAdd, kDelete, kExport, kImport };

std::optional<Operation> operationFromName(std::string_view name);

// "QUERY", as the messages name it.
const char* operationName(Operation operation);

struct Request {
    Operation operation = Operation::kQuery;
    std::vector<std::string> positional;   // KEY, or KEY FILE, or FILE
    std::optional<std::string> valueName;  // /v NAME
    bool defaultValue = false;             // /ve
    bool allValues = false;                // /va
    bool recursive = false;                // /s of query
    std::optional<std::string> type;       // /t
    std::optional<std::string> data;       // /d
    std::optional<std::string> separator;  // /s of add
    bool force = false;                    // /f
    bool overwrite = false;                // /y
    bool unicode = false;                  // /unicode of export
    bool regedit4 = false;                 // /regedit4 of export
    bool help = false;                     // /?

    // The value the request names: "" for /ve.
    std::optional<std::string> value() const;
};

// The request, or nullopt when the arguments after the operation do not fit it.
std::optional<Request> parseRequest(Operation operation, const std::vector<std::string>& args);

// True for "/?" and "-?".
bool isHelpOption(std::string_view arg);

struct KeyName {
    HKEY root = nullptr;
    std::string path;      // below the root, without a trailing '\'
    std::string fullName;  // with the long root name: "HKEY_CURRENT_USER\Software"
};

// "HKCU\Software" or "HKEY_CURRENT_USER\Software" (any case); nullopt for an unknown root.
std::optional<KeyName> parseKeyName(std::string_view text);

bool sameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace regtool
