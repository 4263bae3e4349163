// Where sysparam.cfg lives: beside the program while that folder is
// writable, in the user's configuration folder for an installed program or
// a folder that is not writable, started from the file beside the program.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "CrlfLines.h"
#include "RecordingPort.h"
#include "TempFolder.h"
#include "settings/SysParams.h"

namespace fs = std::filesystem;

namespace {

// A settings file as an operator would hand-edit it: LF line ends, a few
// keys only.
constexpr const char* kSeed =
    "[SysParamSetting]\n"
    "[TitleNameEng]=Bench 7\n"
    "[Ctrler]=2\n"
    "[LangVer]=0\n"
    "[MotorPulse[0]]=3200\n";

class SysParamsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldXdg_ = old;
    setenv("XDG_CONFIG_HOME", Config().c_str(), 1);
    setenv("LANG", "C", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    SysParams.Reset();
    SetSysParamsFolder("");
  }
  void TearDown() override {
    SetSysParamsProgramFolderForTesting("");
    SetSysParamsFolder("");
    SysParams.Reset();
    if (oldXdg_) {
      setenv("XDG_CONFIG_HOME", oldXdg_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }

  // <tmp>/prefix/bin/ with <tmp>/prefix/lib/tessor/ beside it.
  std::string InstalledProgramFolder() {
    fs::create_directories(tmp_.File("prefix/lib/tessor"));
    fs::create_directories(tmp_.File("prefix/bin"));
    return tmp_.File("prefix/bin/");
  }
  std::string Config() const { return tmp_.File("home/config"); }
  std::string UserFile() const { return Config() + "/tessor/sysparam.cfg"; }

  TempFolder tmp_;
  RecordingPort port_;
  std::optional<std::string> oldXdg_;
};

TEST_F(SysParamsFolderTest, AWritableProgramFolderKeepsTheFileAsBefore) {
  const std::string portable = tmp_.File("portable/");
  fs::create_directories(portable);
  EXPECT_EQ(DefaultSysParamsFolder(portable), portable);
  EXPECT_EQ(DefaultSysParamsFolder(tmp_.File("portable")), portable);
  // A bin folder alone does not make an installed tree.
  fs::create_directories(tmp_.File("build/bin"));
  EXPECT_EQ(DefaultSysParamsFolder(tmp_.File("build/bin/")), tmp_.File("build/bin/"));
  EXPECT_EQ(DefaultSysParamsFolder(""), "");

  SetSysParamsProgramFolderForTesting(portable);
  EXPECT_EQ(SysParamsFolder(), portable);
  LoadSysParams();
  EXPECT_EQ(SysParamsPath, portable + "sysparam.cfg");
  EXPECT_TRUE(fs::exists(portable + "sysparam.cfg"));
  EXPECT_FALSE(fs::exists(Config()));
}

TEST_F(SysParamsFolderTest, AnInstalledProgramUsesTheUsersConfigurationFolder) {
  const std::string bin = InstalledProgramFolder();
  EXPECT_EQ(DefaultSysParamsFolder(bin), Config() + "/tessor/");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", tmp_.File("home").c_str(), 1);
  EXPECT_EQ(DefaultSysParamsFolder(bin), tmp_.File("home/.config/tessor/"));
}

TEST_F(SysParamsFolderTest, AReadOnlyProgramFolderUsesTheUsersConfigurationFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any folder; the installed-tree tests check this as another user";
  const std::string locked = tmp_.File("locked/");
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(DefaultSysParamsFolder(locked), Config() + "/tessor/");
  fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(SysParamsFolderTest, FirstStartIsSeededFromTheFileBesideTheProgram) {
  const std::string bin = InstalledProgramFolder();
  WriteFileBytes(bin + "sysparam.cfg", kSeed);
  SetSysParamsProgramFolderForTesting(bin);
  LoadSysParams();

  EXPECT_TRUE(port_.BoxTexts().empty());
  EXPECT_EQ(SysParamsPath, UserFile());
  EXPECT_EQ(SysParams.TitleNameEng, "Bench 7");
  EXPECT_EQ(SysParams.Ctrler, 2);
  EXPECT_EQ(SysParams.MotorPulse[0], 3200.0);
  // Keys the seed lacks keep the values before loading, not the defaults.
  EXPECT_EQ(SysParams.CheckTime, 3.0);
  // The user's copy is a whole file in the program's layout; the seed stays.
  const auto lines = CrlfLines(ReadFileBytes(UserFile()));
  ASSERT_GT(lines.size(), 100u);
  EXPECT_EQ(lines[1], "[SysParamSetting]");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[Ctrler]=2"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[PMoveSetStep[15]]=0.000000"), lines.end());
  EXPECT_EQ(ReadFileBytes(bin + "sysparam.cfg"), kSeed);
  struct stat st {};
  ASSERT_EQ(stat((Config() + "/tessor").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Saves go to the user's copy.
  SysParams.LangVer = 1;
  SaveSysParams();
  EXPECT_NE(ReadFileBytes(UserFile()).find("[LangVer]=1\r\n"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(bin + "sysparam.cfg"), kSeed);
}

TEST_F(SysParamsFolderTest, LaterStartsKeepTheUsersOwnFile) {
  const std::string bin = InstalledProgramFolder();
  WriteFileBytes(bin + "sysparam.cfg", kSeed);
  SetSysParamsProgramFolderForTesting(bin);
  LoadSysParams();
  SysParams.Ctrler = 0;
  SaveSysParams();

  // The administrator changes the file beside the program afterwards.
  WriteFileBytes(bin + "sysparam.cfg", "[Ctrler]=1\n[TitleNameEng]=Changed\n");
  SysParams.Reset();
  LoadSysParams();
  EXPECT_TRUE(port_.BoxTexts().empty());
  EXPECT_EQ(SysParams.Ctrler, 0);
  EXPECT_EQ(SysParams.TitleNameEng, "Bench 7");
}

TEST_F(SysParamsFolderTest, WithoutASeedTheDefaultsAreWrittenToTheUsersFolder) {
  const std::string bin = InstalledProgramFolder();
  SetSysParamsProgramFolderForTesting(bin);
  LoadSysParams();
  ASSERT_EQ(port_.BoxTexts().size(), 1u);
  EXPECT_EQ(port_.BoxTexts()[0], "Open config file " + UserFile() + "failed! System will take default value.");
  EXPECT_EQ(SysParams.LangVer, 1);
  EXPECT_EQ(SysParams.Ctrler, 1);
  EXPECT_TRUE(fs::exists(UserFile()));
  EXPECT_FALSE(fs::exists(bin + "sysparam.cfg"));
}

TEST_F(SysParamsFolderTest, AnUnreadableSeedGivesOneMessageAndTheDefaults) {
  const std::string bin = InstalledProgramFolder();
  fs::create_directories(bin + "sysparam.cfg");  // not a file
  SetSysParamsProgramFolderForTesting(bin);
  LoadSysParams();
  ASSERT_EQ(port_.BoxTexts().size(), 1u);
  EXPECT_EQ(port_.BoxTexts()[0], "Open config file " + bin + "sysparam.cfgfailed! System will take default value.");
  EXPECT_EQ(SysParams.Ctrler, 1);
  EXPECT_EQ(SysParamsPath, UserFile());
  EXPECT_NE(ReadFileBytes(UserFile()).find("[Ctrler]=1\r\n"), std::string::npos);
}

TEST_F(SysParamsFolderTest, AUsersFolderThatCannotBeMadeStillReadsTheSeed) {
  const std::string bin = InstalledProgramFolder();
  WriteFileBytes(bin + "sysparam.cfg", kSeed);
  fs::create_directories(tmp_.File("home"));
  WriteFileBytes(Config(), "a file where the folder would be");
  SetSysParamsProgramFolderForTesting(bin);
  LoadSysParams();
  EXPECT_EQ(SysParams.TitleNameEng, "Bench 7");
  ASSERT_EQ(port_.BoxTexts().size(), 1u);
  EXPECT_EQ(port_.BoxTexts()[0], "Create config file " + UserFile() + " Failed!");
  EXPECT_EQ(ReadFileBytes(bin + "sysparam.cfg"), kSeed);
}

TEST_F(SysParamsFolderTest, AFolderSetByTheRunnerWins) {
  const std::string bin = InstalledProgramFolder();
  WriteFileBytes(bin + "sysparam.cfg", kSeed);
  SetSysParamsProgramFolderForTesting(bin);
  const std::string chosen = tmp_.File("chosen");
  fs::create_directories(chosen);
  SetSysParamsFolder(chosen);
  EXPECT_EQ(SysParamsFolder(), chosen + "/");
  LoadSysParams();
  EXPECT_EQ(SysParamsPath, chosen + "/sysparam.cfg");
  // No seeding there: a missing file gets the defaults, as it always did.
  EXPECT_EQ(SysParams.Ctrler, 1);
  EXPECT_FALSE(fs::exists(Config()));
}

}  // namespace
