#include "platform/hive_check.h"

#include <registry/registry.h>
#include <registry/store.h>

namespace netpanel {

std::optional<std::string> unreadableHive() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        // Opening a root reads its hive.
        HKEY key = nullptr;
        const LONG status = RegOpenKeyExA(root, nullptr, 0, KEY_READ, &key);
        if (status == ERROR_SUCCESS) {
            RegCloseKey(key);
            continue;
        }
        std::string failure = registry::lastHiveError();
        if (failure.empty()) failure = "registry error " + std::to_string(status);
        return failure;
    }
    return std::nullopt;
}

}  // namespace netpanel
