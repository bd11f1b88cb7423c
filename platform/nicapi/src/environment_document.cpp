#include "environment_document.h"

#include "environment_values.h"

namespace nicapi {
namespace {

enum class LineKind { kBlank, kComment, kHeader, kEntry, kBad };

LineKind classify(std::string_view line) {
    line = trim(line);
    if (line.empty()) return LineKind::kBlank;
    if (line.starts_with('#') || line.starts_with(';')) return LineKind::kComment;
    if (line.starts_with('[')) return line.ends_with(']') ? LineKind::kHeader : LineKind::kBad;
    return line.find('=') != std::string_view::npos ? LineKind::kEntry : LineKind::kBad;
}

DocumentSection header(std::string_view line, int number) {
    line = trim(line);
    line = trim(line.substr(1, line.size() - 2));
    const auto blank = std::min(line.find_first_of(" \t"), line.size());
    return {toLower(line.substr(0, blank)), std::string(trim(line.substr(blank))), number, {}};
}

DocumentEntry entry(std::string_view line, int number) {
    const auto equals = line.find('=');
    return {toLower(trim(line.substr(0, equals))), std::string(trim(line.substr(equals + 1))),
            number};
}

std::string entryLine(std::string_view key, std::string_view value) {
    return std::string(key) + " = " + std::string(value);
}

}  // namespace

DocumentResult EnvironmentDocument::parse(std::string_view text, std::string_view fileName) {
    std::vector<std::string> lines;
    bool inSection = false;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        std::string line(text.substr(0, end));
        if (line.ends_with('\r')) line.pop_back();
        text.remove_prefix(std::min(end + 1, text.size()));
        const auto where = std::string(fileName) + ":" + std::to_string(lines.size() + 1) + ": ";
        switch (classify(line)) {
            case LineKind::kBad:
                return {std::nullopt, where +
                                          "neither a section, a \"key = value\" line nor a "
                                          "comment: \"" +
                                          std::string(trim(line)) + "\""};
            case LineKind::kHeader:
                if (header(line, 0).kind.empty()) return {std::nullopt, where + "empty section"};
                inSection = true;
                break;
            case LineKind::kEntry:
                if (!inSection) return {std::nullopt, where + "\"key = value\" before a section"};
                if (entry(line, 0).key.empty()) return {std::nullopt, where + "missing key"};
                break;
            default:
                break;
        }
        lines.push_back(std::move(line));
    }
    return {EnvironmentDocument(std::move(lines)), {}};
}

std::vector<DocumentSection> EnvironmentDocument::sections() const {
    std::vector<DocumentSection> sections;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        const LineKind kind = classify(lines_[i]);
        if (kind == LineKind::kHeader) sections.push_back(header(lines_[i], number));
        if (kind == LineKind::kEntry) sections.back().entries.push_back(entry(lines_[i], number));
    }
    return sections;
}

std::pair<std::size_t, std::size_t> EnvironmentDocument::sectionLines(std::size_t section) const {
    std::size_t first = lines_.size();
    std::size_t seen = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (classify(lines_[i]) != LineKind::kHeader) continue;
        if (first != lines_.size()) return {first, i};
        if (seen++ == section) first = i;
    }
    return {first, lines_.size()};
}

void EnvironmentDocument::setValue(std::size_t section, std::string_view key,
                                   std::string_view value) {
    const auto [first, end] = sectionLines(section);
    std::size_t insertAt = first + 1;
    for (std::size_t i = first + 1; i < end; ++i) {
        if (classify(lines_[i]) != LineKind::kEntry) continue;
        if (entry(lines_[i], 0).key == toLower(key)) {
            lines_[i] = entryLine(key, value);
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), entryLine(key, value));
}

void EnvironmentDocument::removeSection(std::size_t section) {
    auto [first, end] = sectionLines(section);
    // The comment lines right above a header belong to its section.
    if (end < lines_.size()) {
        while (end > first + 1 && classify(lines_[end - 1]) == LineKind::kComment)
            --end;
    }
    while (end > first + 1 && classify(lines_[end - 1]) == LineKind::kBlank)
        --end;
    while (first > 0 && classify(lines_[first - 1]) == LineKind::kComment)
        --first;
    if (first > 0 && classify(lines_[first - 1]) == LineKind::kBlank) --first;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
}

void EnvironmentDocument::appendSection(std::string_view header, const KeyValues& entries) {
    if (!lines_.empty() && classify(lines_.back()) != LineKind::kBlank) lines_.emplace_back();
    lines_.push_back("[" + std::string(header) + "]");
    for (const auto& [key, value] : entries)
        lines_.push_back(entryLine(key, value));
}

std::string EnvironmentDocument::text() const {
    std::string text;
    for (const auto& line : lines_)
        text += line + '\n';
    return text;
}

}  // namespace nicapi
