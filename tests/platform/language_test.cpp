#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/SystemLanguage.h"

namespace {

// Sets the three locale variables for one case and restores them after.
class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* v = std::getenv(name);
      saved_.emplace_back(v != nullptr ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < 3; ++i) Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
  }
  static void Set(const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  static int With(const char* all, const char* messages, const char* lang) {
    Set("LC_ALL", all);
    Set("LC_MESSAGES", messages);
    Set("LANG", lang);
    return platform::SystemDefaultLangId();
  }
  static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(LocaleEnvironment, ChineseLocalesGive2052) {
  EXPECT_EQ(With(nullptr, nullptr, "zh_CN.UTF-8"), 2052);
  EXPECT_EQ(With(nullptr, "zh_TW.Big5", nullptr), 2052);
  EXPECT_EQ(With("zh_CN.GBK", nullptr, nullptr), 2052);
}

TEST_F(LocaleEnvironment, EverythingElseGives1033) {
  EXPECT_EQ(With(nullptr, nullptr, nullptr), 1033);
  EXPECT_EQ(With(nullptr, nullptr, "en_US.UTF-8"), 1033);
  EXPECT_EQ(With(nullptr, nullptr, "C"), 1033);
  EXPECT_EQ(With(nullptr, nullptr, "zh"), 1033);  // no territory: not "zh_"
  EXPECT_EQ(With(nullptr, nullptr, "de_DE.UTF-8"), 1033);
}

TEST_F(LocaleEnvironment, FirstSetVariableDecidesInOrder) {
  EXPECT_EQ(With("en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8"), 1033);
  EXPECT_EQ(With("zh_CN.UTF-8", "en_GB.UTF-8", "en_GB.UTF-8"), 2052);
  EXPECT_EQ(With(nullptr, "en_GB.UTF-8", "zh_CN.UTF-8"), 1033);
  EXPECT_EQ(With("", "", "zh_CN.UTF-8"), 2052);  // empty counts as unset
}

}  // namespace
