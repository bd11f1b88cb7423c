#include "hive_format.h"

#include <algorithm>
#include <bit>
#include <span>

namespace registry {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::size_t kLineLimit = 80;  // hex lists are continued on the next line before this
constexpr std::string_view kContinuationIndent = "  ";
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kDwordDigits = 8;
constexpr std::size_t kTypeDigits = 8;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view trim(std::string_view text) {
    return trimLeft(trimRight(text));
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The number written with 1 to `maxDigits` hex digits, or nullopt.
std::optional<DWORD> parseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    DWORD number = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        number = number << 4 | static_cast<DWORD>(digit);
    }
    return number;
}

// The lines of a text, ending in LF or CRLF, numbered from 1.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(std::string_view& line) {
        if (position_ >= text_.size()) return false;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(position_, end - position_);
        if (line.ends_with('\r')) line.remove_suffix(1);
        position_ = end + 1;
        ++number_;
        return true;
    }

    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    int number_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : lines_(text) {}

    ParsedFile run() {
        std::string_view line;
        if (!lines_.next(line) || trimRight(line) != kHeader) {
            fail("expected '" + std::string(kHeader) + "' on the first line");
        }
        while (!result_.error && lines_.next(line))
            parseLine(trim(line));
        if (result_.error) result_.sections.clear();
        return std::move(result_);
    }

private:
    bool fail(std::string what) {
        if (!result_.error)
            result_.error = FormatError{std::max(lines_.number(), 1), std::move(what)};
        return false;
    }

    bool parseLine(std::string_view text) {
        if (text.empty() || text.front() == ';') return true;
        if (text.front() == '[') return parseSection(text);
        if (text.front() != '"' && text.front() != '@') {
            return fail("expected a [key], a \"value name\" or '@' at the start of the line");
        }
        if (result_.sections.empty()) return fail("value before the first [key] line");
        return parseValue(text);
    }

    bool parseSection(std::string_view text) {
        if (!text.ends_with(']')) return fail("expected ']' after the key name");
        std::string_view name = text.substr(1, text.size() - 2);
        Section section;
        section.line = lines_.number();
        if (name.starts_with('-')) {
            section.remove = true;
            name.remove_prefix(1);
        }
        auto components = splitPath(name);
        if (!components) return fail("empty key name in '" + std::string(text) + "'");
        const auto root = rootFromName(components->front());
        if (!root) return fail("unknown root key '" + components->front() + "'");
        if (section.remove && components->size() == 1) return fail("a root key cannot be deleted");
        section.root = *root;
        section.path.assign(std::next(components->begin()), components->end());
        result_.sections.push_back(std::move(section));
        return true;
    }

    bool parseValue(std::string_view text) {
        ValueChange change;
        change.line = lines_.number();
        if (text.front() == '@') {
            text.remove_prefix(1);
        } else if (!parseString(text, change.name, "value name")) {
            return false;
        }
        text = trimLeft(text);
        if (!text.starts_with('=')) return fail("expected '=' after value name");
        if (!parseData(trimLeft(text.substr(1)), change)) return false;
        result_.sections.back().values.push_back(std::move(change));
        return true;
    }

    // Reads a text in double quotes at the start of `text` and moves `text` past it.
    bool parseString(std::string_view& text, std::string& out, const char* what) {
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '"') {
                text.remove_prefix(i + 1);
                return true;
            }
            const bool escape =
                c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"');
            if (escape) ++i;
            out += text[i];
        }
        return fail(std::string("missing '\"' at the end of the ") + what);
    }

    bool parseData(std::string_view text, ValueChange& change) {
        if (text == "-") return true;
        Value value;
        value.name = change.name;
        bool parsed = false;
        if (text.starts_with('"')) {
            parsed = parseText(text, value);
        } else if (startsWithNoCase(text, "dword:")) {
            parsed = parseDword(text.substr(6), value);
        } else if (startsWithNoCase(text, "hex")) {
            parsed = parseHex(text.substr(3), value);
        } else {
            return fail("expected \"text\", dword:, hex: or - after '='");
        }
        if (parsed) change.value = std::move(value);
        return parsed;
    }

    bool parseText(std::string_view text, Value& value) {
        std::string content;
        if (!parseString(text, content, "text")) return false;
        if (!trimLeft(text).empty()) return fail("unexpected text after the closing '\"'");
        value.type = REG_SZ;
        value.data.assign(content.begin(), content.end());
        return true;
    }

    bool parseDword(std::string_view text, Value& value) {
        const auto number = parseHexNumber(text, kDwordDigits);
        if (!number) return fail("expected up to 8 hex digits after 'dword:'");
        value.type = REG_DWORD;
        value.data.resize(sizeof(DWORD));
        for (std::size_t i = 0; i < sizeof(DWORD); ++i)
            value.data[i] = static_cast<BYTE>(*number >> (8 * i));
        return true;
    }

    // After "hex": "(N):" or ":" and the list of bytes.
    bool parseHex(std::string_view text, Value& value) {
        value.type = REG_BINARY;
        if (text.starts_with('(')) {
            const std::size_t close = text.find(')');
            const auto type = close == std::string_view::npos
                                  ? std::nullopt
                                  : parseHexNumber(text.substr(1, close - 1), kTypeDigits);
            if (!type) return fail("expected a hex type number in 'hex(N):'");
            value.type = *type;
            text.remove_prefix(close + 1);
        }
        if (!text.starts_with(':')) return fail("expected ':' after 'hex'");
        if (!parseHexList(text.substr(1), value.data)) return false;
        if (value.type == REG_SZ)
            value.data.erase(std::find(value.data.begin(), value.data.end(), 0), value.data.end());
        return true;
    }

    bool parseHexList(std::string_view part, std::vector<BYTE>& bytes) {
        while (true) {
            part = trim(part);
            const bool continued = part.ends_with('\\');
            if (continued) part = trimRight(part.substr(0, part.size() - 1));
            if (!parseHexBytes(part, bytes)) return false;
            if (!continued) return true;
            if (!lines_.next(part)) return fail("the file ends inside a continued hex list");
        }
    }

    // "0a,ff,..."; a ',' may end the list.
    bool parseHexBytes(std::string_view part, std::vector<BYTE>& bytes) {
        while (true) {
            const std::size_t comma = part.find(',');
            const std::string_view token = trim(part.substr(0, comma));
            const bool last = comma == std::string_view::npos;
            if (token.empty() && last) return true;
            const auto byte = parseHexNumber(token, 2);
            if (!byte) return fail("expected a hex byte, found '" + std::string(token) + "'");
            bytes.push_back(static_cast<BYTE>(*byte));
            if (last) return true;
            part.remove_prefix(comma + 1);
        }
    }

    LineReader lines_;
    ParsedFile result_;
};

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

void appendHexByte(std::string& out, BYTE byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xf];
}

void appendHexNumber(std::string& out, DWORD number, std::size_t digits) {
    for (std::size_t i = digits; i-- > 0;)
        out += kHexDigits[(number >> (4 * i)) & 0xf];
}

// The bytes as "0a,ff,...", continued on the next line before a line grows past the limit.
void appendHexList(std::string& out, std::span<const BYTE> bytes, std::size_t column) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
            if (++column + 4 > kLineLimit) {
                out += "\\\n";
                out += kContinuationIndent;
                column = kContinuationIndent.size();
            }
        }
        appendHexByte(out, bytes[i]);
        column += 2;
    }
}

std::string_view textOf(const Value& value) {
    return {reinterpret_cast<const char*>(value.data.data()), value.data.size()};
}

void appendData(std::string& out, const Value& value, std::size_t lineStart) {
    if (value.type == REG_SZ && storableName(textOf(value))) {
        appendQuoted(out, textOf(value));
        return;
    }
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        for (std::size_t i = 0; i < sizeof(DWORD); ++i)
            number |= static_cast<DWORD>(value.data[i]) << (8 * i);
        out += "dword:";
        appendHexNumber(out, number, kDwordDigits);
        return;
    }
    std::vector<BYTE> bytes = value.data;
    if (value.type == REG_SZ) bytes.push_back(0);  // a text with line breaks, kept whole
    if (value.type == REG_BINARY) {
        out += "hex:";
    } else {
        out += "hex(";
        const std::size_t digits = std::max<std::size_t>(1, (std::bit_width(value.type) + 3) / 4);
        appendHexNumber(out, value.type, digits);
        out += "):";
    }
    appendHexList(out, bytes, out.size() - lineStart);
}

void appendValue(std::string& out, const Value& value) {
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += '@';
    } else {
        appendQuoted(out, value.name);
    }
    out += '=';
    appendData(out, value, lineStart);
    out += '\n';
}

void appendSection(std::string& out, const Key& key, const std::string& fullName) {
    out += '[';
    out += fullName;
    out += "]\n";
    for (const auto& value : key.values())
        appendValue(out, value);
    out += '\n';
    for (const auto& subkey : key.subkeys())
        appendSection(out, subkey, fullName + '\\' + subkey.name());
}

}  // namespace

ParsedFile parseRegFile(std::string_view text) {
    return Parser(text).run();
}

bool applySection(const Section& section, Key& root) {
    if (section.remove) {
        if (section.path.empty()) return false;
        const std::span<const std::string> path(section.path);
        Key* parent = root.find(path.first(path.size() - 1));
        return parent != nullptr && parent->removeSubkey(path.back());
    }
    auto [key, changed] = root.makePath(section.path);
    for (const auto& change : section.values) {
        const bool done =
            change.value ? key->setValue(*change.value) : key->removeValue(change.name);
        changed = done || changed;
    }
    return changed;
}

std::string writeRegFile(const Key& key, const std::string& fullName) {
    std::string out(kHeader);
    out += "\n\n";
    appendSection(out, key, fullName);
    return out;
}

}  // namespace registry
