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

struct Conversion {
    std::string utf8;
    std::string utf16;
};

TEST(TextEncoding, ConvertsBothWays) {
    const Conversion cases[] = {
        {"", ""},
        {"A", std::string("A\0", 2)},
        {"\xc3\xa9", std::string("\xe9\0", 2)},    // U+00E9
        {"\xe2\x82\xac", "\xac\x20"},              // U+20AC
        {"\xef\xbf\xbd", "\xfd\xff"},              // U+FFFD
        {"\xf0\x9f\x93\xb6", "\x3d\xd8\xf6\xdc"},  // U+1F4F6, a surrogate pair
        {"\xf4\x8f\xbf\xbf", "\xff\xdb\xff\xdf"},  // U+10FFFF
        {std::string("a\0b\0\0", 5), std::string("a\0\0\0b\0\0\0\0\0", 10)},  // NULs kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(registry::utf16leFromUtf8(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(registry::utf8FromUtf16le(c.utf16), c.utf8) << c.utf8;
        EXPECT_TRUE(registry::isUtf8(c.utf8));
    }
}

TEST(TextEncoding, RefusesIllFormedText) {
    const std::string notUtf8[] = {
        "caf\xe9",           // Latin-1
        "\xc0\x80",          // overlong NUL
        "\xe0\x80\xaf",      // overlong '/'
        "\xed\xa0\x80",      // a surrogate
        "\xf4\x90\x80\x80",  // past U+10FFFF
        "\xe2\x82",          // cut short
        "\x80",              // a continuation byte alone
    };
    for (const auto& text : notUtf8) {
        EXPECT_FALSE(registry::isUtf8(text)) << text;
        EXPECT_FALSE(registry::utf16leFromUtf8(text)) << text;
    }
    struct Broken {
        std::string utf16;
        std::size_t failedAt;
    };
    const Broken broken[] = {
        {"A", 0},                                 // odd
        {std::string("A\0B", 3), 2},              // odd after a character
        {std::string("\x00\xdc", 2), 0},          // a low surrogate first
        {std::string("A\0\x3d\xd8", 4), 2},       // a high surrogate at the end
        {std::string("\x3d\xd8\x41\x00", 4), 0},  // a high surrogate before a character
    };
    for (const auto& b : broken) {
        std::size_t failedAt = 99;
        EXPECT_FALSE(registry::utf8FromUtf16le(b.utf16, failedAt)) << hexList(b.utf16);
        EXPECT_EQ(failedAt, b.failedAt) << hexList(b.utf16);
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
    const std::string regedit4 =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Caf\xc3\xa9]\n@=\"d\xc3\xa9"
        "faut\"\n"
        "\"Path\"=\"C:\\\\x \\\"q\\\"\"\n\"Expand\"=hex(2):25,50,25,c3,a9,00\n"
        "\"Multi\"=hex(7):61,00,e2,82,ac,00,00\n\"Lines\"=hex(1):61,0a,62,00\n\"Bin\"=hex:c3,a9\n";
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

TEST_F(RegeditFiles, ExportKeepsTheCharacters) {
    writeFile(userHive(), kExpected);
    const std::string unicodeFile = "\xff\xfe" + wide(crlf(unicodeText()));
    struct Case {
        registry::ExportForm form;
        std::string bytes;
    };
    const Case cases[] = {
        {registry::ExportForm::kAutomatic, unicodeFile},
        {registry::ExportForm::kUnicode, unicodeFile},
        {registry::ExportForm::kRegedit4,
         crlf(kExpected.substr(0, 10) +
              kExpected.substr(kExpected.find("[HKEY_CURRENT_USER\\Software\\")))},
    };
    for (const auto& c : cases) {
        std::string bytes;
        std::string problem;
        ASSERT_EQ(registry::exportFile(HKEY_CURRENT_USER, "Software\\caf\xc3\xa9", c.form, bytes,
                                       problem),
                  ERROR_SUCCESS);
        EXPECT_EQ(bytes, c.bytes) << static_cast<int>(c.form);
        // Read back, the file gives the same keys.
        const std::string hive = readFile(userHive());
        std::string error;
        ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
        ASSERT_EQ(registry::importText(bytes, "out.reg", error), ERROR_SUCCESS) << error;
        EXPECT_EQ(readFile(userHive()), hive);
    }
}

TEST_F(RegeditFiles, FormFollowsTheText) {
    struct Case {
        const char* what;
        std::string hive;
        registry::ExportForm chosen;
        std::string problem;  // of kUnicode
    };
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER]\n";
    const Case cases[] = {
        {"ASCII", head + "\"a\"=\"b\"\n\n", registry::ExportForm::kRegedit4, ""},
        {"UTF-8 text", head + "\"a\"=\"\xc3\xa9\"\n\n", registry::ExportForm::kUnicode, ""},
        {"UTF-8 value name", head + "\"\xc3\xa9\"=dword:1\n\n", registry::ExportForm::kUnicode, ""},
        {"UTF-8 key name", head + "\n[HKEY_CURRENT_USER\\\xc3\xa9]\n\n",
         registry::ExportForm::kUnicode, ""},
        {"UTF-8 multi-string", head + "\"m\"=hex(7):c3,a9,00,00\n\n",
         registry::ExportForm::kUnicode, ""},
        {"bytes in binary data", head + "\"b\"=hex:c3,e9\n\n", registry::ExportForm::kRegedit4, ""},
        {"Latin-1 text", head + "\"a\"=\"\xc3\xa9\"\n\"b\"=\"caf\xe9\"\n\n",
         registry::ExportForm::kRegedit4, "the value 'b' of HKEY_CURRENT_USER is not UTF-8 text"},
        {"Latin-1 default value", head + "@=\"\xe9\"\n\n", registry::ExportForm::kRegedit4,
         "the default value of HKEY_CURRENT_USER is not UTF-8 text"},
        {"Latin-1 key name", head + "\n[HKEY_CURRENT_USER\\\xe9]\n\n",
         registry::ExportForm::kRegedit4,
         "the key name 'HKEY_CURRENT_USER\\\xe9' is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        writeFile(userHive(), c.hive);
        std::string automatic;
        std::string chosen;
        std::string problem;
        const auto chosenForm = c.chosen;
        ASSERT_EQ(registry::exportFile(HKEY_CURRENT_USER, nullptr, registry::ExportForm::kAutomatic,
                                       automatic, problem),
                  ERROR_SUCCESS)
            << c.what;
        ASSERT_EQ(registry::exportFile(HKEY_CURRENT_USER, nullptr, chosenForm, chosen, problem),
                  ERROR_SUCCESS)
            << c.what;
        EXPECT_EQ(automatic, chosen) << c.what;
        std::string unicode;
        const LONG status = registry::exportFile(HKEY_CURRENT_USER, nullptr,
                                                 registry::ExportForm::kUnicode, unicode, problem);
        EXPECT_EQ(status, c.problem.empty() ? ERROR_SUCCESS : ERROR_NO_UNICODE_TRANSLATION)
            << c.what;
        EXPECT_EQ(problem, c.problem) << c.what;
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
