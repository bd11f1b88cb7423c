#include "key_tree.h"

#include <algorithm>

#include "names.h"

namespace registry {
namespace {

bool nameBefore(const Key& key, std::string_view name) {
    return compareNames(key.name(), name) < 0;
}

}  // namespace

std::vector<Key>::iterator Key::lowerBound(std::string_view name) {
    return std::lower_bound(subkeys_.begin(), subkeys_.end(), name, nameBefore);
}

std::vector<Key>::const_iterator Key::lowerBound(std::string_view name) const {
    return std::lower_bound(subkeys_.begin(), subkeys_.end(), name, nameBefore);
}

const Key* Key::subkey(std::string_view name) const {
    const auto it = lowerBound(name);
    return it != subkeys_.end() && sameName(it->name(), name) ? &*it : nullptr;
}

Key* Key::subkey(std::string_view name) {
    const auto it = lowerBound(name);
    return it != subkeys_.end() && sameName(it->name(), name) ? &*it : nullptr;
}

const Key* Key::find(std::span<const std::string> path) const {
    const Key* key = this;
    for (const auto& name : path) {
        key = key->subkey(name);
        if (key == nullptr) return nullptr;
    }
    return key;
}

Key* Key::find(std::span<const std::string> path) {
    return const_cast<Key*>(std::as_const(*this).find(path));
}

std::pair<Key*, bool> Key::makePath(std::span<const std::string> path) {
    Key* key = this;
    bool created = false;
    for (const auto& name : path) {
        auto it = key->lowerBound(name);
        created = it == key->subkeys_.end() || !sameName(it->name(), name);
        if (created) it = key->subkeys_.insert(it, Key(name));
        key = &*it;
    }
    return {key, created};
}

bool Key::removeSubkey(std::string_view name) {
    const auto it = lowerBound(name);
    if (it == subkeys_.end() || !sameName(it->name(), name)) return false;
    subkeys_.erase(it);
    return true;
}

std::optional<std::size_t> Key::placeOf(std::string_view name) const {
    const auto it = valueIndex_.find(foldedName(name));
    return it != valueIndex_.end() ? std::optional(it->second) : std::nullopt;
}

const Value* Key::value(std::string_view name) const {
    const auto place = placeOf(name);
    return place ? &values_[*place] : nullptr;
}

bool Key::setValue(Value value) {
    const auto place = placeOf(value.name);
    if (!place) {
        valueIndex_.emplace(foldedName(value.name), values_.size());
        values_.push_back(std::move(value));
        return true;
    }
    Value& existing = values_[*place];
    if (existing.type == value.type && existing.data == value.data) return false;
    existing.type = value.type;
    existing.data = std::move(value.data);
    return true;
}

bool Key::removeValue(std::string_view name) {
    const auto it = valueIndex_.find(foldedName(name));
    if (it == valueIndex_.end()) return false;
    const std::size_t place = it->second;
    valueIndex_.erase(it);
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(place));
    for (auto& [folded, index] : valueIndex_) {
        if (index > place) --index;
    }
    return true;
}

bool Key::clearValues() {
    const bool had = !values_.empty();
    values_.clear();
    valueIndex_.clear();
    return had;
}

bool Key::clear() {
    const bool had = !subkeys_.empty();
    subkeys_.clear();
    return clearValues() || had;
}

std::string storedPath(const Key& key, std::span<const std::string> path, std::string prefix) {
    const Key* at = &key;
    for (const auto& name : path) {
        at = at != nullptr ? at->subkey(name) : nullptr;
        prefix += '\\';
        prefix += at != nullptr ? at->name() : name;
    }
    return prefix;
}

}  // namespace registry
