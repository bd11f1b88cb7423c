// The Win32 registry functions, with the results Windows gives.
#include <registry/registry.h>

#include <algorithm>
#include <cstring>

#include "key_access.h"
#include "names.h"

using registry::HandleTable;
using registry::Key;
using registry::KeyRef;
using registry::OpenKey;
using registry::Value;

namespace {

bool storablePath(const std::vector<std::string>& path) {
    return std::all_of(path.begin(), path.end(), registry::storableName);
}

// The bytes a value takes when read: a REG_SZ with its terminating NUL.
DWORD readSize(const Value& value) {
    const std::size_t size = value.data.size() + (value.type == REG_SZ ? 1 : 0);
    return static_cast<DWORD>(size);
}

// Reports type and data as RegQueryValueExA does: with no `data` only type and size, with
// too small a buffer ERROR_MORE_DATA and the size needed.
LONG reportValue(const Value& value, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    const DWORD needed = readSize(value);
    if (type != nullptr) *type = value.type;
    if (data != nullptr && *dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) {
        std::copy(value.data.begin(), value.data.end(), data);
        if (value.type == REG_SZ) data[value.data.size()] = 0;
    }
    if (dataSize != nullptr) *dataSize = needed;
    return ERROR_SUCCESS;
}

// The value RegSetValueExA stores: a REG_SZ up to its first NUL.
Value valueToStore(LPCSTR valueName, DWORD type, const BYTE* data, DWORD dataSize) {
    Value value;
    value.name = valueName != nullptr ? valueName : "";
    value.type = type;
    if (data != nullptr) value.data.assign(data, data + dataSize);
    if (type == REG_SZ) {
        value.data.erase(std::find(value.data.begin(), value.data.end(), 0), value.data.end());
    }
    return value;
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM /*access*/, PHKEY result) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey open;
    if (const LONG status = registry::lookUp(key, open)) return status;
    const auto path = registry::splitSubKey(subKey);
    if (!path || open.key->find(*path) == nullptr) return ERROR_FILE_NOT_FOUND;
    *result = HandleTable::instance().open(registry::below(open.ref, *path));
    return ERROR_SUCCESS;
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/,
                     DWORD /*options*/, REGSAM /*access*/, const void* /*securityAttributes*/,
                     PHKEY result, LPDWORD disposition) {
    if (result == nullptr || subKey == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const auto path = registry::splitSubKey(subKey);
    if (!path || !storablePath(*path)) return ERROR_INVALID_PARAMETER;
    OpenKey open;
    if (const LONG status = registry::lookUp(key, open)) return status;
    bool created = false;
    if (open.key->find(*path) == nullptr) {
        KeyRef ref;
        const LONG status = registry::modifyKey(key, ref, [&](Key& parent, bool& changed) {
            created = changed = parent.makePath(*path).second;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
    }
    *result = HandleTable::instance().open(registry::below(open.ref, *path));
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    if (const LONG status = registry::lookUp(key, open)) return status;
    const Value* value = open.key->value(valueName != nullptr ? valueName : "");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    return reportValue(*value, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (type == REG_DWORD && dataSize != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
    if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
    Value value = valueToStore(valueName, type, data, dataSize);
    if (!registry::storableName(value.name)) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    return registry::modifyKey(key, ref, [&](Key& target, bool& changed) {
        changed = target.setValue(value);
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
    if (name == nullptr) return ERROR_INVALID_PARAMETER;
    OpenKey open;
    if (const LONG status = registry::lookUp(key, open)) return status;
    const auto& subkeys = open.key->subkeys();
    if (index >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& found = subkeys[index].name();
    if (found.size() >= nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (name == nullptr || nameSize == nullptr || reserved != nullptr ||
        (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    if (const LONG status = registry::lookUp(key, open)) return status;
    const auto& values = open.key->values();
    if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& value = values[index];
    if (value.name.size() >= *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<DWORD>(value.name.size());
    return reportValue(value, type, data, dataSize);
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    KeyRef ref;
    if (const LONG status = HandleTable::instance().resolve(key, ref)) return status;
    const auto path = registry::splitSubKey(subKey);
    if (!path) return ERROR_FILE_NOT_FOUND;
    const KeyRef target = registry::below(ref, *path);
    if (target.path.empty()) return ERROR_ACCESS_DENIED;  // a root
    return registry::removeKey(ref, target.path, true);
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    KeyRef ref;
    if (const LONG status = HandleTable::instance().resolve(key, ref)) return status;
    const auto path = registry::splitSubKey(subKey);
    if (!path) return ERROR_FILE_NOT_FOUND;
    if (!path->empty()) return registry::removeKey(ref, registry::below(ref, *path).path, false);
    const LONG status = registry::modifyKey(key, ref, [](Key& target, bool& changed) {
        changed = target.clear();
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) HandleTable::instance().markDeleted(ref.root, ref.path, false);
    return status;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    KeyRef ref;
    return registry::modifyKey(key, ref, [valueName](Key& target, bool& changed) {
        changed = target.removeValue(valueName != nullptr ? valueName : "");
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegCloseKey(HKEY key) {
    return HandleTable::instance().close(key);
}
