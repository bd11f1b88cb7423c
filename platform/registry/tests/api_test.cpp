// The Win32 functions: results and error codes as Windows gives them, names, values and handles.
#include <registry/store.h>

#include <array>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "registry_fixture.h"

namespace {

using registrytest::createKey;
using registrytest::KeyHandle;
using registrytest::queryString;
using registrytest::readFile;
using registrytest::setDword;
using registrytest::setString;

HKEY bogusHandle() {
    return reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x7654));
}

// HKCU\Software\Test with "Text"="hello", "Number"=dword:10, subkey Sub\Leaf and key Empty.
class RegistryApi : public registrytest::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(createKey(HKEY_CURRENT_USER, "Software\\Test", test_), ERROR_SUCCESS);
        ASSERT_EQ(setString(test_.get(), "Text", "hello"), ERROR_SUCCESS);
        ASSERT_EQ(setDword(test_.get(), "Number", 10), ERROR_SUCCESS);
        KeyHandle leaf;
        ASSERT_EQ(createKey(test_.get(), "Sub\\Leaf", leaf), ERROR_SUCCESS);
        KeyHandle empty;
        ASSERT_EQ(createKey(test_.get(), "Empty", empty), ERROR_SUCCESS);
    }

    HKEY test() const { return test_.get(); }

    LONG open(HKEY key, const char* path) {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(key, path, 0, KEY_READ, &opened);
        if (status == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(opened, nullptr);
        }
        return status;
    }

    LONG create(HKEY key, const char* path) {
        HKEY created = nullptr;
        const LONG status =
            RegCreateKeyExA(key, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr);
        if (status == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
        }
        return status;
    }

    LONG query(HKEY key, const char* name) {
        DWORD size = 0;
        return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
    }

private:
    KeyHandle test_;
};

struct ResultCase {
    const char* name;
    std::function<LONG()> call;
    LONG expected;
};

TEST_F(RegistryApi, ResultsAndCodes) {
    BYTE buffer[16];
    DWORD size = sizeof(buffer);
    char name[16];
    const DWORD three = 3;
    const ResultCase cases[] = {
        {"open existing", [&] { return open(HKEY_CURRENT_USER, "Software\\Test"); }, 0},
        {"open relative", [&] { return open(test(), "Sub\\Leaf"); }, 0},
        {"open missing", [&] { return open(HKEY_CURRENT_USER, "Software\\Nope"); }, 2},
        {"open below missing", [&] { return open(test(), "Nope\\Leaf"); }, 2},
        {"open leading backslash", [&] { return open(HKEY_CURRENT_USER, "\\Software"); }, 0},
        {"open trailing backslash", [&] { return open(HKEY_CURRENT_USER, "Software\\"); }, 0},
        {"open empty component", [&] { return open(HKEY_CURRENT_USER, "Software\\\\Test"); }, 2},
        {"open empty subkey", [&] { return open(test(), ""); }, 0},
        {"open null subkey", [&] { return open(test(), nullptr); }, 0},
        {"open root itself", [&] { return open(HKEY_LOCAL_MACHINE, nullptr); }, 0},
        {"open classes root", [&] { return open(HKEY_CLASSES_ROOT, "Software"); }, 2},
        {"open users", [&] { return open(HKEY_USERS, nullptr); }, 2},
        {"open null handle", [&] { return open(nullptr, "Software"); }, 6},
        {"open unknown handle", [&] { return open(bogusHandle(), "Software"); }, 6},
        {"open without result", [&] { return RegOpenKeyExA(test(), "Sub", 0, 0, nullptr); }, 87},
        {"create existing", [&] { return create(test(), "Sub"); }, 0},
        {"create empty component", [&] { return create(test(), "A\\\\B"); }, 87},
        {"create null subkey", [&] { return create(test(), nullptr); }, 87},
        {"create line break", [&] { return create(test(), "A\nB"); }, 87},
        {"create under users", [&] { return create(HKEY_USERS, "Software"); }, 2},
        {"create unknown handle", [&] { return create(bogusHandle(), "A"); }, 6},
        {"query text", [&] { return query(test(), "Text"); }, 0},
        {"query missing value", [&] { return query(test(), "Nope"); }, 2},
        {"query missing default", [&] { return query(test(), nullptr); }, 2},
        {"query unknown handle", [&] { return query(bogusHandle(), "Text"); }, 6},
        {"query data without size",
         [&] { return RegQueryValueExA(test(), "Text", nullptr, nullptr, buffer, nullptr); }, 87},
        {"query reserved",
         [&] { return RegQueryValueExA(test(), "Text", &size, nullptr, nullptr, nullptr); }, 87},
        {"set dword of 3 bytes",
         [&] {
             return RegSetValueExA(test(), "D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three),
                                   3);
         },
         87},
        {"set without data", [&] { return RegSetValueExA(test(), "D", 0, REG_BINARY, nullptr, 2); },
         87},
        {"set line break in name", [&] { return setString(test(), "a\r\nb", "x"); }, 87},
        {"set unknown handle", [&] { return setDword(bogusHandle(), "D", 1); }, 6},
        {"set under classes root", [&] { return setDword(HKEY_CLASSES_ROOT, "D", 1); }, 2},
        {"enum key past end", [&] { return RegEnumKeyA(test(), 2, name, sizeof(name)); }, 259},
        {"enum key small buffer", [&] { return RegEnumKeyA(test(), 1, name, 3); }, 234},
        {"enum key exact buffer", [&] { return RegEnumKeyA(test(), 1, name, 4); }, 0},
        {"enum key unknown handle", [&] { return RegEnumKeyA(bogusHandle(), 0, name, 16); }, 6},
        {"enum value past end",
         [&] {
             DWORD length = sizeof(name);
             return RegEnumValueA(test(), 2, name, &length, nullptr, nullptr, nullptr, nullptr);
         },
         259},
        {"enum value small name",
         [&] {
             DWORD length = 4;
             return RegEnumValueA(test(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
         },
         234},
        {"delete key with subkeys", [&] { return RegDeleteKeyA(test(), "Sub"); }, 5},
        {"delete missing key", [&] { return RegDeleteKeyA(test(), "Nope"); }, 2},
        {"delete root", [&] { return RegDeleteKeyA(HKEY_CURRENT_USER, nullptr); }, 5},
        {"delete unknown handle", [&] { return RegDeleteKeyA(bogusHandle(), "Sub"); }, 6},
        {"delete missing value", [&] { return RegDeleteValueA(test(), "Nope"); }, 2},
        {"close predefined root", [&] { return RegCloseKey(HKEY_CURRENT_USER); }, 0},
        {"close root without hive", [&] { return RegCloseKey(HKEY_USERS); }, 0},
        {"close unknown handle", [&] { return RegCloseKey(bogusHandle()); }, 6},
        {"close null", [&] { return RegCloseKey(nullptr); }, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.name;
    // Nothing above changed the hive.
    EXPECT_EQ(queryString(test(), "Text"), "hello");
    EXPECT_EQ(open(test(), "Sub\\Leaf"), 0);
    EXPECT_EQ(open(test(), "A"), 2);
}

TEST_F(RegistryApi, QueryReportsSizesAndFillsOnlyWhatFits) {
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(test(), "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);  // with the NUL

    std::array<BYTE, 8> buffer;
    buffer.fill('#');
    size = 5;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(test(), "Text", nullptr, &type, buffer.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_SZ);

    size = 6;
    ASSERT_EQ(RegQueryValueExA(test(), "Text", nullptr, nullptr, buffer.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 8), std::string("hello\0##", 8));

    DWORD number = 0;
    size = sizeof(number);
    ASSERT_EQ(
        RegQueryValueExA(test(), "Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 10u);
    size = 3;
    EXPECT_EQ(RegQueryValueExA(test(), "Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                               &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);

    // Only the type.
    type = 0;
    EXPECT_EQ(RegQueryValueExA(test(), "Number", nullptr, &type, nullptr, nullptr), 0);
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryApi, NamesAreCaseInsensitiveAndKeepTheirCase) {
    EXPECT_EQ(queryString(test(), "TEXT"), "hello");
    EXPECT_EQ(open(HKEY_CURRENT_USER, "SOFTWARE\\test\\sub\\LEAF"), 0);

    // Setting under another case replaces the value and keeps its first name.
    ASSERT_EQ(setString(test(), "tExT", "again"), ERROR_SUCCESS);
    std::array<char, 16> name{};
    DWORD length = name.size();
    ASSERT_EQ(RegEnumValueA(test(), 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name.data(), "Text");
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(queryString(test(), "text"), "again");

    KeyHandle sub;
    DWORD disposition = 0;
    ASSERT_EQ(createKey(HKEY_CURRENT_USER, "software\\TEST\\SUB", sub, &disposition), 0);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    ASSERT_EQ(RegEnumKeyA(test(), 1, name.data(), name.size()), ERROR_SUCCESS);
    EXPECT_STREQ(name.data(), "Sub");
    EXPECT_NE(readFile(userHive()).find("[HKEY_CURRENT_USER\\Software\\Test\\Sub]"),
              std::string::npos);
}

TEST_F(RegistryApi, SubkeysComeInCaseInsensitiveOrder) {
    KeyHandle order;
    ASSERT_EQ(createKey(HKEY_CURRENT_USER, "Order", order), 0);
    for (const char* name : {"beta", "_under", "Alpha", "gamma", "ALPHA2", "Beta1"}) {
        ASSERT_EQ(create(order.get(), name), 0) << name;
    }
    std::vector<std::string> names;
    std::array<char, 32> name{};
    for (DWORD index = 0; RegEnumKeyA(order.get(), index, name.data(), name.size()) == 0; ++index)
        names.emplace_back(name.data());
    // Letters compare as upper case, so '_' comes after them as it does on Windows.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "Beta1", "gamma", "_under"}));
    EXPECT_EQ(RegEnumKeyA(order.get(), 6, name.data(), name.size()), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryApi, DefaultValueHasAnEmptyName) {
    ASSERT_EQ(setString(test(), nullptr, "default text"), ERROR_SUCCESS);
    EXPECT_EQ(queryString(test(), ""), "default text");
    EXPECT_EQ(queryString(test(), nullptr), "default text");
    EXPECT_NE(readFile(userHive()).find("\n@=\"default text\"\n"), std::string::npos);

    std::array<char, 16> name;
    name.fill('#');
    DWORD length = name.size();
    DWORD type = 0;
    ASSERT_EQ(RegEnumValueA(test(), 2, name.data(), &length, nullptr, &type, nullptr, nullptr), 0);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(type, REG_SZ);

    ASSERT_EQ(RegDeleteValueA(test(), ""), ERROR_SUCCESS);
    EXPECT_EQ(query(test(), nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, EnumValueReportsNameTypeAndData) {
    std::array<char, 16> name{};
    std::array<BYTE, 16> data{};
    DWORD length = name.size();
    DWORD size = data.size();
    DWORD type = 0;
    ASSERT_EQ(RegEnumValueA(test(), 1, name.data(), &length, nullptr, &type, data.data(), &size),
              0);
    EXPECT_STREQ(name.data(), "Number");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 10);

    length = name.size();
    size = 2;
    EXPECT_EQ(RegEnumValueA(test(), 0, name.data(), &length, nullptr, &type, data.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);

    std::vector<registry::ValueEntry> values;
    ASSERT_EQ(registry::enumValues(test(), values), 0);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "Text");
    EXPECT_EQ(std::string(values[0].data.begin(), values[0].data.end()), "hello");
    EXPECT_EQ(registry::enumValues(bogusHandle(), values), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryApi, CreateMakesIntermediateKeysAndReportsDisposition) {
    KeyHandle deep;
    DWORD disposition = 0;
    ASSERT_EQ(createKey(test(), "One\\Two\\Three", deep, &disposition), 0);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(setDword(deep.get(), "Depth", 3), 0);
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Test\\One\\Two"), 0);
    const std::string hive = readFile(userHive());
    EXPECT_NE(hive.find("[HKEY_CURRENT_USER\\Software\\Test\\One]\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\One\\Two]\n\n"
                        "[HKEY_CURRENT_USER\\Software\\Test\\One\\Two\\Three]\n"
                        "\"Depth\"=dword:00000003\n"),
              std::string::npos)
        << hive;

    KeyHandle again;
    ASSERT_EQ(createKey(test(), "One\\Two\\Three", again, &disposition), 0);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    KeyHandle self;
    ASSERT_EQ(createKey(test(), "", self, &disposition), 0);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(self.get(), test());
}

TEST_F(RegistryApi, OpenWithoutSubkeyGivesANewHandle) {
    HKEY first = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), nullptr, &first), ERROR_SUCCESS);
    HKEY second = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), "", &second), ERROR_SUCCESS);
    EXPECT_NE(first, test());
    EXPECT_NE(first, second);
    EXPECT_EQ(queryString(first, "Text"), "hello");
    EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
    EXPECT_EQ(queryString(second, "Text"), "hello");
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
}

TEST_F(RegistryApi, DeleteKeyRemovesOnlyLeaves) {
    EXPECT_EQ(RegDeleteKeyA(test(), "Sub"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(test(), "sub\\LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(open(test(), "Sub\\Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(test(), "Sub\\Leaf"), ERROR_FILE_NOT_FOUND);

    // With no subkey the opened key itself goes.
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), "Sub", &sub), 0);
    EXPECT_EQ(RegDeleteKeyA(sub, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(open(test(), "Sub"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
    EXPECT_EQ(readFile(userHive()).find("Sub"), std::string::npos);
}

TEST_F(RegistryApi, HandlesOfDeletedKeysAnswerKeyDeleted) {
    HKEY leaf = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), "Sub\\Leaf", &leaf), 0);
    HKEY sub = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), "Sub", &sub), 0);
    ASSERT_EQ(RegDeleteTreeA(test(), "Sub"), ERROR_SUCCESS);

    std::array<char, 8> name{};
    for (HKEY gone : {leaf, sub}) {
        EXPECT_EQ(query(gone, "X"), ERROR_KEY_DELETED);
        EXPECT_EQ(setDword(gone, "X", 1), ERROR_KEY_DELETED);
        EXPECT_EQ(RegEnumKeyA(gone, 0, name.data(), name.size()), ERROR_KEY_DELETED);
        EXPECT_EQ(open(gone, nullptr), ERROR_KEY_DELETED);
        EXPECT_EQ(create(gone, "New"), ERROR_KEY_DELETED);
        EXPECT_EQ(RegDeleteValueA(gone, "X"), ERROR_KEY_DELETED);
    }
    // A key made again under the same name is another key.
    ASSERT_EQ(create(test(), "Sub\\Leaf"), 0);
    EXPECT_EQ(query(leaf, "X"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(leaf), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(sub), ERROR_SUCCESS);
}

TEST_F(RegistryApi, KeyRemovedFromTheFileByAnotherWriterIsDeleted) {
    HKEY leaf = nullptr;
    ASSERT_EQ(RegOpenKeyA(test(), "Sub\\Leaf", &leaf), 0);
    registrytest::writeFile(userHive(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Test]\n");
    EXPECT_EQ(query(leaf, "X"), ERROR_KEY_DELETED);
    EXPECT_EQ(setDword(leaf, "X", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(readFile(userHive()), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Test]\n");
    EXPECT_EQ(query(test(), "Text"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(leaf), ERROR_SUCCESS);
}

TEST_F(RegistryApi, DeleteTreeWithoutSubkeyEmptiesTheKey) {
    ASSERT_EQ(RegDeleteTreeA(test(), nullptr), ERROR_SUCCESS);
    EXPECT_EQ(open(HKEY_CURRENT_USER, "Software\\Test"), 0);
    EXPECT_EQ(open(test(), "Sub"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(query(test(), "Text"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeA(test(), "Sub"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, HivesAreSeparate) {
    ASSERT_EQ(setDword(HKEY_LOCAL_MACHINE, "Machine", 1), 0);
    EXPECT_EQ(query(HKEY_CURRENT_USER, "Machine"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(query(HKEY_LOCAL_MACHINE, "Machine"), 0);
    EXPECT_EQ(readFile(machineHive()),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE]\n\"Machine\"=dword:00000001\n\n");
}

struct StoredCase {
    const char* name;
    std::string valueName;
    DWORD type;
    std::string data;      // as given to RegSetValueExA
    std::string readBack;  // as RegQueryValueExA gives it
    std::string line;      // in the hive file
};

TEST_F(RegistryApi, ValuesSurviveTheFile) {
    const std::string qword("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
    const StoredCase cases[] = {
        {"text", "V", REG_SZ, std::string("hello\0", 6), std::string("hello\0", 6),
         "\"V\"=\"hello\""},
        {"empty text", "V", REG_SZ, std::string("\0", 1), std::string("\0", 1), "\"V\"=\"\""},
        {"text without NUL", "V", REG_SZ, "abc", std::string("abc\0", 4), "\"V\"=\"abc\""},
        {"text up to the first NUL", "V", REG_SZ, std::string("ab\0cd\0", 6),
         std::string("ab\0", 3), "\"V\"=\"ab\""},
        {"quotes", "V", REG_SZ, std::string("say \"hi\"\0", 9), std::string("say \"hi\"\0", 9),
         "\"V\"=\"say \\\"hi\\\"\""},
        {"backslashes", "V", REG_SZ, std::string("C:\\dir\\\0", 8), std::string("C:\\dir\\\0", 8),
         "\"V\"=\"C:\\\\dir\\\\\""},
        {"8-bit text", "V", REG_SZ, std::string("\xe9t\xe9 \xff\x80\0", 7),
         std::string("\xe9t\xe9 \xff\x80\0", 7), "\"V\"=\"\xe9t\xe9 \xff\x80\""},
        {"line break", "V", REG_SZ, std::string("a\nb\0", 4), std::string("a\nb\0", 4),
         "\"V\"=hex(1):61,0a,62,00"},
        {"dword", "V", REG_DWORD, std::string("\x0a\0\0\0", 4), std::string("\x0a\0\0\0", 4),
         "\"V\"=dword:0000000a"},
        {"largest dword", "V", REG_DWORD, "\xff\xff\xff\xff", "\xff\xff\xff\xff",
         "\"V\"=dword:ffffffff"},
        {"binary", "V", REG_BINARY, "\x0a\xff", "\x0a\xff", "\"V\"=hex:0a,ff"},
        {"empty binary", "V", REG_BINARY, "", "", "\"V\"=hex:"},
        {"multi text", "V", REG_MULTI_SZ, std::string("a\0b\0\0", 5), std::string("a\0b\0\0", 5),
         "\"V\"=hex(7):61,00,62,00,00"},
        {"qword", "V", REG_QWORD, qword, qword, "\"V\"=hex(b):01,02,03,04,05,06,07,08"},
        {"no type", "V", REG_NONE, "x", "x", "\"V\"=hex(0):78"},
        {"large type", "V", 0x12345, "x", "x", "\"V\"=hex(12345):78"},
        {"odd name", "a\"b\\c d", REG_SZ, "x", std::string("x\0", 2), "\"a\\\"b\\\\c d\"=\"x\""},
        {"8-bit name", "n\xe4me", REG_SZ, "x", std::string("x\0", 2), "\"n\xe4me\"=\"x\""},
    };
    for (const auto& c : cases) {
        KeyHandle key;
        ASSERT_EQ(createKey(HKEY_CURRENT_USER, c.name, key), 0);
        ASSERT_EQ(RegSetValueExA(key.get(), c.valueName.c_str(), 0, c.type,
                                 reinterpret_cast<const BYTE*>(c.data.data()),
                                 static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;
        const std::string section = "[HKEY_CURRENT_USER\\" + std::string(c.name) + "]\n";
        EXPECT_NE(readFile(userHive()).find(section + c.line + "\n\n"), std::string::npos)
            << c.name;
    }
    reloadFromCopy();
    for (const auto& c : cases) {
        KeyHandle key;
        ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, c.name, key.out()), 0) << c.name;
        std::array<char, 64> data;
        DWORD size = data.size();
        DWORD type = 0;
        ASSERT_EQ(RegQueryValueExA(key.get(), c.valueName.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size),
                  ERROR_SUCCESS)
            << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(std::string(data.data(), size), c.readBack) << c.name;
    }
}

TEST_F(RegistryApi, ThreadsWriteThroughTheirOwnHandles) {
    constexpr int kThreads = 4;
    constexpr int kValues = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            KeyHandle key;
            EXPECT_EQ(createKey(HKEY_CURRENT_USER, "Threads", key), 0);
            for (int i = 0; i < kValues; ++i) {
                const std::string name = std::to_string(t) + "-" + std::to_string(i);
                EXPECT_EQ(setDword(key.get(), name.c_str(), static_cast<DWORD>(i)), 0);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    reloadFromCopy();
    KeyHandle key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Threads", key.out()), 0);
    std::vector<registry::ValueEntry> values;
    ASSERT_EQ(registry::enumValues(key.get(), values), 0);
    EXPECT_EQ(values.size(), static_cast<std::size_t>(kThreads * kValues));
}

}  // namespace
