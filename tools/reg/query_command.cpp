// reg query: a key's values and subkeys, one value, or a search below the key.
#include <registry/store.h>

#include <iostream>

#include "commands.h"
#include "console.h"
#include "value_text.h"

namespace regtool {
namespace {

constexpr char kIndent[] = "    ";
constexpr char kColumnGap[] = "    ";
constexpr char kDefaultName[] = "(Default)";
constexpr std::size_t kNameBuffer = 512;

std::string valueLine(const registry::ValueEntry& value) {
    const std::string name = value.name.empty() ? kDefaultName : value.name;
    return kIndent + name + kColumnGap + typeName(value.type) + kColumnGap +
           displayData(value.type, value.data) + '\n';
}

LONG subkeyNames(HKEY key, std::vector<std::string>& names) {
    std::vector<char> name(kNameBuffer);
    for (DWORD index = 0;; ++index) {
        LONG status = RegEnumKeyA(key, index, name.data(), static_cast<DWORD>(name.size()));
        while (status == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            status = RegEnumKeyA(key, index, name.data(), static_cast<DWORD>(name.size()));
        }
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        names.emplace_back(name.data());
    }
}

// Lists the key's name and values, then its subkeys: by name, or with `recursive` each listed
// the same way.
LONG listKey(HKEY key, const std::string& fullName, bool recursive, std::string& out) {
    std::vector<registry::ValueEntry> values;
    std::vector<std::string> subkeys;
    if (const LONG status = registry::enumValues(key, values)) return status;
    if (const LONG status = subkeyNames(key, subkeys)) return status;
    out += fullName + '\n';
    for (const auto& value : values)
        out += valueLine(value);
    if (!values.empty()) out += '\n';
    for (const auto& name : subkeys) {
        const std::string subkeyName = fullName + '\\' + name;
        if (!recursive) {
            out += subkeyName + '\n';
            continue;
        }
        OpenedKey subkey;
        if (const LONG status = openKey(key, name, subkey)) return status;
        if (const LONG status = listKey(subkey.get(), subkeyName, true, out)) return status;
    }
    return ERROR_SUCCESS;
}

const registry::ValueEntry* findValue(const std::vector<registry::ValueEntry>& values,
                                      const std::string& name) {
    for (const auto& value : values) {
        if (sameNameIgnoringCase(value.name, name)) return &value;
    }
    return nullptr;
}

// Lists every key at or below `key` that has the value, and counts them.
LONG searchValue(HKEY key, const std::string& fullName, const std::string& name, std::string& out,
                 int& matches) {
    std::vector<registry::ValueEntry> values;
    std::vector<std::string> subkeys;
    if (const LONG status = registry::enumValues(key, values)) return status;
    if (const LONG status = subkeyNames(key, subkeys)) return status;
    if (const auto* value = findValue(values, name)) {
        out += fullName + '\n' + valueLine(*value) + '\n';
        ++matches;
    }
    for (const auto& subkeyName : subkeys) {
        OpenedKey subkey;
        if (const LONG status = openKey(key, subkeyName, subkey)) return status;
        const LONG status =
            searchValue(subkey.get(), fullName + '\\' + subkeyName, name, out, matches);
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

LONG queryValue(HKEY key, const KeyName& keyName, const std::string& name, bool isDefault,
                std::string& out) {
    std::vector<registry::ValueEntry> values;
    if (const LONG status = registry::enumValues(key, values)) return status;
    const auto* value = findValue(values, name);
    if (value == nullptr && !isDefault) return ERROR_FILE_NOT_FOUND;
    const std::string line = value != nullptr ? valueLine(*value)
                                              : kIndent + std::string(kDefaultName) + kColumnGap +
                                                    "REG_SZ" + kColumnGap + "(value not set)\n";
    out += '\n' + keyName.fullName + '\n' + line + '\n';
    return ERROR_SUCCESS;
}

}  // namespace

int runQuery(const Request& request) {
    const auto keyName = parseKeyName(request.positional[0]);
    if (!keyName) return invalidKeyName(request.operation);
    OpenedKey key;
    if (const LONG status = openKey(keyName->root, keyName->path, key)) return failedWith(status);
    std::string out;
    LONG status = ERROR_SUCCESS;
    const auto value = request.value();
    if (value && request.recursive) {
        int matches = 0;
        out = "\n";
        status = searchValue(key.get(), keyName->fullName, *value, out, matches);
        out += "End of search: " + std::to_string(matches) + " match(es) found.\n";
    } else if (value) {
        status = queryValue(key.get(), *keyName, *value, request.defaultValue, out);
    } else {
        out = "\n";
        status = listKey(key.get(), keyName->fullName, request.recursive, out);
    }
    if (status != ERROR_SUCCESS) return failedWith(status);
    std::cout << out;
    return kExitSuccess;
}

}  // namespace regtool
