#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/ProgramPath.h"

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

// A tree laid out as installed: <root>/bin/ for the program, <root>/lib/tessor/
// for the card libraries.
class InstalledTreeTest : public DynamicLibraryTest {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / ("tessor-tree-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "bin");
    std::filesystem::create_directories(root_ / "lib/tessor");
  }
  void TearDown() override {
    DynamicLibraryTest::TearDown();
    std::filesystem::remove_all(root_);
  }
  // Puts a copy of fixture library `from` (a file in the build's bin or away
  // folder) into `folder` under the base name TPLAWAY.
  void Place(const std::filesystem::path& from, const std::filesystem::path& folder) {
    std::filesystem::copy_file(from, folder / "libTPLAWAY.so", std::filesystem::copy_options::overwrite_existing);
  }
  std::filesystem::path Answering42() const { return std::filesystem::path(platform::ProgramFolder()) / "libTPLFIX.so"; }
  std::filesystem::path Answering7() const { return std::filesystem::path(AWAY_DIR) / "libTPLAWAY.so"; }
  std::filesystem::path root_;
};

TEST_F(InstalledTreeTest, LibraryFolderBesideTheProgramsBinFolder) {
  EXPECT_EQ(platform::InstalledLibraryFolder("/usr/bin/"), "/usr/lib/tessor/");
  EXPECT_EQ(platform::InstalledLibraryFolder("/opt/tessor 1/bin/"), "/opt/tessor 1/lib/tessor/");
  EXPECT_EQ(platform::InstalledLibraryFolder("/bin/"), "/lib/tessor/");
  // Only a folder named bin is an installed program's folder.
  EXPECT_EQ(platform::InstalledLibraryFolder("/usr/sbin/"), "");
  EXPECT_EQ(platform::InstalledLibraryFolder("/home/op/cabin/"), "");
  EXPECT_EQ(platform::InstalledLibraryFolder("/home/op/tessor/"), "");
  EXPECT_EQ(platform::InstalledLibraryFolder(""), "");

  platform::SetModuleFolderForTesting((root_ / "bin").string() + "/");
  const std::vector<std::string> folders = platform::ModuleFolders();
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[0], (root_ / "bin").string() + "/");
  EXPECT_EQ(folders[1], (root_ / "lib/tessor").string() + "/");
}

TEST_F(InstalledTreeTest, FindsTheLibraryInLibTessorWhenTheProgramFolderHasNone) {
  Place(Answering7(), root_ / "lib/tessor");
  platform::SetModuleFolderForTesting((root_ / "bin").string());
  platform::ModuleHandle h = platform::LoadModule("TPLAWAY");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallAnswer(h), 7);
  platform::ReleaseModule(h);
}

TEST_F(InstalledTreeTest, TheProgramFolderComesFirst) {
  Place(Answering7(), root_ / "lib/tessor");
  Place(Answering42(), root_ / "bin");
  platform::SetModuleFolderForTesting((root_ / "bin").string());
  platform::ModuleHandle h = platform::LoadModule("TPLAWAY");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CallAnswer(h), 42);
  platform::ReleaseModule(h);
}

TEST_F(InstalledTreeTest, ABrokenLibraryInTheProgramFolderIsNotReplacedByAnother) {
  Place(Answering7(), root_ / "lib/tessor");
  std::ofstream(root_ / "bin/libTPLAWAY.so") << "not a library";
  platform::SetModuleFolderForTesting((root_ / "bin").string());
  EXPECT_EQ(platform::LoadModule("TPLAWAY"), nullptr);
}

TEST_F(InstalledTreeTest, ProgramsOutsideABinFolderDoNotLookInLibTessor) {
  if (std::getenv("TESSOR_TEST_LOADER_PATH") != nullptr) GTEST_SKIP() << "loader path points at the library";
  Place(Answering7(), root_ / "lib/tessor");
  std::filesystem::create_directories(root_ / "app");
  platform::SetModuleFolderForTesting((root_ / "app").string());
  EXPECT_EQ(platform::ModuleFolders().size(), 1u);
  EXPECT_EQ(platform::LoadModule("TPLAWAY"), nullptr);
}

TEST_F(InstalledTreeTest, NeverLoadsFromTheWorkingDirectory) {
  if (std::getenv("TESSOR_TEST_LOADER_PATH") != nullptr) GTEST_SKIP() << "loader path points at the library";
  // Run from <root>/lib/tessor with the library there, the program elsewhere.
  Place(Answering7(), root_ / "lib/tessor");
  std::filesystem::current_path(root_ / "lib/tessor");
  std::filesystem::create_directories(root_ / "other/bin");
  platform::SetModuleFolderForTesting((root_ / "other/bin").string());
  EXPECT_EQ(platform::LoadModule("TPLAWAY"), nullptr);
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
