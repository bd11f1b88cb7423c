#include "names.h"

#include <algorithm>

namespace registry {
namespace {

constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

unsigned char fold(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

std::string_view rootName(Root root) {
    return root == Root::kCurrentUser ? kCurrentUser : kLocalMachine;
}

std::optional<Root> rootFromName(std::string_view name) {
    if (sameName(name, kCurrentUser) || sameName(name, "HKCU")) return Root::kCurrentUser;
    if (sameName(name, kLocalMachine) || sameName(name, "HKLM")) return Root::kLocalMachine;
    return std::nullopt;
}

int compareNames(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char x = fold(a[i]);
        const unsigned char y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(fold(c));
    return folded;
}

bool storableName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::vector<std::string>> splitPath(std::string_view path) {
    std::vector<std::string> components;
    while (true) {
        const std::size_t end = path.find('\\');
        const std::string_view component = path.substr(0, end);
        if (component.empty()) return std::nullopt;
        components.emplace_back(component);
        if (end == std::string_view::npos) return components;
        path.remove_prefix(end + 1);
    }
}

std::optional<std::vector<std::string>> splitSubKey(const char* subKey) {
    std::string_view path = subKey != nullptr ? subKey : "";
    if (path.starts_with('\\')) path.remove_prefix(1);
    if (path.size() > 1 && path.ends_with('\\')) path.remove_suffix(1);
    if (path.empty()) return std::vector<std::string>{};
    return splitPath(path);
}

}  // namespace registry
