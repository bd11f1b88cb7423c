// The two file forms of regedit: UTF-8 and UTF-16LE conversions, the same keys read from every
// form and encoding, exports in the form that keeps the characters, and a hive file in the 5.00
// form.
#include <registry/store.h>

#include "hive_format.h"
#include "registry_fixture.h"
#include "text_encoding.h"

namespace {

using registrytest::readFile;
using registrytest::writeFile;

// UTF-8 text as UTF-16LE, for writing the expected files.
std::string wide(std::string_view text) {
    const auto bytes = registry::utf16leFromUtf8(text);
    EXPECT_TRUE(bytes) << text;
    return bytes.value_or("");
}

// The bytes as a hex list, "61,00,62,00".
std::string hexList(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!out.empty()) out += ',';
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xf];
    }
    return out;
}

std::string crlf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST(TextEncoding, ConvertsWellFormedTextAndRefusesTheRest) {
    const std::pair<std::string, std::string> both[] = {
        {"\xc3\xa9\xe2\x82\xac", std::string("\xe9\0\xac\x20", 4)},  // U+00E9 U+20AC
        {"\xf0\x9f\x93\xb6", "\x3d\xd8\xf6\xdc"},                    // a surrogate pair
        {"\xf4\x8f\xbf\xbf", "\xff\xdb\xff\xdf"},                    // U+10FFFF
        {std::string("a\0\0", 3), std::string("a\0\0\0\0\0", 6)},    // NULs kept
    };
    for (const auto& [utf8, utf16] : both) {
        EXPECT_EQ(registry::utf16leFromUtf8(utf8), utf16) << utf8;
        EXPECT_EQ(registry::utf8FromUtf16le(utf16), utf8) << utf8;
    }
    // Latin-1, overlong, a surrogate, past U+10FFFF, cut short, a lone continuation byte.
    for (const std::string text :
         {"caf\xe9", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82", "\x80"}) {
        EXPECT_FALSE(registry::utf16leFromUtf8(text)) << text;
    }
    // Odd, a lone low surrogate, a high surrogate at the end or before a character.
    const std::pair<std::string, std::size_t> broken[] = {
        {std::string("A\0B", 3), 2},
        {std::string("A\0\x00\xdc", 4), 2},
        {std::string("A\0\x3d\xd8", 4), 2},
        {std::string("\x3d\xd8\x41\x00", 4), 0},
    };
    for (const auto& [utf16, at] : broken) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(registry::utf8FromUtf16le(utf16, failedAt)) << hexList(utf16);
        EXPECT_EQ(failedAt, at) << hexList(utf16);
    }
}

// The same keys in every form and encoding regedit may give them in.
const std::string kExpected =
    "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\n[HKEY_CURRENT_USER\\Software]\n\n"
    "[HKEY_CURRENT_USER\\Software\\Caf\xc3\xa9]\n"
    "@=\"d\xc3\xa9"
    "faut\"\n"
    "\"Path\"=\"C:\\\\x \\\"q\\\"\"\n"
    "\"Expand\"=hex(2):25,50,25,c3,a9,00\n"
    "\"Multi\"=hex(7):61,00,e2,82,ac,00,00\n"
    "\"Lines\"=hex(1):61,0a,62,00\n"
    "\"Bin\"=hex:c3,a9\n"
    "\n";

std::string unicodeText() {
    return "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Caf\xc3\xa9]\n"
           "@=\"d\xc3\xa9"
           "faut\"\n"
           "\"Path\"=\"C:\\\\x \\\"q\\\"\"\n"
           "\"Expand\"=hex(2):" +
           hexList(wide(std::string("%P%\xc3\xa9\0", 6))) +
           "\n\"Multi\"=hex(7):" + hexList(wide(std::string("a\0\xe2\x82\xac\0\0", 7))) +
           "\n\"Lines\"=hex(1):" + hexList(wide(std::string("a\nb\0", 4))) +
           "\n\"Bin\"=hex:c3,a9\n\n";
}

struct Form {
    const char* what;
    std::string bytes;
};

class RegeditFiles : public registrytest::RegistryTest {};

TEST_F(RegeditFiles, EveryFormReadsToTheSameKeys) {
    const std::string& regedit4 = kExpected;
    const Form forms[] = {
        {"REGEDIT4, LF", regedit4},
        {"REGEDIT4, CRLF, UTF-8 mark", "\xef\xbb\xbf" + crlf(regedit4)},
        {"5.00, UTF-16LE mark, CRLF", "\xff\xfe" + wide(crlf(unicodeText()))},
        {"5.00, UTF-16LE mark, LF", "\xff\xfe" + wide(unicodeText())},
        {"5.00, UTF-16LE without mark", wide(crlf(unicodeText()))},
        {"5.00, UTF-8, CRLF", crlf(unicodeText())},
        {"5.00, UTF-8 mark", "\xef\xbb\xbf" + unicodeText()},
    };
    for (const auto& form : forms) {
        useDirectory(registrytest::makeTemporaryDirectory());
        std::string error;
        ASSERT_EQ(registry::importText(form.bytes, "in.reg", error), ERROR_SUCCESS)
            << form.what << ": " << error;
        EXPECT_EQ(readFile(userHive()), kExpected) << form.what;
    }
}

TEST_F(RegeditFiles, FormFollowsTheText) {
    struct Case {
        std::string hive;
        bool unicode;         // the form chosen without being asked
        std::string problem;  // of the Unicode form when asked
    };
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER]\n";
    const Case cases[] = {
        {head + "\"a\"=\"b\"\n\n", false, ""},
        {head + "\"a\"=\"\xc3\xa9\"\n\n", true, ""},
        {head + "\n[HKEY_CURRENT_USER\\\xc3\xa9]\n\n", true, ""},
        {head + "\"b\"=hex:c3,e9\n\n", false, ""},  // bytes, not text
        {head + "\"a\"=\"\xc3\xa9\"\n\"b\"=\"caf\xe9\"\n\n", false,
         "the value 'b' of HKEY_CURRENT_USER is not UTF-8 text"},
        {head + "\n[HKEY_CURRENT_USER\\\xe9]\n\n", false,
         "the key name 'HKEY_CURRENT_USER\\\xe9' is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        writeFile(userHive(), c.hive);
        std::string bytes;
        std::string problem;
        ASSERT_EQ(registry::exportFile(HKEY_CURRENT_USER, nullptr, registry::ExportForm::kAutomatic,
                                       bytes, problem),
                  ERROR_SUCCESS)
            << c.hive;
        EXPECT_EQ(bytes.starts_with("\xff\xfe"), c.unicode) << c.hive;
        const LONG status = registry::exportFile(HKEY_CURRENT_USER, nullptr,
                                                 registry::ExportForm::kUnicode, bytes, problem);
        EXPECT_EQ(status, c.problem.empty() ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION);
        EXPECT_EQ(problem, c.problem) << c.hive;
    }
}

TEST_F(RegeditFiles, HiveInTheUnicodeFormIsReadAndWrittenBackAsRegedit4) {
    std::filesystem::create_directories(directory());
    writeFile(userHive(), "\xff\xfe" + wide(crlf(unicodeText())));
    registrytest::KeyHandle key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Caf\xc3\xa9", 0, KEY_READ, key.out()),
              ERROR_SUCCESS);
    EXPECT_EQ(registrytest::queryString(key.get(), nullptr),
              "d\xc3\xa9"
              "faut");
    char expand[16] = {};
    DWORD size = sizeof(expand);
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key.get(), "Expand", nullptr, &type, reinterpret_cast<BYTE*>(expand),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    EXPECT_EQ(std::string(expand, size), std::string("%P%\xc3\xa9\0", 6));
    ASSERT_EQ(registrytest::setDword(key.get(), "New", 1), ERROR_SUCCESS);
    EXPECT_EQ(readFile(userHive()),
              kExpected.substr(0, kExpected.size() - 1) + "\"New\"=dword:00000001\n\n");
}

}  // namespace
