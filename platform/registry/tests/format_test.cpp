// The REGEDIT4 hive format: files written by the store read back to the same bytes, files written
// by hand in regedit's style are understood, and broken files are reported and left alone.
#include <registry/store.h>

#include <sstream>

#include "hive_format.h"
#include "registry_fixture.h"

namespace {

using registrytest::createKey;
using registrytest::KeyHandle;
using registrytest::queryString;
using registrytest::readFile;
using registrytest::writeFile;

const std::string kEmptyHive = "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\n";

const std::string kFullHive =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Netpanel]\n"
    "@=\"default\"\n"
    "\"Text\"=\"with \\\"quotes\\\" and C:\\\\path\\\\\"\n"
    "\"8-bit\"=\"\xe9t\xe9\"\n"
    "\"Number\"=dword:0000000a\n"
    "\"Key\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\n"
    "  30,31,32,33\n"
    "\"Lines\"=hex(1):61,0d,0a,62,00\n"
    "\"Multi\"=hex(7):61,00,00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Netpanel\\alpha]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Netpanel\\Beta]\n"
    "\"Empty\"=\"\"\n"
    "\"Bytes\"=hex:\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Netpanel\\Beta\\Gamma]\n"
    "\"x\"=dword:ffffffff\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Netpanel\\_last]\n"
    "\n";

std::string writeParsed(const std::string& text) {
    const registry::ParsedFile parsed = registry::parseRegFile(text);
    EXPECT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->what;
    registry::Key root("HKEY_CURRENT_USER");
    for (const auto& section : parsed.sections)
        registry::applySection(section, root);
    return registry::writeRegFile(root, "HKEY_CURRENT_USER");
}

class HiveFormat : public registrytest::RegistryTest {};

TEST_F(HiveFormat, WrittenFilesReadBackToTheSameBytes) {
    for (const std::string& text : {kEmptyHive, kFullHive}) {
        EXPECT_EQ(writeParsed(text), text);

        writeFile(userHive(), text);
        std::string exported;
        ASSERT_EQ(registry::exportKey(HKEY_CURRENT_USER, nullptr, exported), ERROR_SUCCESS);
        EXPECT_EQ(exported, text);

        // A change and its undoing give the file back.
        ASSERT_EQ(registrytest::setDword(HKEY_CURRENT_USER, "Temporary", 1), ERROR_SUCCESS);
        EXPECT_NE(readFile(userHive()), text);
        ASSERT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, "Temporary"), ERROR_SUCCESS);
        EXPECT_EQ(readFile(userHive()), text);
    }
}

TEST_F(HiveFormat, LongHexListsAreContinuedWithinEightyColumns) {
    std::vector<BYTE> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    const std::string name(40, 'n');
    ASSERT_EQ(RegSetValueExA(HKEY_CURRENT_USER, name.c_str(), 0, REG_BINARY, bytes.data(),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    std::istringstream lines(readFile(userHive()));
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_LE(line.size(), 80u) << line;
    EXPECT_GT(count, 15);

    reloadFromCopy();
    std::vector<BYTE> read(400);
    DWORD size = static_cast<DWORD>(read.size());
    ASSERT_EQ(
        RegQueryValueExA(HKEY_CURRENT_USER, name.c_str(), nullptr, nullptr, read.data(), &size),
        ERROR_SUCCESS);
    read.resize(size);
    EXPECT_EQ(read, bytes);
}

TEST_F(HiveFormat, ReadsFilesWrittenByHand) {
    writeFile(userHive(),
              "REGEDIT4\r\n"
              "\r\n"
              "; written by hand\r\n"
              "[HKEY_CURRENT_USER\\Software\\B]\r\n"
              "\"Name\" = \"value\"  \r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\A\\Deep]\r\n"
              "@=\"default\"\r\n"
              "\"Bytes\"=hex:01, 02,\\\r\n"
              "  03,04\r\n"
              "   ; an indented comment\r\n"
              "\"Num\"=DWORD:FFFF\r\n"
              "\"Multi\"=hex(7):61,00,\\\r\n"
              "    62,00,00,\r\n"
              "\"Path\"=\"C:\\temp\"\r\n"
              "\"Gone\"=\"x\"\r\n"
              "\"Gone\"=-\r\n"
              "[HKEY_CURRENT_USER\\Software\\B\\Removed]\r\n"
              "[-HKEY_CURRENT_USER\\Software\\B\\Removed]\r\n"
              "[hkey_current_user\\Software\\b]\r\n"
              "\"Second\"=dword:1");
    std::string exported;
    ASSERT_EQ(registry::exportKey(HKEY_CURRENT_USER, nullptr, exported), ERROR_SUCCESS);
    EXPECT_EQ(exported,
              "REGEDIT4\n"
              "\n"
              "[HKEY_CURRENT_USER]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\A]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\A\\Deep]\n"
              "@=\"default\"\n"
              "\"Bytes\"=hex:01,02,03,04\n"
              "\"Num\"=dword:0000ffff\n"
              "\"Multi\"=hex(7):61,00,62,00,00\n"
              "\"Path\"=\"C:\\\\temp\"\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\B]\n"
              "\"Name\"=\"value\"\n"
              "\"Second\"=dword:00000001\n"
              "\n");
}

const std::string kNoHeader =
    "expected 'REGEDIT4' or 'Windows Registry Editor Version 5.00' on the first line";
const std::string kNotUtf16 =
    "not UTF-16LE text (an odd number of bytes or a broken surrogate pair)";

struct BrokenCase {
    std::string text;
    int line;
    std::string what;
};

TEST_F(HiveFormat, BrokenFilesAreReportedAndNeverOverwritten) {
    const std::string head = "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n";  // the value is on line 4
    const BrokenCase cases[] = {
        {"", 1, kNoHeader},
        {"REGEDIT5\n\n", 1, kNoHeader},
        {"Windows Registry Editor Version 4.00\n", 1, kNoHeader},
        {std::string("\xfe\xff\0R", 4), 1,
         "a UTF-16 big-endian file; save it as UTF-16LE or UTF-8"},
        // UTF-16LE: "REGEDIT4\n\n" and an odd byte on line 3, or a lone low surrogate on line 2.
        {std::string("\xff\xfeR\0E\0G\0E\0D\0I\0T\0004\0\n\0\n\0[", 23), 3, kNotUtf16},
        {std::string("\xff\xfeR\0E\0G\0E\0D\0I\0T\0004\0\n\0\x00\xdc", 22), 2, kNotUtf16},
        {"REGEDIT4\n\n\"A\"=\"x\"\n", 3, "value before the first [key] line"},
        {"REGEDIT4\n\ngarbage\n", 3,
         "expected a [key], a \"value name\" or '@' at the start of the line"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\K\n", 2, "expected ']' after the key name"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\\\K]\n", 2, "empty key name in '[HKEY_CURRENT_USER\\\\K]'"},
        {"REGEDIT4\n[HKEY_USERS\\K]\n", 2, "unknown root key 'HKEY_USERS'"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER]\n", 2, "a root key cannot be deleted"},
        {"REGEDIT4\n\n[HKEY_CURRENT_USER]\n[HKEY_LOCAL_MACHINE\\K]\n", 4,
         "key outside HKEY_CURRENT_USER"},
        {head + "\"A\" \"x\"\n", 4, "expected '=' after value name"},
        {head + "\"A\n", 4, "missing '\"' at the end of the value name"},
        {head + "\"A\"=\"x\n", 4, "missing '\"' at the end of the text"},
        {head + "\"A\"=\"x\" y\n", 4, "unexpected text after the closing '\"'"},
        {head + "\"A\"=text\n", 4, "expected \"text\", dword:, hex: or - after '='"},
        {head + "\"A\"=dword:123456789\n", 4, "expected up to 8 hex digits after 'dword:'"},
        {head + "\"A\"=dword:\n", 4, "expected up to 8 hex digits after 'dword:'"},
        {head + "\"A\"=hex:0g\n", 4, "expected a hex byte, found '0g'"},
        {head + "\"A\"=hex:01,,02\n", 4, "expected a hex byte, found ''"},
        {head + "\"A\"=hex:123\n", 4, "expected a hex byte, found '123'"},
        {head + "\"A\"=hex(zz):01\n", 4, "expected a hex type number in 'hex(N):'"},
        {head + "\"A\"=hex;01\n", 4, "expected ':' after 'hex'"},
        {head + "\"A\"=hex:01,\\\n  02,\\\n  zz\n", 6, "expected a hex byte, found 'zz'"},
        {head + "\"A\"=hex:01,\\\n", 4, "the file ends inside a continued hex list"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"A\"=hex(2):41,00,\\\n"
         "  42\n",
         3,
         "the text of a hex(2) value is not UTF-16LE (an odd number of bytes or a broken "
         "surrogate pair)"},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"A\"=hex(7):00,d8,00,00\n",
         3,
         "the text of a hex(7) value is not UTF-16LE (an odd number of bytes or a broken "
         "surrogate pair)"},
    };
    for (const auto& c : cases) {
        writeFile(userHive(), c.text);
        const std::string expected =
            userHive().string() + ":" + std::to_string(c.line) + ": " + c.what;
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_READ, &key), ERROR_BADDB) << c.text;
        EXPECT_EQ(registry::lastHiveError(), expected);
        EXPECT_EQ(registrytest::setDword(HKEY_CURRENT_USER, "A", 1), ERROR_BADDB) << c.text;
        KeyHandle created;
        EXPECT_EQ(createKey(HKEY_CURRENT_USER, "New", created), ERROR_BADDB) << c.text;
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, nullptr), ERROR_BADDB) << c.text;
        std::string error;
        EXPECT_EQ(registry::importText("REGEDIT4\n[HKEY_CURRENT_USER\\X]\n", "in.reg", error),
                  ERROR_BADDB);
        EXPECT_EQ(error, expected);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "registry: " + expected + "\n")
            << "reported once";
        EXPECT_EQ(readFile(userHive()), c.text) << "left as it was";
        EXPECT_FALSE(std::filesystem::exists(userHive().string() + ".tmp"));
        // The other hive is not concerned.
        EXPECT_EQ(registrytest::setDword(HKEY_LOCAL_MACHINE, "A", 1), ERROR_SUCCESS);
    }
}

TEST_F(HiveFormat, ImportMergesAddsAndDeletes) {
    writeFile(userHive(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Keep]\n\"Old\"=\"1\"\n\"Drop\"=\"2\"\n\n"
              "[HKEY_CURRENT_USER\\Remove\\Below]\n\"x\"=\"y\"\n");
    HKEY below = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Remove\\Below", &below), 0);
    std::string error;
    ASSERT_EQ(registry::importText("REGEDIT4\r\n\r\n"
                                   "[HKEY_CURRENT_USER\\Keep]\r\n\"New\"=dword:2\r\n\"Drop\"=-\r\n"
                                   "[-HKEY_CURRENT_USER\\Remove]\r\n"
                                   "[-HKEY_CURRENT_USER\\NotThere]\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Machine]\r\n@=\"m\"\r\n",
                                   "in.reg", error),
              ERROR_SUCCESS)
        << error;
    EXPECT_EQ(readFile(userHive()),
              "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\n[HKEY_CURRENT_USER\\Keep]\n\"Old\"=\"1\"\n"
              "\"New\"=dword:00000002\n\n");
    EXPECT_EQ(readFile(machineHive()),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\Machine]\n@=\"m\"\n\n");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(below, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(below), ERROR_SUCCESS);
}

TEST_F(HiveFormat, BrokenImportChangesNothing) {
    ASSERT_EQ(registrytest::setDword(HKEY_CURRENT_USER, "A", 1), ERROR_SUCCESS);
    const std::string before = readFile(userHive());
    std::string error;
    EXPECT_EQ(registry::importText("REGEDIT4\n[HKEY_CURRENT_USER]\n\"B\"=dword:2\n\"C\"=bad\n",
                                   "in.reg", error),
              ERROR_INVALID_DATA);
    EXPECT_EQ(error, "in.reg:4: expected \"text\", dword:, hex: or - after '='");
    EXPECT_EQ(readFile(userHive()), before);
}

TEST_F(HiveFormat, ExportNamesTheKeyAsStored) {
    KeyHandle key;
    ASSERT_EQ(createKey(HKEY_LOCAL_MACHINE, "Software\\MixedCase\\Inner", key), 0);
    ASSERT_EQ(registrytest::setString(key.get(), "v", "w"), 0);
    std::string text;
    ASSERT_EQ(registry::exportKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\mixedcase", text), 0);
    EXPECT_EQ(text,
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\MixedCase]\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\MixedCase\\Inner]\n\"v\"=\"w\"\n\n");
    EXPECT_EQ(registry::exportKey(HKEY_LOCAL_MACHINE, "Software\\Missing", text),
              ERROR_FILE_NOT_FOUND);
    std::string error;
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software"), 0);
    ASSERT_EQ(registry::importText(text, "export", error), 0) << error;
    EXPECT_EQ(queryString(key.get(), "v"), "error 1018") << "a new key under the old name";
    std::string again;
    ASSERT_EQ(registry::exportKey(HKEY_LOCAL_MACHINE, "Software\\MixedCase", again), 0);
    EXPECT_EQ(again, text);
}

}  // namespace
