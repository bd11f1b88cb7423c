// Runs reg as a user would, against a registry of its own, and checks what it prints, how it
// exits and what the hives hold afterwards.
#include <registry/registry.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "text_encoding.h"

namespace {

using testsupport::Outcome;

const std::string kDone = "The operation completed successfully.\n";
const std::string kCancelled = "The operation was cancelled by the user.\n";
const std::string kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

std::string syntaxError(const std::string& operation) {
    return "ERROR: Invalid syntax.\nType \"REG " + operation + "/?\" for usage.\n";
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The text with CRLF line ends, as exported files have them.
std::string crlf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

struct Step {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err;
};

class RegCli : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("NETPANEL_REGISTRY_DIR", (directory_ / "registry").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("NETPANEL_REGISTRY_DIR"); }

    static Outcome reg(const std::vector<std::string>& args, const std::string& input = "") {
        return testsupport::run(REG_CLI_PATH, args, input);
    }

    static void runSteps(const std::vector<Step>& steps) {
        for (const auto& step : steps) {
            std::string command = "reg";
            for (const auto& arg : step.args)
                command += " " + arg;
            const Outcome outcome = reg(step.args, step.input);
            EXPECT_EQ(outcome.status, step.status) << command;
            EXPECT_EQ(outcome.out, step.out) << command;
            EXPECT_EQ(outcome.err, step.err) << command;
        }
    }

    std::filesystem::path file(const char* name) const { return directory_ / name; }
    std::filesystem::path userHive() const {
        return directory_ / "registry" / "HKEY_CURRENT_USER.reg";
    }

private:
    testsupport::TempDir temp_;
    const std::filesystem::path& directory_ = temp_.path();
};

TEST_F(RegCli, QueryShowsValuesAndSubkeys) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test\\Sub\\Deep", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE bytes[] = {0x0a, 0xff, 0x00};
    ASSERT_EQ(RegSetValueExA(key, "Bytes", 0, REG_BINARY, bytes, sizeof(bytes)), 0);
    ASSERT_EQ(RegCloseKey(key), 0);
    const std::string test = "HKEY_CURRENT_USER\\Software\\Test";
    runSteps({
        {{"add", "HKCU\\Software\\Test", "/v", "Text", "/d", "hello world"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Test", "/v", "Number", "/t", "REG_DWORD", "/d", "10"},
         "",
         0,
         kDone,
         ""},
        {{"add", "HKCU\\Software\\Test", "/ve", "/d", "default"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Test\\Empty"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Test", "/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
         "",
         0,
         kDone,
         ""},
        {{"add", "HKCU\\Software\\Test", "/v", "Big", "/t", "reg_qword", "/d", "0x100000000"},
         "",
         0,
         kDone,
         ""},
        {{"query", "HKCU\\Software\\Test"},
         "",
         0,
         "\n" + test +
             "\n"
             "    Text    REG_SZ    hello world\n"
             "    Number    REG_DWORD    0xa\n"
             "    (Default)    REG_SZ    default\n"
             "    Multi    REG_MULTI_SZ    a\\0b\n"
             "    Big    REG_QWORD    0x100000000\n"
             "\n" +
             test + "\\Empty\n" + test + "\\Sub\n",
         ""},
        {{"query", "hkey_current_user\\SOFTWARE\\Test\\Sub", "/s"},
         "",
         0,
         "\nHKEY_CURRENT_USER\\SOFTWARE\\Test\\Sub\n"
         "HKEY_CURRENT_USER\\SOFTWARE\\Test\\Sub\\Deep\n"
         "    Bytes    REG_BINARY    0AFF00\n"
         "\n",
         ""},
        {{"query", "HKCU\\Software\\Test", "/v", "NUMBER"},
         "",
         0,
         "\n" + test + "\n    Number    REG_DWORD    0xa\n\n",
         ""},
        {{"query", "HKCU\\Software\\Test", "/ve"},
         "",
         0,
         "\n" + test + "\n    (Default)    REG_SZ    default\n\n",
         ""},
        {{"query", "HKCU\\Software\\Test\\Empty", "/ve"},
         "",
         0,
         "\n" + test + "\\Empty\n    (Default)    REG_SZ    (value not set)\n\n",
         ""},
        {{"query", "HKCU\\Software", "-S", "-V", "bytes"},
         "",
         0,
         "\nHKEY_CURRENT_USER\\Software\\Test\\Sub\\Deep\n    Bytes    REG_BINARY    0AFF00\n\n"
         "End of search: 1 match(es) found.\n",
         ""},
        {{"query", "HKCU\\Software", "/s", "/v", "Nothing"},
         "",
         0,
         "\nEnd of search: 0 match(es) found.\n",
         ""},
        {{"query", "HKCU\\Software\\Test", "/v", "Nothing"}, "", 1, "", kNotFound},
        {{"query", "HKCU\\Software\\Nothing"}, "", 1, "", kNotFound},
        {{"query", "HKLM\\Software\\Test"}, "", 1, "", kNotFound},
        {{"query", "HKCR\\Software"}, "", 1, "", kNotFound},
    });
}

TEST_F(RegCli, AddAsksBeforeOverwriting) {
    const std::string key = "HKCU\\Software\\Test";
    const auto query = [&](const std::string& name, const std::string& line) {
        return Step{{"query", key, "/v", name},
                    "",
                    0,
                    "\nHKEY_CURRENT_USER\\Software\\Test\n    " + line + "\n\n",
                    ""};
    };
    const std::string overwrite = "Value Text exists, overwrite(Yes/No)? ";
    runSteps({
        {{"add", key, "/v", "Text", "/d", "first"}, "", 0, kDone, ""},
        {{"add", key, "/v", "Text", "/d", "second"}, "n\n", 0, overwrite + kCancelled, ""},
        {{"add", key, "/v", "Text", "/d", "second"}, "", 0, overwrite + kCancelled, ""},
        {{"add", key, "/v", "Text", "/d", "second"}, "maybe\n", 0, overwrite + kCancelled, ""},
        query("Text", "Text    REG_SZ    first"),
        {{"add", key, "/v", "TEXT", "/d", "second"},
         "yes\n",
         0,
         "Value TEXT exists, overwrite(Yes/No)? " + kDone,
         ""},
        query("Text", "Text    REG_SZ    second"),
        {{"add", key, "/v", "Text", "/d", "third"}, "Y\r\n", 0, overwrite + kDone, ""},
        {{"add", key, "/v", "Text", "/d", "fourth", "/F"}, "", 0, kDone, ""},
        query("Text", "Text    REG_SZ    fourth"),
        {{"add", key, "/ve", "/d", "x"}, "", 0, kDone, ""},
        {{"add", key, "/ve", "/d", "y"},
         "no\n",
         0,
         "Value (Default) exists, overwrite(Yes/No)? " + kCancelled,
         ""},
        {{"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "0x10"}, "", 0, kDone, ""},
        query("N", "N    REG_DWORD    0x10"),
        {{"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "4294967295", "/f"}, "", 0, kDone, ""},
        query("N", "N    REG_DWORD    0xffffffff"),
        {{"add", key, "/v", "E", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\x"}, "", 0, kDone, ""},
        query("E", "E    REG_EXPAND_SZ    %HOME%\\x"),
        {{"add", key, "/v", "L", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b#c"}, "", 0, kDone, ""},
        query("L", "L    REG_MULTI_SZ    a\\0b\\0c"),
        {{"add", key, "/v", "B", "/t", "REG_BINARY", "/d", "00fFa0"}, "", 0, kDone, ""},
        query("B", "B    REG_BINARY    00FFA0"),
        {{"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "4294967296", "/f"},
         "",
         1,
         "",
         syntaxError("ADD ")},
        {{"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "ten", "/f"},
         "",
         1,
         "",
         syntaxError("ADD ")},
        {{"add", key, "/v", "N", "/t", "REG_DWORD", "/d", "-1", "/f"},
         "",
         1,
         "",
         syntaxError("ADD ")},
        {{"add", key, "/v", "B", "/t", "REG_BINARY", "/d", "abc", "/f"},
         "",
         1,
         "",
         syntaxError("ADD ")},
        {{"add", key, "/v", "X", "/t", "REG_WHATEVER", "/d", "1"}, "", 1, "", syntaxError("ADD ")},
        {{"add", key, "/v", "X", "/s", ",", "/d", "1"}, "", 1, "", syntaxError("ADD ")},
        query("N", "N    REG_DWORD    0xffffffff"),
    });
    const std::string hive = readFile(userHive());
    EXPECT_NE(hive.find("\"Text\"=\"fourth\"\n@=\"x\"\n\"N\"=dword:ffffffff\n"), std::string::npos)
        << hive;
}

TEST_F(RegCli, DeleteAsksAndRemoves) {
    const std::string key = "HKCU\\Software\\Test";
    const std::string full = "HKEY_CURRENT_USER\\Software\\Test";
    runSteps({
        {{"add", key + "\\Sub\\Deep", "/v", "D", "/d", "1"}, "", 0, kDone, ""},
        {{"add", key, "/v", "A", "/d", "1"}, "", 0, kDone, ""},
        {{"add", key, "/v", "B", "/d", "2"}, "", 0, kDone, ""},
        {{"add", key, "/ve", "/d", "3"}, "", 0, kDone, ""},
        {{"delete", key, "/v", "A"},
         "n\n",
         0,
         "Delete the registry value A (Yes/No)? " + kCancelled,
         ""},
        {{"query", key, "/v", "A"}, "", 0, "\n" + full + "\n    A    REG_SZ    1\n\n", ""},
        {{"delete", key, "/v", "a"},
         "y\n",
         0,
         "Delete the registry value a (Yes/No)? " + kDone,
         ""},
        {{"query", key, "/v", "A"}, "", 1, "", kNotFound},
        {{"delete", key, "/v", "A", "/f"}, "", 1, "", kNotFound},
        {{"delete", key, "/ve", "/f"}, "", 0, kDone, ""},
        {{"delete", key, "/va"},
         "yes\n",
         0,
         "Delete all values under the registry key " + full + " (Yes/No)? " + kDone,
         ""},
        {{"query", key}, "", 0, "\n" + full + "\n" + full + "\\Sub\n", ""},
        {{"delete", key + "\\Sub"},
         "no\n",
         0,
         "Permanently delete the registry key " + full + "\\Sub (Yes/No)? " + kCancelled,
         ""},
        {{"query", key + "\\Sub\\Deep", "/v", "D"},
         "",
         0,
         "\n" + full + "\\Sub\\Deep\n    D    REG_SZ    1\n\n",
         ""},
        {{"delete", key + "\\Sub"},
         "y\n",
         0,
         "Permanently delete the registry key " + full + "\\Sub (Yes/No)? " + kDone,
         ""},
        {{"query", key + "\\Sub"}, "", 1, "", kNotFound},
        {{"delete", key + "\\Sub", "/f"}, "", 1, "", kNotFound},
        {{"delete", key, "-f"}, "", 0, kDone, ""},
        {{"query", "HKCU\\Software"}, "", 0, "\nHKEY_CURRENT_USER\\Software\n", ""},
        {{"delete", "HKCU", "/f"},
         "",
         1,
         "",
         "ERROR: Invalid key name.\nType \"REG DELETE /?\" for usage.\n"},
    });
}

TEST_F(RegCli, BadCommandLinesAreRefused) {
    runSteps({
        {{}, "", 1, "", syntaxError("")},
        {{"bogus"}, "", 1, "", syntaxError("")},
        {{"query"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "HKLM"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "/v"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "/v", "a", "/ve"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "/s", "/s"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "/f"}, "", 1, "", syntaxError("QUERY ")},
        {{"query", "HKCU", "/?"}, "", 1, "", syntaxError("QUERY ")},
        {{"add", "HKCU\\A", "/v", "a", "/v", "b"}, "", 1, "", syntaxError("ADD ")},
        {{"delete", "HKCU\\A", "/va", "/ve"}, "", 1, "", syntaxError("DELETE ")},
        {{"export", "HKCU"}, "", 1, "", syntaxError("EXPORT ")},
        {{"import"}, "", 1, "", syntaxError("IMPORT ")},
        {{"query", "HKXX\\Software"},
         "",
         1,
         "",
         "ERROR: Invalid key name.\nType \"REG QUERY /?\" for usage.\n"},
        {{"add", "\\\\machine\\HKLM\\Software"},
         "",
         1,
         "",
         "ERROR: Invalid key name.\nType \"REG ADD /?\" for usage.\n"},
    });
}

TEST_F(RegCli, PrintsUsage) {
    struct UsageCase {
        std::vector<std::string> args;
        std::string start;
    };
    const UsageCase cases[] = {
        {{"/?"}, "\nREG Operation [Parameter List]\n"},
        {{"-?"}, "\nREG Operation [Parameter List]\n"},
        {{"query", "/?"}, "\nREG QUERY KeyName [/v ValueName | /ve] [/s]\n"},
        {{"QUERY", "-?"}, "\nREG QUERY KeyName [/v ValueName | /ve] [/s]\n"},
        {{"add", "/?"},
         "\nREG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] [/d Data] [/f]\n"},
        {{"Delete", "/?"}, "\nREG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n"},
        {{"export", "/?"}, "\nREG EXPORT KeyName FileName [/y] [/unicode | /regedit4]\n"},
        {{"import", "/?"}, "\nREG IMPORT FileName\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = reg(c.args);
        EXPECT_EQ(outcome.status, 0) << c.args[0];
        EXPECT_TRUE(outcome.out.starts_with(c.start)) << outcome.out;
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(RegCli, ExportImportsBackUnchanged) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Netpanel\\Profiles\\Home", 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string text = "caf\xe9 \"quoted\" C:\\dir\\";
    ASSERT_EQ(RegSetValueExA(key, "SSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              0);
    std::vector<BYTE> wep(40);
    for (std::size_t i = 0; i < wep.size(); ++i)
        wep[i] = static_cast<BYTE>(0xf0 - i);
    ASSERT_EQ(
        RegSetValueExA(key, "WepKey", 0, REG_BINARY, wep.data(), static_cast<DWORD>(wep.size())),
        0);
    ASSERT_EQ(RegCloseKey(key), 0);
    runSteps({
        {{"add", "HKCU\\Software\\Netpanel", "/v", "Channel", "/t", "REG_DWORD", "/d", "11"},
         "",
         0,
         kDone,
         ""},
        {{"add", "HKCU\\Software\\Netpanel\\Empty"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Other", "/v", "Untouched", "/d", "1"}, "", 0, kDone, ""},
    });
    const std::string hiveBefore = readFile(userHive());
    const std::string exported = file("netpanel.reg").string();
    runSteps({{{"export", "HKCU\\software\\NETPANEL", exported}, "", 0, kDone, ""}});
    const std::string text1 = readFile(exported);
    EXPECT_EQ(
        text1,
        crlf("REGEDIT4\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Netpanel]\n"
             "\"Channel\"=dword:0000000b\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Netpanel\\Empty]\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles]\n"
             "\n"
             "[HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles\\Home]\n"
             "\"SSID\"=\"caf\xe9 \\\"quoted\\\" C:\\\\dir\\\\\"\n"
             "\"WepKey\"=hex:f0,ef,ee,ed,ec,eb,ea,e9,e8,e7,e6,e5,e4,e3,e2,e1,e0,df,de,dd,dc,db,\\\n"
             "  da,d9,d8,d7,d6,d5,d4,d3,d2,d1,d0,cf,ce,cd,cc,cb,ca,c9\n"
             "\n"));
    EXPECT_EQ(std::filesystem::status(exported).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    runSteps({
        {{"delete", "HKCU\\Software\\Netpanel", "/f"}, "", 0, kDone, ""},
        {{"query", "HKCU\\Software\\Netpanel"}, "", 1, "", kNotFound},
        {{"import", exported}, "", 0, kDone, ""},
        {{"export", "HKCU\\Software\\Netpanel", file("again.reg").string()}, "", 0, kDone, ""},
    });
    EXPECT_EQ(readFile(file("again.reg")), text1);
    EXPECT_EQ(readFile(userHive()), hiveBefore);

    // The whole hive exports as the hive file itself, with CRLF line ends.
    runSteps({{{"export", "HKEY_CURRENT_USER", file("all.reg").string()}, "", 0, kDone, ""}});
    EXPECT_EQ(readFile(file("all.reg")), crlf(hiveBefore));
}

TEST_F(RegCli, ExportAsksBeforeReplacingAFile) {
    const std::string target = file("out.reg").string();
    writeFile(target, "keep me");
    const std::string question = "File " + target + " already exists. Overwrite (Yes/No)? ";
    runSteps({
        {{"add", "HKLM\\Software\\A", "/v", "x", "/d", "y"}, "", 0, kDone, ""},
        {{"export", "HKLM\\Software\\A", target}, "n\n", 0, question + kCancelled, ""},
    });
    EXPECT_EQ(readFile(target), "keep me");
    const std::string expected =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"x\"=\"y\"\r\n\r\n";
    runSteps({{{"export", "HKLM\\Software\\A", target}, "y\n", 0, question + kDone, ""}});
    EXPECT_EQ(readFile(target), expected);
    writeFile(target, "keep me");
    runSteps({
        {{"export", "HKLM\\Software\\A", target, "/Y"}, "", 0, kDone, ""},
        {{"export", "HKLM\\Software\\Missing", file("none.reg").string()}, "", 1, "", kNotFound},
    });
    EXPECT_EQ(readFile(target), expected);
    EXPECT_FALSE(std::filesystem::exists(file("none.reg")));
}

TEST_F(RegCli, ImportMergesAndDeletes) {
    runSteps({
        {{"add", "HKCU\\Software\\Keep", "/v", "Old", "/d", "1"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Keep", "/v", "Drop", "/d", "2"}, "", 0, kDone, ""},
        {{"add", "HKCU\\Software\\Gone\\Below"}, "", 0, kDone, ""},
    });
    const std::string input = file("changes.reg").string();
    writeFile(
        input,
        "REGEDIT4\r\n\r\n; changes\r\n[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
        "\"New\"=hex:01,\\\r\n  02\r\n\"Drop\"=-\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Gone]\r\n");
    runSteps({
        {{"import", input}, "", 0, kDone, ""},
        {{"query", "HKCU\\Software", "/s"},
         "",
         0,
         "\nHKEY_CURRENT_USER\\Software\n"
         "HKEY_CURRENT_USER\\Software\\Keep\n"
         "    Old    REG_SZ    1\n"
         "    New    REG_BINARY    0102\n"
         "\n",
         ""},
    });

    const std::string before = readFile(userHive());
    const std::string broken = file("broken.reg").string();
    writeFile(broken,
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Keep]\n\"A\"=\"1\"\n\"B\" \"2\"\n");
    runSteps({
        {{"import", broken}, "", 1, "", "ERROR: " + broken + ":5: expected '=' after value name\n"},
        {{"import", file("missing.reg").string()},
         "",
         1,
         "",
         "ERROR: Error opening the file. There may be a disk or file system error.\n"},
    });
    EXPECT_EQ(readFile(userHive()), before);
}

// UTF-8 text as UTF-16LE, as regedit's Version 5.00 files hold it.
std::string utf16(std::string_view text) {
    return registry::utf16leFromUtf8(text).value_or("(not UTF-8)");
}

// The bytes as a hex list after `prefix`, continued with ",\" so that no line passes 80 columns.
std::string hexLine(const std::string& prefix, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = prefix;
    std::size_t room = (79 - prefix.size()) / 3 - 1;  // "xx," per byte and the final '\'
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && room-- == 0) {
            out += "\\\n  ";
            room = 77 / 3 - 1;
        }
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xf];
        if (i + 1 < bytes.size()) out += ',';
    }
    return out + "\n";
}

// A key as regedit /E writes it: Version 5.00, UTF-16LE after a byte-order mark, CRLF lines,
// expandable and multi-string texts in UTF-16LE, a continued hex list.
std::string regeditExport() {
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Netpanel]\n"
        "@=\"Netpanel \xe2\x80\x93 r\xc3\xa9glages\"\n"
        "\"Channel\"=dword:0000000b\n"
        "\"Path\"=\"C:\\\\Program Files\\\\\\\"Netpanel\\\"\"\n" +
        hexLine("\"HelpDir\"=hex(2):", utf16(std::string("%ProgramFiles%\\Netpanel\0", 24))) +
        hexLine("\"Profiles\"=hex(7):", utf16(std::string("Home\0Caf\xc3\xa9\0\0", 12))) +
        "\"WepKey\"=hex:0a,0b,0c,0d,0e\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles]\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles\\Caf\xc3\xa9]\n"
        "\"SSID\"=\"caf\xc3\xa9\"\n"
        "\n";
    return "\xff\xfe" + utf16(crlf(text));
}

TEST_F(RegCli, ImportsWhatRegeditExportsAndExportsItBack) {
    const std::string original = file("windows.reg").string();
    writeFile(original, regeditExport());
    const std::string query =
        "\nHKEY_CURRENT_USER\\Software\\Netpanel\n"
        "    (Default)    REG_SZ    Netpanel \xe2\x80\x93 r\xc3\xa9glages\n"
        "    Channel    REG_DWORD    0xb\n"
        "    Path    REG_SZ    C:\\Program Files\\\"Netpanel\"\n"
        "    HelpDir    REG_EXPAND_SZ    %ProgramFiles%\\Netpanel\n"
        "    Profiles    REG_MULTI_SZ    Home\\0Caf\xc3\xa9\n"
        "    WepKey    REG_BINARY    0A0B0C0D0E\n"
        "\n"
        "HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles\n"
        "HKEY_CURRENT_USER\\Software\\Netpanel\\Profiles\\Caf\xc3\xa9\n"
        "    SSID    REG_SZ    caf\xc3\xa9\n"
        "\n";
    const std::string exported = file("again.reg").string();
    runSteps({
        {{"import", original}, "", 0, kDone, ""},
        {{"query", "HKCU\\Software\\Netpanel", "/s"}, "", 0, query, ""},
        {{"export", "HKCU\\Software\\Netpanel", exported}, "", 0, kDone, ""},
    });
    // Written back in the same form, every byte as regedit wrote it.
    EXPECT_EQ(readFile(exported), regeditExport());
    const std::string hive = readFile(userHive());
    runSteps({
        {{"delete", "HKCU\\Software\\Netpanel", "/f"}, "", 0, kDone, ""},
        {{"import", exported}, "", 0, kDone, ""},
        {{"query", "HKCU\\Software\\Netpanel", "/s"}, "", 0, query, ""},
    });
    EXPECT_EQ(readFile(userHive()), hive);
    // The hive keeps its own format: REGEDIT4, the texts as UTF-8.
    EXPECT_TRUE(hive.starts_with("REGEDIT4\n")) << hive;
    EXPECT_NE(hive.find("\"SSID\"=\"caf\xc3\xa9\"\n"), std::string::npos) << hive;
}

TEST_F(RegCli, ExportFormOptions) {
    runSteps({
        {{"add", "HKCU\\Software\\A", "/v", "Name", "/d", "caf\xc3\xa9"}, "", 0, kDone, ""},
        {{"export", "HKCU\\Software\\A", file("a4.reg").string(), "/regedit4"}, "", 0, kDone, ""},
        {{"export", "HKCU\\Software\\A", file("a5.reg").string(), "/UNICODE"}, "", 0, kDone, ""},
        {{"export", "HKCU\\Software\\A", file("x.reg").string(), "/unicode", "/regedit4"},
         "",
         1,
         "",
         syntaxError("EXPORT ")},
        {{"add", "HKCU\\Software\\A", "/v", "Old", "/d", "caf\xe9"}, "", 0, kDone, ""},
        {{"export", "HKCU\\Software\\A", file("b.reg").string(), "/unicode"},
         "",
         1,
         "",
         "ERROR: The value 'Old' of HKEY_CURRENT_USER\\Software\\A is not UTF-8 text, so the "
         "Unicode form cannot hold it; export without /unicode.\n"},
        {{"export", "HKCU\\Software\\A", file("b.reg").string()}, "", 0, kDone, ""},
    });
    EXPECT_EQ(
        readFile(file("a4.reg")),
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"Name\"=\"caf\xc3\xa9\"\r\n\r\n");
    EXPECT_TRUE(readFile(file("a5.reg")).starts_with("\xff\xfeW\0i\0n\0"));
    // Not UTF-8 throughout: the 8-bit form, the bytes as stored.
    EXPECT_TRUE(readFile(file("b.reg")).starts_with("REGEDIT4\r\n"));
    EXPECT_FALSE(std::filesystem::exists(file("x.reg")));
}

TEST_F(RegCli, BrokenUnicodeFileNamesFileAndLine) {
    const std::string broken = file("broken.reg").string();
    writeFile(broken, "\xff\xfe" + utf16(crlf("Windows Registry Editor Version 5.00\n\n"
                                              "[HKEY_CURRENT_USER\\Software\\K]\n"
                                              "\"A\"=dword:1\n"
                                              "\"B\"=dword:xyz\n")));
    runSteps({
        {{"import", broken},
         "",
         1,
         "",
         "ERROR: " + broken + ":5: expected up to 8 hex digits after 'dword:'\n"},
        {{"query", "HKCU\\Software\\K"}, "", 1, "", kNotFound},
    });
}

TEST_F(RegCli, BrokenHiveStopsEveryOperation) {
    std::filesystem::create_directories(userHive().parent_path());
    const std::string broken = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"A\"=dword:xyz\n";
    writeFile(userHive(), broken);
    const std::string err = "registry: " + userHive().string() +
                            ":4: expected up to 8 hex digits after 'dword:'\n"
                            "ERROR: The configuration registry database is corrupt.\n";
    runSteps({
        {{"query", "HKCU\\Software"}, "", 1, "", err},
        {{"add", "HKCU\\Software", "/v", "B", "/d", "1", "/f"}, "", 1, "", err},
        {{"delete", "HKCU\\Software", "/f"}, "", 1, "", err},
        {{"export", "HKCU", file("out.reg").string()}, "", 1, "", err},
        {{"add", "HKLM\\Software", "/v", "B", "/d", "1"}, "", 0, kDone, ""},
    });
    EXPECT_EQ(readFile(userHive()), broken);
}

}  // namespace
