// A fresh, empty registry for each test: NETPANEL_REGISTRY_DIR points into a new temporary
// directory, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/temp_dir.h"

class TempRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<testsupport::TempDir>();
        env_ = std::make_unique<testsupport::EnvVar>("NETPANEL_REGISTRY_DIR", dir_->path());
    }
    void TearDown() override {
        env_.reset();
        dir_.reset();
    }
    const std::filesystem::path& registryDir() const { return dir_->path(); }

private:
    std::unique_ptr<testsupport::TempDir> dir_;
    std::unique_ptr<testsupport::EnvVar> env_;
};
