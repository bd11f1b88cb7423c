#include "scpi_parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <utility>

namespace gpibsim::scpi {
namespace {

constexpr std::string_view kWhitespace = " \t\r\n";
constexpr int kMaxSuffix = 1'000'000;

std::string upper(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

bool isLetter(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Splits at the separator outside double-quoted strings and parentheses.
std::vector<std::string_view> splitOutside(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (c == separator && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<HeaderNode> parseNode(std::string_view text) {
    const auto digits =
        text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const auto name = text.substr(0, std::min(digits, text.size()));
    const auto suffixText = text.substr(name.size());
    if (name.empty() || !std::ranges::all_of(suffixText, isDigit)) return std::nullopt;
    HeaderNode node{upper(name), std::nullopt};
    if (suffixText.empty()) return node;
    int suffix = 0;
    const auto [end, ec] =
        std::from_chars(suffixText.data(), suffixText.data() + suffixText.size(), suffix);
    if (ec != std::errc() || suffix > kMaxSuffix) return std::nullopt;
    node.suffix = suffix;
    return node;
}

std::optional<std::vector<HeaderNode>> parseNodes(std::string_view header) {
    std::vector<HeaderNode> nodes;
    for (const auto part : splitOutside(header, ':')) {
        auto node = parseNode(part);
        if (!node) return std::nullopt;
        nodes.push_back(std::move(*node));
    }
    return nodes;
}

// Parses one command; `path` is the header path left by the previous command, updated here.
Command parseCommand(std::string_view text, std::vector<HeaderNode>& path) {
    Command command;
    const auto headerEnd = std::min(text.find_first_of(" \t"), text.size());
    auto header = text.substr(0, headerEnd);
    command.parameters = std::string(trim(text.substr(headerEnd)));
    command.query = header.ends_with('?');
    if (command.query) header.remove_suffix(1);
    if (header.starts_with('*')) {
        command.common = true;
        header.remove_prefix(1);
        command.valid = !header.empty() && std::ranges::all_of(header, isLetter);
        command.nodes.push_back({upper(header), std::nullopt});
        return command;
    }
    const bool absolute = header.starts_with(':');
    if (absolute) header.remove_prefix(1);
    auto nodes = parseNodes(header);
    command.valid = nodes.has_value();
    if (!nodes) return command;
    command.nodes = absolute ? std::vector<HeaderNode>{} : path;
    command.nodes.insert(command.nodes.end(), nodes->begin(), nodes->end());
    path.assign(command.nodes.begin(), command.nodes.end() - 1);
    return command;
}

}  // namespace

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(kWhitespace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kWhitespace) - first + 1);
}

std::vector<Command> parseMessage(std::string_view message) {
    std::vector<Command> commands;
    std::vector<HeaderNode> path;
    for (const auto part : splitOutside(message, ';')) {
        const auto text = trim(part);
        if (!text.empty()) commands.push_back(parseCommand(text, path));
    }
    return commands;
}

HeaderPattern::HeaderPattern(std::string_view spec) {
    common_ = spec.starts_with('*');
    if (common_) spec.remove_prefix(1);
    bool optional = false;
    Node node;
    const auto finish = [&] {
        if (!node.longForm.empty()) nodes_.push_back(std::move(node));
        node = Node{};
        node.optional = optional;
    };
    for (const char c : spec) {
        if (c == '[' || c == ']') {
            finish();
            optional = c == '[';
            node.optional = optional;
        } else if (c == ':') {
            finish();
        } else if (c == '#') {
            node.numbered = true;
        } else {
            if (std::isupper(static_cast<unsigned char>(c)) &&
                node.shortForm.size() == node.longForm.size()) {
                node.shortForm += c;
            }
            node.longForm += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    finish();
}

std::optional<std::vector<int>> HeaderPattern::match(const Command& command) const {
    if (!command.valid || command.common != common_) return std::nullopt;
    std::vector<int> suffixes;
    if (!matchFrom(0, 0, command.nodes, suffixes)) return std::nullopt;
    return suffixes;
}

bool HeaderPattern::matchFrom(std::size_t patternIndex, std::size_t commandIndex,
                              const std::vector<HeaderNode>& nodes,
                              std::vector<int>& suffixes) const {
    if (patternIndex == nodes_.size()) return commandIndex == nodes.size();
    const Node& node = nodes_[patternIndex];
    const auto mark = suffixes.size();
    if (commandIndex < nodes.size()) {
        const HeaderNode& given = nodes[commandIndex];
        const bool nameMatches = given.name == node.shortForm || given.name == node.longForm;
        if (nameMatches && (node.numbered || !given.suffix)) {
            if (node.numbered) suffixes.push_back(given.suffix.value_or(1));
            if (matchFrom(patternIndex + 1, commandIndex + 1, nodes, suffixes)) return true;
            suffixes.resize(mark);
        }
    }
    if (!node.optional) return false;
    if (node.numbered) suffixes.push_back(1);
    if (matchFrom(patternIndex + 1, commandIndex, nodes, suffixes)) return true;
    suffixes.resize(mark);
    return false;
}

bool matchesMnemonic(std::string_view text, std::string_view mnemonic) {
    std::string shortForm;
    for (const char c : mnemonic) {
        if (!std::isupper(static_cast<unsigned char>(c))) break;
        shortForm += c;
    }
    const auto given = upper(text);
    return given == shortForm || given == upper(mnemonic);
}

std::optional<double> parseQuantity(std::string_view text, Quantity quantity) {
    text = trim(text);
    if (text.starts_with('+')) text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    const auto unit = upper(trim(text.substr(static_cast<std::size_t>(end - text.data()))));
    if (unit.empty()) return value;
    switch (quantity) {
        case Quantity::kFrequency:
            if (unit == "HZ") return value;
            if (unit == "KHZ") return value * 1e3;
            if (unit == "MHZ") return value * 1e6;
            if (unit == "GHZ") return value * 1e9;
            break;
        case Quantity::kPowerLevel:
            if (unit == "DBM") return value;
            break;
        case Quantity::kRatio:
            if (unit == "DB") return value;
            break;
    }
    return std::nullopt;
}

std::optional<bool> parseBoolean(std::string_view text) {
    const auto word = upper(trim(text));
    if (word == "ON" || word == "1") return true;
    if (word == "OFF" || word == "0") return false;
    return std::nullopt;
}

}  // namespace gpibsim::scpi
