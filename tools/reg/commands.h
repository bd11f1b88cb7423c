// The operations of reg. Each returns the exit status.
#pragma once

#include <registry/registry.h>

#include <utility>

#include "command_line.h"

namespace regtool {

int runQuery(const Request& request);
int runAdd(const Request& request);
int runDelete(const Request& request);
int runExport(const Request& request);
int runImport(const Request& request);

// An open registry key, closed when it goes away.
class OpenedKey {
public:
    OpenedKey() = default;
    ~OpenedKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    OpenedKey(OpenedKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    OpenedKey& operator=(OpenedKey&&) = delete;
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

    HKEY get() const { return key_; }
    PHKEY out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Opens `path` below `parent`.
inline LONG openKey(HKEY parent, const std::string& path, OpenedKey& key) {
    return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.out());
}

}  // namespace regtool
