// The registry helpers by path and by handle, over a real registry in a temporary directory.
#include <gtest/gtest.h>

#include "platform/registry_handles.h"
#include "platform/registry_paths.h"
#include "temp_registry.h"

namespace netpanel {
namespace {

using RegistryPaths = TempRegistry;
using RegistryHandles = TempRegistry;

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Test\\";

// The DWORD writer takes 16-bit numbers only: a wider one would wrap silently, so it must not
// compile without a checked narrowing.
template <class Number>
concept WritesDword = requires(Number number) {
    RegWriteDword(std::string(), number);
};
static_assert(WritesDword<int16_t>);
static_assert(!WritesDword<int32_t> && !WritesDword<int64_t> && !WritesDword<uint16_t>);

TEST_F(RegistryPaths, ValuesReadBackAsText) {
    RegWriteString(std::string(kKey) + "SSID", "Lab AP");
    RegWriteDword(std::string(kKey) + "Channel", int16_t{5});
    RegWriteDword(std::string(kKey) + "Negative", int16_t{-1});
    RegWriteString(std::string(kKey) + "Empty", "");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "SSID"), "Lab AP");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Channel"), "5");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Negative"), "-1");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Empty"), "");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Missing"), "");
    EXPECT_EQ(RegReadValue("HKEY_CURRENT_USER\\Software\\Nowhere\\SSID"), "");
    // Short root names and names in another case reach the same value.
    EXPECT_EQ(RegReadValue("HKCU\\software\\TEST\\ssid"), "Lab AP");
}

TEST_F(RegistryPaths, WritesCreateMissingKeysAndStoreTheRightTypes) {
    RegWriteDword("HKLM\\A\\B\\C\\Value", int16_t{7});
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\C", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    RegCloseKey(key);

    RegWriteString("HKCU\\K\\", "default");  // a key path writes the key's default value
    EXPECT_EQ(RegReadValue("HKCU\\K\\"), "default");
}

TEST_F(RegistryPaths, DeleteRemovesAValueOrALeafKeyAndFailsSilently) {
    RegWriteString(std::string(kKey) + "Gone", "x");
    RegWriteString(std::string(kKey) + "Kept", "y");
    RegDeletePath(std::string(kKey) + "Gone");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Gone"), "");
    EXPECT_EQ(RegReadValue(std::string(kKey) + "Kept"), "y");

    RegWriteString("HKCU\\Parent\\Child\\V", "1");
    RegDeletePath("HKCU\\Parent\\");  // has a subkey: stays
    EXPECT_EQ(RegReadValue("HKCU\\Parent\\Child\\V"), "1");
    RegDeletePath("HKCU\\Parent\\Child\\");
    EXPECT_EQ(RegReadValue("HKCU\\Parent\\Child\\V"), "");

    // Nothing to delete, or no path at all: no effect, no report.
    RegDeletePath("HKCU\\Nowhere\\Value");
    RegDeletePath("NOT_A_ROOT\\Key\\");
    RegWriteString("NoRoot", "x");
    EXPECT_EQ(RegReadValue("NoRoot"), "");
}

TEST_F(RegistryHandles, CheckRegValueTellsPresentFromMissing) {
    RegWriteString("HKLM\\Drv\\0007\\Keys\\Key1", "");
    RegWriteDword("HKLM\\Drv\\0007\\Count", int16_t{3});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Drv\\0007", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE blob[] = {1, 2, 3};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_EQ(CheckRegValue(HKEY_LOCAL_MACHINE, "Drv\\0007\\Keys", "Key1"), 0);  // empty string
    EXPECT_EQ(CheckRegValue(HKEY_LOCAL_MACHINE, "Drv\\0007", "Count"), 0);
    EXPECT_NE(CheckRegValue(HKEY_LOCAL_MACHINE, "Drv\\0007\\Keys", "Key2"), 0);
    EXPECT_NE(CheckRegValue(HKEY_LOCAL_MACHINE, "Drv\\0008", "Count"), 0);
    EXPECT_NE(CheckRegValue(HKEY_LOCAL_MACHINE, "Drv\\0007", "Blob"), 0);
}

TEST_F(RegistryHandles, QueryValueExResults) {
    RegWriteString("HKCU\\Q\\Text", "abc");
    RegWriteDword("HKCU\\Q\\Number", int16_t{12});
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Q", &key), ERROR_SUCCESS);
    const BYTE blob[] = {9};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 1), ERROR_SUCCESS);

    RegValue value;
    EXPECT_EQ(QueryValueEx(key, "Text", value), 0);
    EXPECT_EQ(value, RegValue(std::string("abc")));
    EXPECT_EQ(QueryValueEx(key, "Number", value), 0);
    EXPECT_EQ(value, RegValue(uint32_t{12}));
    EXPECT_EQ(QueryValueEx(key, "Missing", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(QueryValueEx(key, "Blob", value), -1);
    RegCloseKey(key);
}

TEST_F(RegistryHandles, DeleteKeyTreeRemovesEveryLevel) {
    RegWriteString("HKCU\\Root\\Profile\\Home\\SSID", "home");
    RegWriteString("HKCU\\Root\\Profile\\Home\\Deep\\X", "1");
    RegWriteString("HKCU\\Root\\Profile\\Work\\SSID", "work");
    RegWriteString("HKCU\\Root\\Profile\\Flat", "v");
    RegWriteString("HKCU\\Root\\Other\\Y", "kept");

    HKEY root = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Root", &root), ERROR_SUCCESS);
    EXPECT_TRUE(DeleteKeyTree(root, "Profile"));
    EXPECT_FALSE(DeleteKeyTree(root, "Profile"));  // now missing
    EXPECT_FALSE(DeleteKeyTree(root, "Never"));
    RegCloseKey(root);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Root\\Profile", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegReadValue("HKCU\\Root\\Other\\Y"), "kept");
}

}  // namespace
}  // namespace netpanel
