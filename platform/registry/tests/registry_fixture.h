// A registry of its own for each test: a fresh NETPANEL_REGISTRY_DIR, removed afterwards, and
// helpers to read and write its hive files directly.
#pragma once

#include <gtest/gtest.h>
#include <registry/registry.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace registrytest {

inline std::string makeTemporaryDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "registry-test-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    return pattern;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a new file, as an editor saving it does.
inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::remove(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { useDirectory(makeTemporaryDirectory()); }

    void TearDown() override {
        for (const auto& directory : directories_)
            std::filesystem::remove_all(directory);
        ::unsetenv("NETPANEL_REGISTRY_DIR");
    }

    void useDirectory(const std::string& directory) {
        directories_.push_back(directory);
        ::setenv("NETPANEL_REGISTRY_DIR", directory.c_str(), 1);
    }

    std::filesystem::path directory() const { return directories_.back(); }
    std::filesystem::path userHive() const { return directory() / "HKEY_CURRENT_USER.reg"; }
    std::filesystem::path machineHive() const { return directory() / "HKEY_LOCAL_MACHINE.reg"; }

    // Moves to a copy of the hive files, which the store has never read, so that what follows
    // comes from the files alone.
    void reloadFromCopy() {
        const std::filesystem::path from = directory();
        useDirectory(makeTemporaryDirectory());
        for (const auto& entry : std::filesystem::directory_iterator(from)) {
            std::filesystem::copy(entry.path(), directory() / entry.path().filename());
        }
    }

private:
    std::vector<std::string> directories_;
};

// A handle closed when it goes away.
class KeyHandle {
public:
    KeyHandle() = default;
    explicit KeyHandle(HKEY key) : key_(key) {}
    ~KeyHandle() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;

    HKEY get() const { return key_; }
    PHKEY out() { return &key_; }

private:
    HKEY key_ = nullptr;
};

inline LONG setString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

inline LONG setDword(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof(number));
}

inline LONG createKey(HKEY parent, const char* path, KeyHandle& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.out(),
                           disposition);
}

// A REG_SZ read back, or the error code as text.
inline std::string queryString(HKEY key, const char* name) {
    char buffer[512];
    DWORD size = sizeof(buffer);
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (status != ERROR_SUCCESS) return "error " + std::to_string(status);
    if (type != REG_SZ) return "type " + std::to_string(type);
    return std::string(buffer, size - 1);
}

}  // namespace registrytest
