// The environment file as text: INI-like sections of "key = value" lines, with comments and
// blank lines kept, so that nicapi-sim can change a value and leave the rest of the file as the
// user wrote it.
//
//   # a comment (a line starting with '#' or ';'; there are no comments after values)
//   [kind label]        a section: its kind, then an optional label
//   key = value         keys are case-insensitive; values are trimmed
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nicapi {

struct DocumentEntry {
    std::string key;  // lower case
    std::string value;
    int line = 0;
};

struct DocumentSection {
    std::string kind;  // lower case
    std::string label;
    int line = 0;
    std::vector<DocumentEntry> entries;
};

struct DocumentResult;

using KeyValues = std::vector<std::pair<std::string, std::string>>;

class EnvironmentDocument {
public:
    static DocumentResult parse(std::string_view text, std::string_view fileName);

    // The sections in file order; a section's position in this list names it below.
    std::vector<DocumentSection> sections() const;

    // Replaces the key's line in the section, or adds one after the section's last entry.
    void setValue(std::size_t section, std::string_view key, std::string_view value);
    // Removes the section with the comment lines right above its header; the comment lines
    // right above the next header stay with that section.
    void removeSection(std::size_t section);
    void appendSection(std::string_view header, const KeyValues& entries);

    std::string text() const;

private:
    explicit EnvironmentDocument(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    // Line range [first, end) of the section, from its header to the next header.
    std::pair<std::size_t, std::size_t> sectionLines(std::size_t section) const;

    std::vector<std::string> lines_;
};

struct DocumentResult {
    std::optional<EnvironmentDocument> document;
    std::string error;  // "FILE:LINE: what is wrong"
};

}  // namespace nicapi
