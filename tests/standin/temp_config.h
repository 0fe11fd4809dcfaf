// A fixture that points HOME and XDG_CONFIG_HOME at a fresh folder for each test, so no test sees
// another's hive or the real one, plus small file helpers for looking at what was written.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): POSIX declares mkdtemp, setenv here

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

class TempConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "standin.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    home_ = root_ + "/home";
    config_ = root_ + "/config";
    std::filesystem::create_directory(home_);
    saved_home_ = Get("HOME");
    saved_config_ = Get("XDG_CONFIG_HOME");
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }

  void TearDown() override {
    Restore("HOME", saved_home_);
    Restore("XDG_CONFIG_HOME", saved_config_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  std::string RegistryDir() const { return config_ + "/registry"; }
  std::string HivePath() const { return RegistryDir() + "/HKEY_CURRENT_USER.reg"; }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  // Names in a folder, sorted; what a leftover temporary file would show up in.
  static std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string root_;
  std::string home_;
  std::string config_;

 private:
  std::optional<std::string> saved_home_;
  std::optional<std::string> saved_config_;

  static std::optional<std::string> Get(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
  }

  static void Restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
};
