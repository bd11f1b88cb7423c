#include "hive_format.h"

#include <algorithm>
#include <bit>
#include <span>

#include "text_encoding.h"

namespace registry {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf16Bom = "\xff\xfe";
constexpr std::string_view kUtf16BigEndianBom = "\xfe\xff";
constexpr std::string_view kUtf8Bom = "\xef\xbb\xbf";
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

std::string_view textOf(const Value& value) {
    return {reinterpret_cast<const char*>(value.data.data()), value.data.size()};
}

// The types whose data is text, written as UTF-16LE in the 5.00 form.
bool holdsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
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
        const bool read = lines_.next(line);
        unicode_ = read && trimRight(line) == kUnicodeHeader;
        if (!read || (!unicode_ && trimRight(line) != kHeader)) {
            fail("expected '" + std::string(kHeader) + "' or '" + std::string(kUnicodeHeader) +
                 "' on the first line");
        }
        while (!result_.error && lines_.next(line))
            parseLine(trim(line));
        if (result_.error) result_.sections.clear();
        return std::move(result_);
    }

private:
    bool fail(std::string what) { return failAt(lines_.number(), std::move(what)); }

    bool failAt(int line, std::string what) {
        if (!result_.error) result_.error = FormatError{std::max(line, 1), std::move(what)};
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

    // After "hex": "(N):" or ":" and the list of bytes. Texts in hex lists of the 5.00 form are
    // UTF-16LE and are kept as UTF-8.
    bool parseHex(std::string_view text, Value& value) {
        const int line = lines_.number();
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
        if (unicode_ && holdsText(value.type)) {
            const auto utf8 = utf8FromUtf16le(textOf(value));
            if (!utf8) {
                return failAt(line, "the text of a hex(" + std::to_string(value.type) +
                                        ") value is not UTF-16LE (an odd number of bytes or a "
                                        "broken surrogate pair)");
            }
            value.data.assign(utf8->begin(), utf8->end());
        }
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
    bool unicode_ = false;  // the "Windows Registry Editor Version 5.00" form
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

void appendData(std::string& out, const Value& value, std::size_t lineStart, FileForm form) {
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
    if (form == FileForm::kUnicode && holdsText(value.type)) {
        // Checked by the caller: the text is UTF-8.
        const auto wide =
            utf16leFromUtf8({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        if (wide) bytes.assign(wide->begin(), wide->end());
    }
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

void appendValue(std::string& out, const Value& value, FileForm form) {
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += '@';
    } else {
        appendQuoted(out, value.name);
    }
    out += '=';
    appendData(out, value, lineStart, form);
    out += '\n';
}

void appendSection(std::string& out, const Key& key, const std::string& fullName, FileForm form) {
    out += '[';
    out += fullName;
    out += "]\n";
    for (const auto& value : key.values())
        appendValue(out, value, form);
    out += '\n';
    for (const auto& subkey : key.subkeys())
        appendSection(out, subkey, fullName + '\\' + subkey.name(), form);
}

std::string writeText(const Key& key, const std::string& fullName, FileForm form) {
    std::string out(form == FileForm::kUnicode ? kUnicodeHeader : kHeader);
    out += "\n\n";
    appendSection(out, key, fullName, form);
    return out;
}

// Calls `visit(where, text)` for every name and text below `key` until it answers false.
template <typename Visit>
bool visitTexts(const Key& key, const std::string& fullName, const Visit& visit) {
    if (!visit("the key name '" + fullName + "'", fullName)) return false;
    for (const auto& value : key.values()) {
        const std::string where = (value.name.empty() ? std::string("the default value")
                                                      : "the value '" + value.name + "'") +
                                  " of " + fullName;
        if (!visit(where, value.name)) return false;
        if (holdsText(value.type) && !visit(where, textOf(value))) return false;
    }
    for (const auto& subkey : key.subkeys()) {
        if (!visitTexts(subkey, fullName + '\\' + subkey.name(), visit)) return false;
    }
    return true;
}

// The 8-bit text as UTF-16LE after a byte-order mark.
std::string utf16File(std::string_view text) {
    return std::string(kUtf16Bom) + utf16leFromUtf8(text).value_or(std::string());
}

// The line that the UTF-16LE byte at `offset` of `bytes` is on.
int lineOfUtf16(std::string_view bytes, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i + 1 < offset && i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == '\n' && bytes[i + 1] == 0) ++line;
    }
    return line;
}

}  // namespace

ParsedFile parseRegFile(std::string_view bytes) {
    if (bytes.starts_with(kUtf16BigEndianBom)) {
        return {{}, FormatError{1, "a UTF-16 big-endian file; save it as UTF-16LE or UTF-8"}};
    }
    // UTF-16LE: after its byte-order mark, or a first character of ASCII without one.
    const bool wide =
        bytes.starts_with(kUtf16Bom) || (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0);
    if (!wide) {
        if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
        return Parser(bytes).run();
    }
    if (bytes.starts_with(kUtf16Bom)) bytes.remove_prefix(kUtf16Bom.size());
    std::size_t failedAt = 0;
    const auto text = utf8FromUtf16le(bytes, failedAt);
    if (!text) {
        return {{},
                FormatError{lineOfUtf16(bytes, failedAt),
                            "not UTF-16LE text (an odd number of bytes or a broken surrogate "
                            "pair)"}};
    }
    return Parser(*text).run();
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
    return writeText(key, fullName, FileForm::kRegedit4);
}

FileForm preferredForm(const Key& key, const std::string& fullName) {
    bool wide = false;
    const bool utf8 = visitTexts(key, fullName, [&wide](const std::string&, std::string_view text) {
        wide = wide || !isAscii(text);
        return isUtf8(text);
    });
    return wide && utf8 ? FileForm::kUnicode : FileForm::kRegedit4;
}

std::optional<std::string> writeExportFile(const Key& key, const std::string& fullName,
                                           FileForm form, std::string& problem) {
    if (form == FileForm::kUnicode) {
        visitTexts(key, fullName, [&problem](const std::string& where, std::string_view text) {
            if (!isUtf8(text)) problem = where + " is not UTF-8 text";
            return problem.empty();
        });
        if (!problem.empty()) return std::nullopt;
    }
    const std::string text = writeText(key, fullName, form);
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return form == FileForm::kUnicode ? utf16File(crlf) : crlf;
}

}  // namespace registry
