#include "handle_table.h"

#include <algorithm>

namespace registry {
namespace {

constexpr std::uintptr_t kFirstPredefined = 0x80000000u;
constexpr std::uintptr_t kLastPredefined = 0x80000006u;
constexpr std::uintptr_t kFirstHandle = 0x100;
constexpr std::uintptr_t kHandleStep = 4;  // handles are multiples of 4, as Windows gives them

std::uintptr_t numberOf(HKEY handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

bool isPredefined(std::uintptr_t number) {
    return number >= kFirstPredefined && number <= kLastPredefined;
}

// True when `path` is `prefix` or below it (with `withKey`), or strictly below it.
bool isUnder(std::span<const std::string> path, std::span<const std::string> prefix, bool withKey) {
    if (path.size() < prefix.size() || (!withKey && path.size() == prefix.size())) return false;
    return std::equal(prefix.begin(), prefix.end(), path.begin(), sameName);
}

}  // namespace

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

HKEY HandleTable::open(KeyRef key) {
    const std::lock_guard lock(mutex_);
    do {
        next_ = next_ == 0 ? kFirstHandle : next_ + kHandleStep;
    } while (isPredefined(next_) || entries_.contains(next_));
    entries_.emplace(next_, Entry{std::move(key)});
    return reinterpret_cast<HKEY>(next_);
}

LONG HandleTable::resolve(HKEY handle, KeyRef& key) const {
    if (handle == HKEY_CURRENT_USER || handle == HKEY_LOCAL_MACHINE) {
        key = KeyRef{handle == HKEY_CURRENT_USER ? Root::kCurrentUser : Root::kLocalMachine, {}};
        return ERROR_SUCCESS;
    }
    const std::uintptr_t number = numberOf(handle);
    if (isPredefined(number)) return ERROR_FILE_NOT_FOUND;
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(number);
    if (it == entries_.end()) return ERROR_INVALID_HANDLE;
    if (it->second.deleted) return ERROR_KEY_DELETED;
    key = it->second.key;
    return ERROR_SUCCESS;
}

LONG HandleTable::close(HKEY handle) {
    const std::uintptr_t number = numberOf(handle);
    if (isPredefined(number)) return ERROR_SUCCESS;
    const std::lock_guard lock(mutex_);
    return entries_.erase(number) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void HandleTable::markDeleted(Root root, std::span<const std::string> path, bool withKey) {
    const std::lock_guard lock(mutex_);
    for (auto& [number, entry] : entries_) {
        if (entry.key.root == root && isUnder(entry.key.path, path, withKey)) entry.deleted = true;
    }
}

}  // namespace registry
