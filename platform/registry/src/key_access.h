// How the API functions reach the key behind a handle: looked up in the current hive for reading,
// or changed in the latest hive under its lock.
#pragma once

#include <registry/registry.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "handle_table.h"
#include "key_tree.h"

namespace registry {

struct OpenKey {
    KeyRef ref;
    std::shared_ptr<const Key> tree;  // keeps `key` alive
    const Key* key = nullptr;
};

// The key a handle names, in the current hive; ERROR_KEY_DELETED when it is gone.
LONG lookUp(HKEY handle, OpenKey& open);

using KeyChange = std::function<LONG(Key& key, bool& changed)>;

// Applies `change` to the key a handle names, in the latest hive, and writes the hive. `ref`
// receives the key the handle names.
LONG modifyKey(HKEY handle, KeyRef& ref, const KeyChange& change);

// Removes the key at `path` (below the root of `ref`, not the root itself) with everything
// below it, after checking that the key `ref` names still exists. With `onlyLeaf` a key that has
// subkeys is refused (ERROR_ACCESS_DENIED). Handles of the removed keys answer
// ERROR_KEY_DELETED afterwards.
LONG removeKey(const KeyRef& ref, const std::vector<std::string>& path, bool onlyLeaf);

// `ref` with `path` appended.
KeyRef below(KeyRef ref, const std::vector<std::string>& path);

}  // namespace registry
