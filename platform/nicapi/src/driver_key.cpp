#include "driver_key.h"

#include <cstdio>

#include "registry/registry.h"

namespace nicapi {
namespace {

constexpr const char* kNtClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
constexpr const char* k9xClassKey = "System\\CurrentControlSet\\Services\\Class\\Net\\";
constexpr const char* kHardwareIdValue = "MatchingDeviceId";

// An open registry key, closed when it goes.
class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    PHKEY out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

LONG writeHardwareId(const std::string& path, const std::string& hardwareId) {
    RegistryKey key;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.out(), nullptr);
    if (result != ERROR_SUCCESS) return result;
    return RegSetValueExA(key.get(), kHardwareIdValue, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(hardwareId.c_str()),
                          static_cast<DWORD>(hardwareId.size() + 1));
}

}  // namespace

std::string listedName(const AdapterSpec& adapter, bool windows95) {
    return windows95 ? adapter.instanceId : adapter.name;
}

std::string driverKeyPath(const AdapterSpec& adapter, bool windows95) {
    if (windows95) return k9xClassKey + listedName(adapter, true).substr(0, 4);
    return kNtClassKey + adapter.instanceId.substr(0, 4);
}

void recordHardwareIds(std::span<const AdapterSpec> adapters, bool windows95) {
    for (const AdapterSpec& adapter : adapters) {
        const std::string path = driverKeyPath(adapter, windows95);
        const LONG result = writeHardwareId(path, adapter.hardwareId);
        if (result != ERROR_SUCCESS) {
            std::fprintf(stderr, "nicapi: cannot write HKEY_LOCAL_MACHINE\\%s\\%s: error %d\n",
                         path.c_str(), kHardwareIdValue, static_cast<int>(result));
        }
    }
}

}  // namespace nicapi
