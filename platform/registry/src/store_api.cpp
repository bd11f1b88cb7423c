// The project's own registry functions of <registry/store.h>.
#include <registry/store.h>

#include <algorithm>

#include "hive_format.h"
#include "hive_store.h"
#include "key_access.h"

namespace registry {

LONG enumValues(HKEY key, std::vector<ValueEntry>& values) {
    OpenKey open;
    if (const LONG status = lookUp(key, open)) return status;
    values.clear();
    for (const auto& value : open.key->values())
        values.push_back(ValueEntry{value.name, value.type, value.data});
    return ERROR_SUCCESS;
}

namespace {

// The key an export starts from, and its full name as the store spells it.
LONG exportedKey(HKEY key, LPCSTR subKey, OpenKey& open, const Key*& target,
                 std::string& fullName) {
    if (const LONG status = lookUp(key, open)) return status;
    const auto path = splitSubKey(subKey);
    target = path ? open.key->find(*path) : nullptr;
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    const KeyRef ref = below(open.ref, *path);
    fullName = storedPath(*open.tree, ref.path, std::string(rootName(ref.root)));
    return ERROR_SUCCESS;
}

}  // namespace

LONG exportKey(HKEY key, LPCSTR subKey, std::string& text) {
    OpenKey open;
    const Key* target = nullptr;
    std::string fullName;
    if (const LONG status = exportedKey(key, subKey, open, target, fullName)) return status;
    text = writeRegFile(*target, fullName);
    return ERROR_SUCCESS;
}

LONG exportFile(HKEY key, LPCSTR subKey, ExportForm form, std::string& bytes,
                std::string& problem) {
    OpenKey open;
    const Key* target = nullptr;
    std::string fullName;
    if (const LONG status = exportedKey(key, subKey, open, target, fullName)) return status;
    FileForm fileForm = form == ExportForm::kUnicode ? FileForm::kUnicode : FileForm::kRegedit4;
    if (form == ExportForm::kAutomatic) fileForm = preferredForm(*target, fullName);
    auto file = writeExportFile(*target, fullName, fileForm, problem);
    if (!file) return ERROR_NO_UNICODE_TRANSLATION;
    bytes = std::move(*file);
    return ERROR_SUCCESS;
}

LONG importText(std::string_view text, std::string_view origin, std::string& error) {
    const ParsedFile parsed = parseRegFile(text);
    if (parsed.error) {
        error = std::string(origin) + ':' + std::to_string(parsed.error->line) + ": " +
                parsed.error->what;
        return ERROR_INVALID_DATA;
    }
    for (const Root root : kRoots) {
        const bool touched =
            std::any_of(parsed.sections.begin(), parsed.sections.end(),
                        [root](const Section& section) { return section.root == root; });
        if (!touched) continue;
        const LONG status = updateHive(root, [&](Key& tree, bool& changed) {
            for (const auto& section : parsed.sections) {
                if (section.root == root) changed = applySection(section, tree) || changed;
            }
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) {
            error = lastHiveError();
            return status;
        }
        for (const auto& section : parsed.sections) {
            if (section.root == root && section.remove) {
                HandleTable::instance().markDeleted(root, section.path, true);
            }
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace registry
