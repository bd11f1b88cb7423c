#include "registry_paths.h"

#include <registry/registry.h>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "registry_handles.h"

namespace netpanel {
namespace {

struct Root {
    std::string_view longName;
    std::string_view shortName;
    HKEY handle;
};

// A full path split into its root, the key below it and the value name ("" for a key path).
struct RegistryPath {
    HKEY root;
    std::string key;
    std::string value;
    bool namesKey;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::optional<RegistryPath> splitPath(std::string_view path) {
    static const std::array<Root, 4> kRoots = {{
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_USERS", "HKU", HKEY_USERS},
    }};
    size_t slash = path.find('\\');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view rootName = path.substr(0, slash);
    std::string_view rest = path.substr(slash + 1);
    for (const Root& root : kRoots) {
        if (!equalsIgnoringCase(rootName, root.longName) &&
            !equalsIgnoringCase(rootName, root.shortName)) {
            continue;
        }
        if (rest.empty() || rest.back() == '\\') {
            if (!rest.empty()) rest.remove_suffix(1);
            return RegistryPath{root.handle, std::string(rest), "", true};
        }
        size_t last = rest.rfind('\\');
        std::string_view key = last == std::string_view::npos ? "" : rest.substr(0, last);
        std::string_view value = last == std::string_view::npos ? rest : rest.substr(last + 1);
        return RegistryPath{root.handle, std::string(key), std::string(value), false};
    }
    return std::nullopt;
}

// The key of `path`, created when missing; null on failure.
HKEY createKey(const RegistryPath& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(path.root, path.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

void writeValue(const std::string& fullPath, DWORD type, const BYTE* data, DWORD size) {
    std::optional<RegistryPath> path = splitPath(fullPath);
    if (!path) return;
    HKEY key = createKey(*path);
    if (!key) return;
    RegSetValueExA(key, path->value.c_str(), 0, type, data, size);
    RegCloseKey(key);
}

}  // namespace

std::string RegReadValue(const std::string& fullPath) {
    std::optional<RegistryPath> path = splitPath(fullPath);
    if (!path) return "";
    HKEY key = nullptr;
    if (RegOpenKeyExA(path->root, path->key.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return "";
    }
    RegValue value;
    LONG status = QueryValueEx(key, path->value, value);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "";
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<uint32_t>(&value)) {
        return std::to_string(static_cast<int32_t>(*number));
    }
    return "";
}

void RegWriteString(const std::string& path, const std::string& text) {
    writeValue(path, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
               static_cast<DWORD>(text.size() + 1));
}

void RegWriteDword(const std::string& path, int16_t value) {
    uint32_t data = static_cast<uint32_t>(static_cast<int32_t>(value));
    writeValue(path, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void RegDeletePath(const std::string& fullPath) {
    std::optional<RegistryPath> path = splitPath(fullPath);
    if (!path) return;
    if (path->namesKey) {
        RegDeleteKeyA(path->root, path->key.c_str());
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(path->root, path->key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    RegDeleteValueA(key, path->value.c_str());
    RegCloseKey(key);
}

}  // namespace netpanel
