#include "settings/ProfileFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>

#include "RecordingPort.h"
#include "TempFolder.h"

namespace {

// Sets LANG for the profile file's own messages; restores the old value.
class ScopedLang {
 public:
  explicit ScopedLang(const char* value) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      unsetenv(name);
    }
    setenv("LANG", value, 1);
  }
  ~ScopedLang() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class ProfileFileTest : public ::testing::Test {
 protected:
  void TearDown() override { file.Close(); }

  void OpenWith(const std::string& bytes) {
    WriteFileBytes(path, bytes);
    ASSERT_EQ(file.OpenRead(path), 0);
  }

  RecordingPort port;
  ScopedLang lang{"en_US.UTF-8"};
  TempFolder folder;
  std::string path = folder.File("test.cfg");
  CProfileFile file;
};

TEST_F(ProfileFileTest, KeySearchFindsExactBracketedNameBeforeFirstEquals) {
  OpenWith(
      "\r\n[Sec]\r\n\r\n"
      "[A] =1\r\n"          // blank before '=': not key A
      "[a]=2\r\n"           // case matters
      "[A]= 7\r\n"          // blank after '=' belongs to the value
      "[A]=8\r\n"           // second occurrence
      "[Eq]=x=y = z\r\n"    // value keeps further '=' and blanks
      "[Empty]=\r\n"
      "no equals here\r\n"
      "[Unit[3]]=5\r\n");   // key holding brackets
  std::int32_t value = -1;
  EXPECT_EQ(file.ReadInt("A", value), 0);
  EXPECT_EQ(value, 7);
  std::string text;
  EXPECT_EQ(file.ReadString("A", text), 0);
  EXPECT_EQ(text, " 7");
  EXPECT_EQ(file.ReadString("A ", text), 1);  // "[A ]" is nowhere
  EXPECT_EQ(file.ReadString("Eq", text), 0);
  EXPECT_EQ(text, "x=y = z");
  EXPECT_EQ(file.ReadInt("Unit[3]", value), 0);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(file.ReadString("Sec", text), 1);  // a section is not a setting

  // An empty value succeeds and leaves every kind of output alone.
  value = 42;
  double real = 4.5;
  text = "keep";
  EXPECT_EQ(file.ReadInt("Empty", value), 0);
  EXPECT_EQ(file.ReadDouble("Empty", real), 0);
  EXPECT_EQ(file.ReadString("Empty", text), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(real, 4.5);
  EXPECT_EQ(text, "keep");

  // A missing key fails and touches nothing.
  value = 42;
  text = "keep";
  EXPECT_EQ(file.ReadInt("Missing", value), 1);
  EXPECT_EQ(file.ReadString("Missing", text), 1);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(text, "keep");
}

TEST_F(ProfileFileTest, ReadNextContinuesAfterLastMatchAndStaysAtEnd) {
  OpenWith("[K]=1\n[X]=9\n[K]=2\n[K]=3");
  std::int32_t value = 0;
  EXPECT_EQ(file.ReadNextInt("K", value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(file.ReadNextInt("K", value), 0);
  EXPECT_EQ(value, 2);
  // ReadInt restarts from the top; ReadNext goes on after its match.
  EXPECT_EQ(file.ReadInt("K", value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(file.ReadNextInt("X", value), 0);
  EXPECT_EQ(value, 9);
  double real = 0;
  EXPECT_EQ(file.ReadNextDouble("K", real), 0);
  EXPECT_EQ(real, 2.0);
  EXPECT_EQ(file.ReadNextInt("K", value), 0);  // last line has no line end
  EXPECT_EQ(value, 3);
  // A failed search leaves the position at the end: every later one fails.
  EXPECT_EQ(file.ReadNextInt("Missing", value), 1);
  EXPECT_EQ(file.ReadNextInt("K", value), 1);
  EXPECT_EQ(value, 3);
}

TEST_F(ProfileFileTest, ManySearchesFromTheTopFindTheSameLines) {
  // Enough searches from the top that the reader answers from its index.
  OpenWith("[K]=1\r\n[A] =5\r\n[X]=9\r\n[K]=2\r\n[E]=\r\n[K]=3\r\n");
  std::int32_t value = 0;
  for (int round = 0; round < 6; ++round) {
    EXPECT_EQ(file.ReadInt("K", value), 0);
    EXPECT_EQ(value, 1);
  }
  EXPECT_EQ(file.ReadNextInt("K", value), 0);  // on after the first K
  EXPECT_EQ(value, 2);
  EXPECT_EQ(file.ReadInt("X", value), 0);
  EXPECT_EQ(file.ReadNextInt("K", value), 0);  // on after X
  EXPECT_EQ(value, 2);
  EXPECT_EQ(file.ReadInt("A", value), 1);  // "[A] " is not "[A]"
  value = 7;
  EXPECT_EQ(file.ReadInt("E", value), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(file.ReadNextInt("K", value), 0);
  EXPECT_EQ(value, 3);
  // A failed search from the top leaves the position at the end.
  EXPECT_EQ(file.ReadInt("Missing", value), 1);
  EXPECT_EQ(file.ReadNextInt("K", value), 1);
  std::string text;
  EXPECT_EQ(file.ReadString("X", text), 0);
  EXPECT_EQ(text, "9");
  // A new file forgets the old one's lines.
  file.Close();
  OpenWith("[X]=4\n");
  EXPECT_EQ(file.ReadInt("K", value), 1);
  EXPECT_EQ(file.ReadInt("X", value), 0);
  EXPECT_EQ(value, 4);
}

TEST_F(ProfileFileTest, LfAndCrLfFilesReadAlike) {
  for (const std::string end : {"\n", "\r\n"}) {
    OpenWith("[S]=text" + end + "[D]=2.5" + end + "[I]=-12" + end);
    std::string text;
    double real = 0;
    std::int32_t value = 0;
    EXPECT_EQ(file.ReadString("S", text), 0);
    EXPECT_EQ(text, "text");  // no CR left in the value
    EXPECT_EQ(file.ReadDouble("D", real), 0);
    EXPECT_EQ(real, 2.5);
    EXPECT_EQ(file.ReadInt("I", value), 0);
    EXPECT_EQ(value, -12);
    file.Close();
  }
}

TEST_F(ProfileFileTest, NumbersConvertLikeStrtolAndStrtodWithSaturation) {
  OpenWith(
      "[lead]=   15xyz\n[none]=abc\n[big]=99999999999999999999\n[small]=-99999999999999\n"
      "[real]=  -2.5e2kg\n[hugeReal]=1e999\n[plus]=+7\n");
  std::int32_t value = 1;
  double real = 1;
  EXPECT_EQ(file.ReadInt("lead", value), 0);
  EXPECT_EQ(value, 15);
  EXPECT_EQ(file.ReadInt("none", value), 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(file.ReadInt("big", value), 0);
  EXPECT_EQ(value, 2147483647);
  EXPECT_EQ(file.ReadInt("small", value), 0);
  EXPECT_EQ(value, -2147483647 - 1);
  EXPECT_EQ(file.ReadInt("plus", value), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(file.ReadDouble("real", real), 0);
  EXPECT_EQ(real, -250.0);
  EXPECT_EQ(file.ReadDouble("hugeReal", real), 0);
  EXPECT_TRUE(std::isinf(real));
  EXPECT_EQ(file.ReadDouble("none", real), 0);
  EXPECT_EQ(real, 0.0);
}

TEST_F(ProfileFileTest, LinesOfAnyLength) {
  const std::string longValue(200000, 'v');
  OpenWith("[pad]=" + std::string(100000, 'p') + "\r\n[long]=" + longValue + "\r\n[after]=3\r\n");
  std::string text;
  std::int32_t value = 0;
  EXPECT_EQ(file.ReadString("long", text), 0);
  EXPECT_EQ(text, longValue);
  EXPECT_EQ(file.ReadInt("after", value), 0);
  EXPECT_EQ(value, 3);
}

TEST_F(ProfileFileTest, WritesExactBytesWithCrLf) {
  ASSERT_EQ(file.OpenWrite(path), 0);
  EXPECT_EQ(file.WriteSection("Sec"), 0);
  EXPECT_EQ(file.WriteString("Name", "a=b \xB5\xE7"), 0);
  EXPECT_EQ(file.WriteInt("Neg", -42), 0);
  EXPECT_EQ(file.WriteDouble("A", 0.1), 0);
  EXPECT_EQ(file.WriteDouble("B", -2.5), 0);
  EXPECT_EQ(file.WriteDouble("C", 3200), 0);
  EXPECT_EQ(file.WriteDouble("D", 0.005), 0);
  EXPECT_EQ(file.WriteDouble("E", 1e20), 0);
  file.Close();
  EXPECT_EQ(ReadFileBytes(path),
            "\r\n[Sec]\r\n\r\n[Name]=a=b \xB5\xE7\r\n[Neg]=-42\r\n[A]=0.100000\r\n[B]=-2.500000\r\n"
            "[C]=3200.000000\r\n[D]=0.005000\r\n[E]=100000000000000000000.000000\r\n");
  EXPECT_TRUE(port.Boxes().empty());
}

TEST_F(ProfileFileTest, ClosedOrWrongModeFailsWithoutEffect) {
  std::int32_t value = 5;
  std::string text = "keep";
  EXPECT_EQ(file.ReadInt("K", value), 1);
  EXPECT_EQ(file.ReadString("K", text), 1);
  EXPECT_EQ(file.WriteInt("K", 1), 1);
  EXPECT_EQ(file.WriteSection("S"), 1);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(text, "keep");
  file.Close();  // closing a closed file is harmless

  // Reads on a file being written fail, and so do writes on a read file.
  ASSERT_EQ(file.OpenWrite(path), 0);
  file.WriteInt("K", 1);
  EXPECT_EQ(file.ReadInt("K", value), 1);
  file.Close();
  ASSERT_EQ(file.OpenRead(path), 0);
  EXPECT_EQ(file.WriteInt("K", 2), 1);
  EXPECT_EQ(file.ReadInt("K", value), 0);
  EXPECT_EQ(value, 1);
}

TEST_F(ProfileFileTest, OpenFailuresShowMessagesInSystemLanguage) {
  const std::string missing = folder.File("nothing.cfg");
  EXPECT_EQ(file.OpenRead(missing), 1);
  EXPECT_FALSE(file.IsOpen());
  const std::string badFolder = folder.File("no/such/x.cfg");
  EXPECT_EQ(file.OpenWrite(badFolder), 1);
  EXPECT_FALSE(file.IsOpen());
  {
    ScopedLang chinese("zh_CN.UTF-8");
    file.OpenRead(missing);
    file.OpenWrite(badFolder);
  }
  const auto boxes = port.Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "Open config file " + missing + "failed! System will take default value.");
  EXPECT_EQ(boxes[0].icon, BoxIcon::None);
  EXPECT_EQ(boxes[1].text, "Create config file " + badFolder + " Failed!");
  EXPECT_EQ(boxes[1].icon, BoxIcon::Exclamation);
  EXPECT_EQ(boxes[2].text, "打开配置文件nothing.cfg失败！系统将采用缺省值。");
  EXPECT_EQ(boxes[3].text, "创建配置文件" + badFolder + "失败！");
  for (const auto& b : boxes) {
    EXPECT_EQ(b.caption, "Tessor");
    EXPECT_EQ(b.buttons, BoxButtons::Ok);
  }
  // A folder is not a file to read or replace.
  port.ClearRecord();
  EXPECT_EQ(file.OpenRead(folder.Folder()), 1);
  EXPECT_EQ(file.OpenWrite(folder.File("")), 1);
  EXPECT_EQ(port.Boxes().size(), 2u);
  // Nor is a named pipe: refused at once, without waiting for a writer.
  const std::string pipe = folder.File("pipe.cfg");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(file.OpenRead(pipe), 1);
  EXPECT_EQ(port.Boxes().size(), 3u);
}

TEST_F(ProfileFileTest, WriteReplacesTheFileOnlyOnClose) {
  WriteFileBytes(path, "old contents");
  chmod(path.c_str(), 0640);
  ASSERT_EQ(file.OpenWrite(path), 0);
  file.WriteInt("New", 1);
  EXPECT_EQ(ReadFileBytes(path), "old contents");  // never truncated first
  file.Close();
  EXPECT_EQ(ReadFileBytes(path), "[New]=1\r\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Only the target is left in the folder: no temporary files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Folder()), {}), 1);
}

TEST_F(ProfileFileTest, WriteProtectedFileIsRefusedAndKept) {
  WriteFileBytes(path, "protected");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  // The folder itself is writable, so only the file's own protection can
  // keep a replacement from being renamed over it.
  ASSERT_EQ(chmod(folder.Folder().c_str(), 0777), 0);
  auto attempt = [&] {
    const bool refused = file.OpenWrite(path) == 1 && !file.IsOpen();
    file.WriteInt("K", 1);
    file.Close();
    return refused && ReadFileBytes(path) == "protected";
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(attempt());
  } else {
    // The superuser may write anything: try as an ordinary user.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
      _exit(dropped && attempt() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(ReadFileBytes(path), "protected");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Folder()), {}), 1);
}

TEST_F(ProfileFileTest, WriteThroughSymbolicLinkKeepsTheLink) {
  const std::string real = folder.File("real.cfg");
  WriteFileBytes(real, "old");
  std::filesystem::create_symlink(real, path);
  ASSERT_EQ(file.OpenWrite(path), 0);
  file.WriteInt("K", 3);
  file.Close();
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(ReadFileBytes(real), "[K]=3\r\n");
}

TEST_F(ProfileFileTest, FailedCommitLeavesTargetAndReports) {
  ASSERT_EQ(file.OpenWrite(path), 0);
  file.WriteInt("K", 3);
  // The target turns into a non-empty folder before the commit: the rename
  // must fail, and nothing may be lost or left behind.
  std::filesystem::create_directory(path);
  WriteFileBytes(path + "/inside", "x");
  file.Close();
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(ReadFileBytes(path + "/inside"), "x");
  ASSERT_EQ(port.Boxes().size(), 1u);
  EXPECT_EQ(port.Boxes()[0].text, "Create config file " + path + " Failed!");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Folder()), {}), 1);
}

// --- killed saves ------------------------------------------------------------

std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

std::set<std::string> Temporaries(const std::string& folder) {
  std::set<std::string> names;
  for (const std::string& name : FolderNames(folder)) {
    if (name.rfind(".tessor-", 0) == 0) names.insert(name);
  }
  return names;
}

// A program-sized settings text: `lines` numbered lines of one value.
std::string Content(int lines, int value) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "[Key" + std::to_string(i) + "]=" + std::to_string(value) + "\r\n";
  return text;
}

void Save(CProfileFile& f, const std::string& target, int lines, int value) {
  ASSERT_EQ(f.OpenWrite(target), 0);
  for (int i = 0; i < lines; ++i) f.WriteInt("Key" + std::to_string(i), value);
  f.Close();
}

// A writer in a child process that starts a save of each target, tells the
// parent, and is killed before it can close them.
pid_t KilledWriter(const std::vector<std::string>& targets) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    std::vector<CProfileFile> files(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (files[i].OpenWrite(targets[i]) != 0) _exit(1);
      files[i].WriteString("Half", "written");
    }
    const char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char byte = 0;
  const bool started = child > 0 && read(ready[0], &byte, 1) == 1;
  close(ready[0]);
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  return started ? child : -1;
}

TEST_F(ProfileFileTest, TheNextSaveRemovesWhatAKilledSaveLeftAndNothingElse) {
  const std::string other = folder.File("other.knl");
  Save(file, path, 10, 1);
  Save(file, other, 10, 1);
  const pid_t dead = KilledWriter({path, other});
  ASSERT_GT(dead, 0);
  ASSERT_EQ(Temporaries(folder.Folder()).size(), 2u) << "each killed save left its temporary";

  // What is not ours, or not stale, stays: a file of a process that lives
  // (this one), one whose writer holds its lock (a writer elsewhere that
  // shares the folder), and names that only look like ours.
  const std::string live = ".tessor-" + std::to_string(getpid()) + "-999.tmp";
  const std::string locked = ".tessor-" + std::to_string(dead) + "-998.tmp";
  const std::vector<std::string> keep = {live,           locked,         ".tessor-notes.tmp", ".tessor-1-2.tmp.bak",
                                         ".tessor--1.tmp", "tessor-7-7.tmp", "x.tmp"};
  for (const std::string& name : keep) WriteFileBytes(folder.File(name), "keep");
  const int lockFd = open(folder.File(locked).c_str(), O_RDONLY);
  ASSERT_GE(lockFd, 0);
  ASSERT_EQ(flock(lockFd, LOCK_EX), 0);
  // A stale one of the older kind, which did not name its target.
  WriteFileBytes(folder.File(".tessor-" + std::to_string(dead) + "-5.tmp"), "stale");

  Save(file, path, 10, 2);
  EXPECT_EQ(ReadFileBytes(path), Content(10, 2));
  std::set<std::string> expected = {"test.cfg", "other.knl"};
  expected.insert(keep.begin(), keep.end());
  const std::set<std::string> left = FolderNames(folder.Folder());
  // The other target's temporary stays until that target is saved.
  ASSERT_EQ(left.size(), expected.size() + 1) << testing::PrintToString(left);
  for (const std::string& name : expected) EXPECT_EQ(left.count(name), 1u) << name;

  Save(file, other, 10, 2);
  EXPECT_EQ(FolderNames(folder.Folder()), expected);
  for (const std::string& name : keep) EXPECT_EQ(ReadFileBytes(folder.File(name)), "keep") << name;
  close(lockFd);
}

TEST_F(ProfileFileTest, SavesKilledAtAnyMomentLeaveAWholeFileAndNoLitter) {
  const std::string before = Content(4000, 1);
  const std::string after = Content(4000, 2);
  WriteFileBytes(path, before);
  std::mt19937 random(12345);
  for (int kill = 0; kill < 25; ++kill) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CProfileFile f;
      for (int value = 2;; value = 3 - value) {
        if (f.OpenWrite(path) != 0) _exit(1);
        for (int i = 0; i < 4000; ++i) f.WriteInt("Key" + std::to_string(i), value == 2 ? 2 : 1);
        f.Close();
      }
    }
    usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string now = ReadFileBytes(path);
    ASSERT_TRUE(now == before || now == after) << "torn after kill " << kill << ": " << now.size() << " bytes";
  }
  Save(file, path, 4000, 2);
  EXPECT_EQ(ReadFileBytes(path), after);
  EXPECT_EQ(FolderNames(folder.Folder()), std::set<std::string>{"test.cfg"});
}

}  // namespace
