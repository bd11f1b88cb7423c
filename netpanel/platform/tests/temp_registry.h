// A fresh, empty registry for each test: NETPANEL_REGISTRY_DIR points into a new temporary
// directory, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "netpanelXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("NETPANEL_REGISTRY_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("NETPANEL_REGISTRY_DIR");
        std::filesystem::remove_all(dir_);
    }
    const std::filesystem::path& registryDir() const { return dir_; }

private:
    std::filesystem::path dir_;
};
