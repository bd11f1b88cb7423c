// reg add and reg delete.
#include <registry/store.h>

#include "commands.h"
#include "console.h"
#include "value_text.h"

namespace regtool {
namespace {

constexpr char kDefaultName[] = "(Default)";

std::string shownName(const std::string& name) {
    return name.empty() ? kDefaultName : name;
}

bool valueExists(HKEY key, const std::string& name) {
    DWORD size = 0;
    return RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

// Asks before overwriting a value that exists; false when the answer is no.
bool mayOverwrite(const KeyName& keyName, const std::string& name, bool force) {
    OpenedKey existing;
    if (force || openKey(keyName.root, keyName.path, existing) != ERROR_SUCCESS ||
        !valueExists(existing.get(), name)) {
        return true;
    }
    return confirmed("Value " + shownName(name) + " exists, overwrite(Yes/No)? ");
}

LONG deleteAllValues(HKEY key) {
    std::vector<registry::ValueEntry> values;
    if (const LONG status = registry::enumValues(key, values)) return status;
    for (const auto& value : values) {
        if (const LONG status = RegDeleteValueA(key, value.name.c_str())) return status;
    }
    return ERROR_SUCCESS;
}

}  // namespace

int runAdd(const Request& request) {
    const auto keyName = parseKeyName(request.positional[0]);
    if (!keyName) return invalidKeyName(request.operation);
    const auto type = typeFromName(request.type.value_or("REG_SZ"));
    const auto data =
        type ? encodeData(*type, request.data.value_or(""), request.separator) : std::nullopt;
    if (!data) return invalidSyntax(request.operation);
    const auto name = request.value();
    if (name && !mayOverwrite(*keyName, *name, request.force)) return cancelled();

    OpenedKey key;
    LONG status = RegCreateKeyExA(keyName->root, keyName->path.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
    if (status == ERROR_SUCCESS && name) {
        status = RegSetValueExA(key.get(), name->c_str(), 0, *type, data->data(),
                                static_cast<DWORD>(data->size()));
    }
    return status == ERROR_SUCCESS ? succeeded() : failedWith(status);
}

int runDelete(const Request& request) {
    const auto keyName = parseKeyName(request.positional[0]);
    if (!keyName) return invalidKeyName(request.operation);
    const auto name = request.value();
    if (keyName->path.empty() && !name && !request.allValues) {
        return invalidKeyName(request.operation);  // a root key stays
    }
    OpenedKey key;
    LONG status = openKey(keyName->root, keyName->path, key);
    if (status == ERROR_SUCCESS && name && !valueExists(key.get(), *name)) {
        status = ERROR_FILE_NOT_FOUND;
    }
    if (status != ERROR_SUCCESS) return failedWith(status);

    std::string question;
    if (name) {
        question = "Delete the registry value " + shownName(*name) + " (Yes/No)? ";
    } else if (request.allValues) {
        question = "Delete all values under the registry key " + keyName->fullName + " (Yes/No)? ";
    } else {
        question = "Permanently delete the registry key " + keyName->fullName + " (Yes/No)? ";
    }
    if (!request.force && !confirmed(question)) return cancelled();

    if (name) {
        status = RegDeleteValueA(key.get(), name->c_str());
    } else if (request.allValues) {
        status = deleteAllValues(key.get());
    } else {
        status = RegDeleteTreeA(keyName->root, keyName->path.c_str());
    }
    return status == ERROR_SUCCESS ? succeeded() : failedWith(status);
}

}  // namespace regtool
