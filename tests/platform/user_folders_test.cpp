#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "platform/UserFolders.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class UserFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessor-user-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(root_);
  }
  std::string Folder(const std::string& name) const { return (root_ / name).string(); }
  fs::path root_;
};

TEST_F(UserFoldersTest, ConfigFolderFollowsXdgThenHome) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/cfg");
    ScopedEnv home("HOME", "/home/operator");
    EXPECT_EQ(platform::UserConfigFolder(), "/srv/cfg/");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/cfg/");
    EXPECT_EQ(platform::UserConfigFolder(), "/srv/cfg/");
  }
  // Unset, empty and relative values of either are ignored.
  for (const char* value : {static_cast<const char*>(nullptr), "", "relative/cfg"}) {
    ScopedEnv xdg("XDG_CONFIG_HOME", value);
    ScopedEnv home("HOME", "/home/operator");
    EXPECT_EQ(platform::UserConfigFolder(), "/home/operator/.config/") << (value ? value : "(unset)");
  }
}

TEST_F(UserFoldersTest, StateFolderFollowsXdgThenHome) {
  ScopedEnv home("HOME", "/home/operator");
  const std::pair<const char*, const char*> cases[] = {
      {"/srv/state", "/srv/state/"},
      {nullptr, "/home/operator/.local/state/"},
      {"relative/state", "/home/operator/.local/state/"},
  };
  for (const auto& [value, expected] : cases) {
    ScopedEnv xdg("XDG_STATE_HOME", value);
    EXPECT_EQ(platform::UserStateFolder(), expected) << (value ? value : "(unset)");
  }
}

TEST_F(UserFoldersTest, WithoutHomeTheUsersEntryIsAsked) {
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", "not/absolute");
  const std::string folder = platform::UserConfigFolder();
  // Every account this runs under has a home in the password database.
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(folder.ends_with("/.config/")) << folder;
}

TEST_F(UserFoldersTest, MakesNestedFoldersForTheUserOnly) {
  const std::string deep = Folder("a/b/c/");
  ASSERT_TRUE(platform::MakeFolders(deep));
  EXPECT_TRUE(platform::IsFolder(deep));
  struct stat st {};
  ASSERT_EQ(stat(Folder("a/b").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // Existing folders are fine, with or without the final slash.
  EXPECT_TRUE(platform::MakeFolders(Folder("a/b")));
  EXPECT_TRUE(platform::MakeFolders(root_.string()));
}

TEST_F(UserFoldersTest, AFileInTheWayIsNoFolder) {
  std::ofstream(root_ / "file") << "x";
  EXPECT_FALSE(platform::MakeFolders(Folder("file/sub/")));
  EXPECT_FALSE(platform::IsFolder(Folder("file")));
  EXPECT_FALSE(platform::FolderWritable(Folder("file")));
  EXPECT_FALSE(platform::FolderWritable(Folder("missing")));
  EXPECT_FALSE(platform::MakeFolders(""));
  EXPECT_TRUE(platform::FolderWritable(root_.string()));
}

TEST_F(UserFoldersTest, AReadOnlyFolderIsNotWritable) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any folder; the installed-tree tests check this as another user";
  fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(platform::FolderWritable(root_.string()));
}

}  // namespace
