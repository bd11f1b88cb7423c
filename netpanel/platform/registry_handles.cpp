#include "registry_handles.h"

#include <array>
#include <vector>

namespace netpanel {
namespace {
// Query, set, create-subkey, enumerate, notify and create-link rights.
constexpr REGSAM kCheckAccess = 0x3F;
}  // namespace

int16_t CheckRegValue(HKEY root, const std::string& subKey, const std::string& valueName) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(root, subKey.c_str(), 0, kCheckAccess, &key);
    if (status == ERROR_SUCCESS) {
        RegValue value;
        status = QueryValueEx(key, valueName, value);
        RegCloseKey(key);
    }
    return status == ERROR_SUCCESS ? 0 : 1;
}

int32_t QueryValueEx(HKEY key, const std::string& valueName, RegValue& value) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return status;
    if (type == REG_SZ) {
        std::vector<char> text(size + 1, '\0');
        status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text.data()), &size);
        // The size counts the terminating NUL.
        value = status == ERROR_SUCCESS ? RegValue(std::string(text.data(), size ? size - 1 : 0))
                                        : RegValue();
        return status;
    }
    if (type == REG_DWORD) {
        uint32_t number = 0;
        size = sizeof number;
        status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(&number), &size);
        if (status == ERROR_SUCCESS) value = number;
        return status;
    }
    return -1;
}

bool DeleteKeyTree(HKEY parent, const std::string& keyName) {
    HKEY key = nullptr;
    if (RegOpenKeyA(parent, keyName.c_str(), &key) != ERROR_SUCCESS) return false;
    LONG status = RegDeleteKeyA(key, "");
    if (status != ERROR_SUCCESS) {
        // Delete the first subkey over and over until none is left or one resists.
        std::array<char, 256> subKey{};
        while (RegEnumKeyA(key, 0, subKey.data(), subKey.size()) == ERROR_SUCCESS &&
               DeleteKeyTree(key, subKey.data())) {
        }
        status = RegDeleteKeyA(key, "");
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace netpanel
