// Points the registry at a file in a new temporary folder for the life of a
// test, so that no test touches the user's own registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TemporaryRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tresslin-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/registry";
    setenv("TRESSLIN_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string file_text() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string folder_;
  std::string path_;
};
