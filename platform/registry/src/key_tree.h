// The key tree of a hive: keys with their subkeys (kept in the registry's order) and values
// (kept in the order they were first set). Names are looked up case-insensitively and stored with
// the case they were created with.
#pragma once

#include <registry/registry.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace registry {

struct Value {
    std::string name;  // empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // REG_SZ: the text without its terminating NUL

    bool operator==(const Value&) const = default;
};

class Key {
public:
    explicit Key(std::string name = {}) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    const std::vector<Key>& subkeys() const { return subkeys_; }
    const std::vector<Value>& values() const { return values_; }

    const Key* subkey(std::string_view name) const;
    Key* subkey(std::string_view name);

    // The key `path` leads to from this one (this key for an empty path), or null.
    const Key* find(std::span<const std::string> path) const;
    Key* find(std::span<const std::string> path);

    // The key `path` leads to, created with the keys missing on the way; the flag tells whether
    // the last one was created.
    std::pair<Key*, bool> makePath(std::span<const std::string> path);

    // Removes a subkey with everything below it; false when there is none of that name.
    bool removeSubkey(std::string_view name);

    const Value* value(std::string_view name) const;

    // Sets a value; a value that exists keeps its place and the case of its name. False when it
    // already held exactly this.
    bool setValue(Value value);
    bool removeValue(std::string_view name);

    // Removes all values; false when there were none.
    bool clearValues();
    // Removes all subkeys and values; false when there were none.
    bool clear();

private:
    std::vector<Key>::iterator lowerBound(std::string_view name);
    std::vector<Key>::const_iterator lowerBound(std::string_view name) const;
    // The place of a value in values_.
    std::optional<std::size_t> placeOf(std::string_view name) const;

    std::string name_;
    std::vector<Key> subkeys_;
    std::vector<Value> values_;
    std::unordered_map<std::string, std::size_t> valueIndex_;  // folded name: place in values_
};

// The names along `path` from `key` as they are stored, joined with '\' and put after `prefix`.
std::string storedPath(const Key& key, std::span<const std::string> path, std::string prefix);

}  // namespace registry
