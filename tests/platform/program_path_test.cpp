#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/ProgramPath.h"

namespace fs = std::filesystem;

namespace {

std::string RunAndRead(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(ProgramPath, IsTheRunningExecutableAndItsFolder) {
  const std::string path = platform::ProgramFilePath();
  const std::string folder = platform::ProgramFolder();
  EXPECT_EQ(fs::path(path).filename(), "platform_test");
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder + "platform_test", path);
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

TEST(ProgramPath, WorksForFoldersLongerThanAnyFixedBuffer) {
  fs::path deep = fs::temp_directory_path() / ("tessor-path-" + std::to_string(::getpid()));
  const fs::path top = deep;
  for (int i = 0; i < 12; ++i) deep /= std::string(90, static_cast<char>('a' + i));
  fs::create_directories(deep);
  const fs::path copy = deep / "print_program_folder";
  fs::copy_file(PRINT_PROGRAM_FOLDER, copy);
  fs::permissions(copy, fs::perms::owner_all);
  const std::string printed = RunAndRead("'" + copy.string() + "'");
  fs::remove_all(top);
  EXPECT_GT(printed.size(), 1000u);
  EXPECT_EQ(printed, deep.string() + "/");
}

}  // namespace
