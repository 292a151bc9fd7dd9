// Points the registry at a file in a new temporary folder for the life of a
// test, so that no test touches the user's own registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/scratch_folder.h"

class TemporaryRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    path_ = folder_.file("registry");
    setenv("TRESSLIN_REGISTRY", path_.c_str(), 1);
  }

  std::string file_text() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  ScratchFolder folder_{"tresslin-registry"};
  std::string path_;
};
