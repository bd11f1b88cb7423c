#include "command_line.h"

#include <algorithm>
#include <array>
#include <utility>

namespace regtool {
namespace {

struct OptionSpec {
    std::string_view name;
    bool takesArgument;
};

struct OperationSpec {
    Operation operation;
    const char* name;
    std::size_t positionals;
    std::vector<OptionSpec> options;
};

const std::vector<OperationSpec>& operationSpecs() {
    static const std::vector<OperationSpec> specs = {
        {Operation::kQuery, "QUERY", 1, {{"v", true}, {"ve", false}, {"s", false}}},
        {Operation::kAdd,
         "ADD",
         1,
         {{"v", true}, {"ve", false}, {"t", true}, {"s", true}, {"d", true}, {"f", false}}},
        {Operation::kDelete,
         "DELETE",
         1,
         {{"v", true}, {"ve", false}, {"va", false}, {"f", false}}},
        {Operation::kExport, "EXPORT", 2, {{"y", false}, {"unicode", false}, {"regedit4", false}}},
        {Operation::kImport, "IMPORT", 1, {}},
    };
    return specs;
}

const OperationSpec& specOf(Operation operation) {
    const auto& specs = operationSpecs();
    return *std::find_if(specs.begin(), specs.end(), [operation](const OperationSpec& spec) {
        return spec.operation == operation;
    });
}

struct RootSpec {
    std::string_view longName;
    std::string_view shortName;
    HKEY key;
};

// Records a parsed option; false when it was given before.
bool record(Request& request, std::string_view name, const std::string* argument) {
    const auto setOnce = [](auto& field, auto value) {
        if (field) return false;
        field = value;
        return true;
    };
    const auto flagOnce = [](bool& field) { return !std::exchange(field, true); };
    if (name == "v") return setOnce(request.valueName, *argument);
    if (name == "ve") return flagOnce(request.defaultValue);
    if (name == "va") return flagOnce(request.allValues);
    if (name == "t") return setOnce(request.type, *argument);
    if (name == "d") return setOnce(request.data, *argument);
    if (name == "s" && argument != nullptr) return setOnce(request.separator, *argument);
    if (name == "s") return flagOnce(request.recursive);
    if (name == "f") return flagOnce(request.force);
    if (name == "unicode") return flagOnce(request.unicode) && !request.regedit4;
    if (name == "regedit4") return flagOnce(request.regedit4) && !request.unicode;
    return flagOnce(request.overwrite);  // "y"
}

const OptionSpec* findOption(const OperationSpec& spec, std::string_view arg) {
    if (arg.size() < 2 || (arg.front() != '/' && arg.front() != '-')) return nullptr;
    arg.remove_prefix(1);
    const auto it = std::find_if(
        spec.options.begin(), spec.options.end(),
        [arg](const OptionSpec& option) { return sameNameIgnoringCase(option.name, arg); });
    return it != spec.options.end() ? &*it : nullptr;
}

}  // namespace

std::optional<Operation> operationFromName(std::string_view name) {
    for (const auto& spec : operationSpecs()) {
        if (sameNameIgnoringCase(spec.name, name)) return spec.operation;
    }
    return std::nullopt;
}

const char* operationName(Operation operation) {
    return specOf(operation).name;
}

std::optional<std::string> Request::value() const {
    if (defaultValue) return std::string();
    return valueName;
}

bool isHelpOption(std::string_view arg) {
    return arg == "/?" || arg == "-?";
}

std::optional<Request> parseRequest(Operation operation, const std::vector<std::string>& args) {
    const OperationSpec& spec = specOf(operation);
    Request request;
    request.operation = operation;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (isHelpOption(args[i])) {
            request.help = true;
            continue;
        }
        const OptionSpec* option = findOption(spec, args[i]);
        if (option == nullptr) {
            request.positional.push_back(args[i]);
            continue;
        }
        if (option->takesArgument && i + 1 == args.size()) return std::nullopt;
        const std::string* argument = option->takesArgument ? &args[++i] : nullptr;
        if (!record(request, option->name, argument)) return std::nullopt;
    }
    if (request.help) return args.size() == 1 ? std::optional(request) : std::nullopt;
    const int chosen =
        (request.valueName ? 1 : 0) + (request.defaultValue ? 1 : 0) + (request.allValues ? 1 : 0);
    if (chosen > 1 || request.positional.size() != spec.positionals) return std::nullopt;
    return request;
}

std::optional<KeyName> parseKeyName(std::string_view text) {
    static const std::array<RootSpec, 5> roots = {{
        {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
        {"HKEY_USERS", "HKU", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
    }};
    const std::size_t slash = text.find('\\');
    const std::string_view rootText = text.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? "" : text.substr(slash + 1);
    if (path.ends_with('\\')) path.remove_suffix(1);
    for (const auto& root : roots) {
        if (sameNameIgnoringCase(rootText, root.longName) ||
            sameNameIgnoringCase(rootText, root.shortName)) {
            KeyName name{root.key, std::string(path), std::string(root.longName)};
            if (!path.empty()) name.fullName += '\\' + name.path;
            return name;
        }
    }
    return std::nullopt;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
        return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
    });
}

}  // namespace regtool
