// Open keys. A handle is an opaque number that names a root and a path below it; it never points
// into a tree, so that every call finds the key in the latest hive.
#pragma once

#include <registry/registry.h>

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "names.h"

namespace registry {

struct KeyRef {
    Root root = Root::kCurrentUser;
    std::vector<std::string> path;
};

class HandleTable {
public:
    static HandleTable& instance();

    HKEY open(KeyRef key);

    // The key a handle names. ERROR_INVALID_HANDLE for an unknown handle, ERROR_FILE_NOT_FOUND
    // for a predefined root without a hive, ERROR_KEY_DELETED when this process deleted the key.
    LONG resolve(HKEY handle, KeyRef& key) const;

    // ERROR_SUCCESS for an open handle and for a predefined root, else ERROR_INVALID_HANDLE.
    LONG close(HKEY handle);

    // Marks the handles of a deleted key and of the keys below it; with `withKey` false only of
    // those below it.
    void markDeleted(Root root, std::span<const std::string> path, bool withKey);

private:
    struct Entry {
        KeyRef key;
        bool deleted = false;
    };

    mutable std::mutex mutex_;
    std::uintptr_t next_ = 0;
    std::unordered_map<std::uintptr_t, Entry> entries_;
};

}  // namespace registry
