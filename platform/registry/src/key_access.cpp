#include "key_access.h"

#include <span>

#include "hive_store.h"

namespace registry {

LONG lookUp(HKEY handle, OpenKey& open) {
    if (const LONG status = HandleTable::instance().resolve(handle, open.ref)) return status;
    if (const LONG status = readHive(open.ref.root, open.tree)) return status;
    open.key = open.tree->find(open.ref.path);
    return open.key != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG modifyKey(HKEY handle, KeyRef& ref, const KeyChange& change) {
    if (const LONG status = HandleTable::instance().resolve(handle, ref)) return status;
    return updateHive(ref.root, [&](Key& root, bool& changed) {
        Key* key = root.find(ref.path);
        return key != nullptr ? change(*key, changed) : ERROR_KEY_DELETED;
    });
}

LONG removeKey(const KeyRef& ref, const std::vector<std::string>& path, bool onlyLeaf) {
    const std::span<const std::string> target(path);
    const LONG status = updateHive(ref.root, [&](Key& root, bool& changed) {
        if (root.find(ref.path) == nullptr) return ERROR_KEY_DELETED;
        Key* parent = root.find(target.first(target.size() - 1));
        const Key* key = parent != nullptr ? parent->subkey(target.back()) : nullptr;
        if (key == nullptr) return ERROR_FILE_NOT_FOUND;
        if (onlyLeaf && !key->subkeys().empty()) return ERROR_ACCESS_DENIED;
        changed = parent->removeSubkey(target.back());
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) HandleTable::instance().markDeleted(ref.root, target, true);
    return status;
}

KeyRef below(KeyRef ref, const std::vector<std::string>& path) {
    ref.path.insert(ref.path.end(), path.begin(), path.end());
    return ref;
}

}  // namespace registry
