#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/DynamicLibrary.h"

namespace {

using AnswerFn = int (*)();

int CallAnswer(platform::ModuleHandle h) {
  auto fn = reinterpret_cast<AnswerFn>(platform::FindExport(h, "fixture_answer"));
  return fn != nullptr ? fn() : -1;
}

// Restores the working directory and the folder override.
class DynamicLibraryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetModuleFolderForTesting("");
    std::filesystem::current_path(start_);
  }
  std::filesystem::path start_ = std::filesystem::current_path();
};

TEST_F(DynamicLibraryTest, LoadsByBaseNameFromTheProgramFolder) {
  EXPECT_EQ(platform::ModuleFileName("ORVA"), "libORVA.so");
  platform::ModuleHandle h = platform::LoadModule("TPLFIX");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallAnswer(h), 42);
  platform::ReleaseModule(h);
}

TEST_F(DynamicLibraryTest, ExportNamesMatchExactlyIncludingCase) {
  platform::ModuleHandle h = platform::LoadModule("TPLFIX");
  ASSERT_NE(h, nullptr);
  EXPECT_NE(platform::FindExport(h, "fixture_answer"), nullptr);
  EXPECT_EQ(platform::FindExport(h, "Fixture_Answer"), nullptr);
  EXPECT_EQ(platform::FindExport(h, "fixture_answe"), nullptr);
  EXPECT_EQ(platform::FindExport(h, nullptr), nullptr);
  EXPECT_EQ(platform::FindExport(nullptr, "fixture_answer"), nullptr);
  platform::ReleaseModule(h);
  platform::ReleaseModule(nullptr);  // ignored
}

TEST_F(DynamicLibraryTest, NeverLoadsFromTheWorkingDirectory) {
  if (std::getenv("TESSOR_TEST_LOADER_PATH") != nullptr) GTEST_SKIP() << "loader path points at the folder";
  std::filesystem::current_path(AWAY_DIR);
  ASSERT_TRUE(std::filesystem::exists("libTPLAWAY.so"));
  EXPECT_EQ(platform::LoadModule("TPLAWAY"), nullptr);
}

TEST_F(DynamicLibraryTest, RefusesNamesThatAreNotBaseNames) {
  EXPECT_EQ(platform::LoadModule(""), nullptr);
  EXPECT_EQ(platform::LoadModule("away/TPLAWAY"), nullptr);
  EXPECT_EQ(platform::LoadModule("NoSuchCardLibrary"), nullptr);
}

TEST_F(DynamicLibraryTest, TestsCanPointTheProgramFolderElsewhere) {
  platform::SetModuleFolderForTesting(AWAY_DIR);
  platform::ModuleHandle h = platform::LoadModule("TPLAWAY");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallAnswer(h), 7);
  platform::ReleaseModule(h);
}

// Run as its own test with LD_LIBRARY_PATH set to the away folder.
TEST(LoaderPath, FallsBackToTheSystemLoaderPath) {
  if (std::getenv("TESSOR_TEST_LOADER_PATH") == nullptr) GTEST_SKIP() << "needs LD_LIBRARY_PATH";
  platform::ModuleHandle h = platform::LoadModule("TPLAWAY");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallAnswer(h), 7);
  platform::ReleaseModule(h);
}

}  // namespace
