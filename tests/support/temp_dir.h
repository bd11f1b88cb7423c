// Test support: a temporary directory removed with everything in it, and an environment
// variable set for a test's lifetime.
#pragma once

#include <stdlib.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace testsupport {

// A fresh directory under the system's temporary directory, removed when the object goes.
class TempDir {
public:
    TempDir() {
#ifdef _WIN32
        // No mkdtemp: a name of the process and a counter, taken only if it is new.
        static unsigned counter = 0;
        const auto base = std::filesystem::temp_directory_path();
        do {
            path_ = base / ("netpanel" + std::to_string(GetCurrentProcessId()) + "_" +
                            std::to_string(++counter));
        } while (!std::filesystem::create_directory(path_));
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "netpanelXXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
#endif
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const {
        return path_;
    }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the object's lifetime, then restores it.
class EnvVar {
public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        set(name, value.c_str());
    }
    ~EnvVar() { set(name_, old_ ? old_->c_str() : nullptr); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    // Null removes the variable.
    static void set(const char* name, const char* value) {
#ifdef _WIN32
        _putenv_s(name, value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace testsupport
