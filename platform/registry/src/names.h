// Names in the registry: the roots that have hives, case-insensitive comparison of key and value
// names, and subkey paths.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

enum class Root { kCurrentUser, kLocalMachine };

inline constexpr std::array kRoots{Root::kCurrentUser, Root::kLocalMachine};

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string_view rootName(Root root);

// The root a name stands for: the long name or its short form (HKCU, HKLM), in any case.
std::optional<Root> rootFromName(std::string_view name);

// Orders names as the registry lists them: byte by byte after folding ASCII letters to upper
// case; other bytes compare as they are.
int compareNames(std::string_view a, std::string_view b);

inline bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareNames(a, b) == 0;
}

// The name with ASCII letters folded to upper case: the same for names that are the same name.
std::string foldedName(std::string_view name);

// True when `name` can be written to a hive file: no line breaks and no NUL.
bool storableName(std::string_view name);

// The components of a path written with '\' between them; nullopt when one is empty.
std::optional<std::vector<std::string>> splitPath(std::string_view path);

// The components of a subkey path given to the API: a leading and a trailing '\' are allowed, an
// empty path is the key itself; nullopt when a component is empty.
std::optional<std::vector<std::string>> splitSubKey(const char* subKey);

}  // namespace registry
