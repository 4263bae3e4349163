// The event journal's file: lines, escaping, time stamps, rotation, a file
// that cannot be written, and events from other threads.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "RecordingPort.h"
#include "TempFolder.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"

namespace {

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string bytes = ReadFileBytes(path);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start) + "<no line end>");
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// A line without its time stamp, for exact comparison.
std::string Untimed(const std::string& line) {
  const std::size_t comma = line.find("\",");
  return comma == std::string::npos ? line : "{" + line.substr(comma + 2);
}

class JournalTest : public testing::Test {
 protected:
  void TearDown() override {
    journal::Close();
    journal::SetLineHook(nullptr);
    journal::SetFailureHook(nullptr);
    journal::SetWakeHook(nullptr);
  }
  std::string Path() const { return folder_.File("journal.jsonl"); }

  TempFolder folder_;
};

TEST_F(JournalTest, TextsAreEscapedSoThatEveryLineIsJsonAndReadsBack) {
  struct Case {
    std::string text;
    std::string json;  // as written
    std::string back;  // as read back
  };
  const std::string fffd = "\xEF\xBF\xBD";
  const Case cases[] = {
      {"C:\\knl\\\"new\".knl", R"("C:\\knl\\\"new\".knl")", "C:\\knl\\\"new\".knl"},
      {"two\nlines\r\tand\b\f", R"("two\nlines\r\tand\b\f")", "two\nlines\r\tand\b\f"},
      {std::string("\x01\x1f\x7f", 3), R"("\u0001\u001f\u007f")", std::string("\x01\x1f\x7f", 3)},
      {std::string("nul\0byte", 8), R"("nul\u0000byte")", std::string("nul\0byte", 8)},
      {"错误：运动超出范围", "\"错误：运动超出范围\"", "错误：运动超出范围"},
      {"\xF0\x9F\x98\x80 4 bytes", "\"\xF0\x9F\x98\x80 4 bytes\"", "\xF0\x9F\x98\x80 4 bytes"},
      // Bytes that are not UTF-8 (a GBK caption not decoded, a cut text):
      // each bad byte becomes U+FFFD, the rest stays.
      {"\xB4\xED\xCE\xF3 gbk", "\"" + fffd + fffd + fffd + fffd + " gbk\"", fffd + fffd + fffd + fffd + " gbk"},
      {"\xC0\xAF overlong", "\"" + fffd + fffd + " overlong\"", fffd + fffd + " overlong"},
      {"\xED\xA0\x80 surrogate", "\"" + fffd + fffd + fffd + " surrogate\"", fffd + fffd + fffd + " surrogate"},
      {"cut \xE4\xB8", "\"cut " + fffd + fffd + "\"", "cut " + fffd + fffd},
  };
  for (const Case& c : cases) {
    std::string json;
    journal::AppendJsonString(json, c.text);
    EXPECT_EQ(json, c.json);
    const journal::Fields fields = journal::ReadFields("{\"t\":" + json + "}");
    ASSERT_EQ(fields.size(), 1u) << json;
    EXPECT_EQ(fields[0].second, c.back) << json;
  }
  // Escapes the journal does not write but JSON allows.
  const journal::Fields other = journal::ReadFields(R"({ "a" : "\/\u00e9\ud83d\ude00\ud800" , "n" : -1.5e3 })");
  ASSERT_EQ(other.size(), 2u);
  EXPECT_EQ(other[0].second, "/\xC3\xA9\xF0\x9F\x98\x80" + fffd);
  EXPECT_EQ(other[1].second, "-1.5e3");
  for (const char* broken : {"", "{", R"({"a":"b")", R"({"a":"\q"})", R"({"a":1} x)", R"(["a"])"}) {
    EXPECT_TRUE(journal::ReadFields(broken).empty()) << broken;
  }
}

// No other thread runs while the zone changes (the environment calls are
// not thread-safe).
// NOLINTBEGIN(concurrency-mt-unsafe)
TEST_F(JournalTest, TimesAreLocalWithMillisecondsAndTheOffset) {
  const char* savedTz = std::getenv("TZ");
  const std::string saved = savedTz != nullptr ? savedTz : "";
  // 2024-02-29 23:59:59.999 UTC
  const journal::Clock::time_point t{std::chrono::milliseconds(1709251199999LL)};
  const std::pair<const char*, const char*> zones[] = {
      {"UTC0", "2024-02-29T23:59:59.999+00:00"},
      {"CST-8", "2024-03-01T07:59:59.999+08:00"},
      {"NST+3:30", "2024-02-29T20:29:59.999-03:30"},
  };
  for (const auto& [zone, expected] : zones) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(journal::FormatTime(t), expected) << zone;
  }
  if (savedTz != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
// NOLINTEND(concurrency-mt-unsafe)

TEST_F(JournalTest, EachEventIsOneLineOfTimeKindAndDetails) {
  ASSERT_TRUE(journal::Open(Path()));
  journal::Record(journal::kind::kMotion, {{"command", "jog"}, {"axis", 3}, {"direction", -1}});
  journal::Record(journal::kind::kFile, {{"command", "save"}, {"path", "/a b/\"c\".knl"}, {"ok", false}});
  journal::Close();
  journal::Record(journal::kind::kMotion, {{"command", "lost"}});  // closed: nothing

  const std::vector<std::string> lines = FileLines(Path());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Untimed(lines[0]), R"({"kind":"motion","command":"jog","axis":3,"direction":-1})");
  EXPECT_EQ(Untimed(lines[1]), R"({"kind":"file","command":"save","path":"/a b/\"c\".knl","ok":false})");
  EXPECT_EQ(journal::KindOf(lines[1]), "file");
  const journal::Fields fields = journal::ReadFields(lines[0]);
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_EQ(fields[0].first, "time");
  EXPECT_EQ(fields[0].second.size(), std::string("2024-02-29T23:59:59.999+00:00").size()) << fields[0].second;
  EXPECT_EQ(fields[3], (std::pair<std::string, std::string>{"axis", "3"}));
}

TEST_F(JournalTest, BoxesCarryTheirNumberInEitherLanguageAndTheAnswer) {
  RecordingPort port;
  ASSERT_TRUE(journal::Open(Path()));
  port.AnswerBoxes({kBoxOk, kBoxNo, kBoxCancel});
  Operator().MessageBox(OperatorMessageText(12, kLangChinese), "Tessor", BoxButtons::Ok, BoxIcon::None);
  Operator().MessageBox("Save changes?", "Tessor", BoxButtons::YesNoCancel, BoxIcon::Question);
  Operator().MessageBox("Are you sure to clear the data?", "Tessor", BoxButtons::OkCancel, BoxIcon::None);
  SetOperatorPort(nullptr);
  Operator().MessageBox("nobody shows this", "Tessor", BoxButtons::Ok, BoxIcon::None);

  const std::vector<std::string> lines = FileLines(Path());
  ASSERT_EQ(lines.size(), 4u);
  const std::string expected[] = {
      R"({"kind":"box","number":12,"text":"错误：运动超出范围","buttons":"ok","answer":"ok","shown":")",
      R"({"kind":"box","text":"Save changes?","buttons":"yes-no-cancel","answer":"no","shown":")",
      R"({"kind":"box","text":"Are you sure to clear the data?","buttons":"ok-cancel","answer":"cancel","shown":")",
      R"({"kind":"box","text":"nobody shows this","buttons":"ok","answer":"none","shown":")",
  };
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(Untimed(lines[i]).rfind(expected[i], 0), 0u) << lines[i];
}

TEST_F(JournalTest, AtTheSizeLimitTheFileMovesToItsDotOneName) {
  const std::string rotated = folder_.File("journal.1.jsonl");
  std::string line;
  {
    ASSERT_TRUE(journal::Open(Path()));
    journal::SetLineHook([&](std::string_view l) { line = std::string(l) + "\n"; });
    journal::Record(journal::kind::kMotion, {{"command", "sstop"}});
    journal::Close();
    std::filesystem::remove(Path());
  }
  // Filled to just below the limit: the next line either fits or moves the
  // file; an older .1 file is replaced.
  struct Case {
    std::uint64_t filled;
    bool moves;
  };
  for (const Case c :
       {Case{journal::kRotateBytes - line.size(), false}, Case{journal::kRotateBytes - line.size() + 1, true}}) {
    WriteFileBytes(rotated, "the older one\n");
    WriteFileBytes(Path(), std::string(c.filled - 1, 'x') + "\n");
    ASSERT_TRUE(journal::Open(Path()));
    journal::Record(journal::kind::kMotion, {{"command", "sstop"}});
    journal::Close();
    if (c.moves) {
      EXPECT_EQ(std::filesystem::file_size(rotated), c.filled);
      EXPECT_EQ(FileLines(Path()).size(), 1u);
    } else {
      EXPECT_EQ(std::filesystem::file_size(Path()), journal::kRotateBytes);
      EXPECT_EQ(ReadFileBytes(rotated), "the older one\n");
    }
  }
  const std::pair<const char*, const char*> names[] = {
      {"/s/journal.jsonl", "/s/journal.1.jsonl"}, {"run.log", "run.log.1"}, {"/s/.jsonl", "/s/.jsonl.1"}};
  for (const auto& [path, moved] : names) EXPECT_EQ(journal::RotatedPath(path), moved);
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenIsToldOnceAndTheEventsGoOn) {
  int told = 0;
  std::string why;
  std::vector<std::string> heard;
  journal::SetFailureHook([&](const std::string& w) {
    ++told;
    why = w;
  });
  journal::SetLineHook([&](std::string_view line) { heard.emplace_back(journal::KindOf(line)); });
  const std::string missing = folder_.File("not-yet/journal.jsonl");
  EXPECT_FALSE(journal::Open(missing));
  for (int i = 0; i < 50; ++i) journal::Record(journal::kind::kMotion, {{"command", "dstop"}});
  EXPECT_EQ(told, 1);
  EXPECT_NE(why.find(missing), std::string::npos) << why;
  EXPECT_EQ(journal::FailureReason(), why);
  EXPECT_EQ(heard.size(), 50u) << "the dock hears every event";
  // Once the folder is there, the lines go to the file again.
  std::filesystem::create_directory(folder_.File("not-yet"));
  journal::Record(journal::kind::kMotion, {{"command", "sstop"}});
  EXPECT_EQ(FileLines(missing).size(), 1u);
  EXPECT_EQ(told, 1);
  // A folder in the file's place.
  std::filesystem::create_directory(folder_.File("folder.jsonl"));
  EXPECT_FALSE(journal::Open(folder_.File("folder.jsonl")));
  EXPECT_EQ(told, 2) << "a journal opened anew is told again";
}

// A disk that fills in the middle of a line (a file size limit here): the
// part written is taken back, so every line in the file stays whole.
TEST_F(JournalTest, ALineCutShortByAFullDiskIsTakenBack) {
  ASSERT_TRUE(journal::Open(Path()));
  journal::Record(journal::kind::kMotion, {{"command", "clear"}});
  const auto before = std::filesystem::file_size(Path());
  std::string told;
  journal::SetFailureHook([&](const std::string& why) { told = why; });
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = before + 40;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  journal::Record(journal::kind::kBox, {{"text", std::string(200, 'x')}});
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_NE(told.find("cannot be written"), std::string::npos) << told;
  EXPECT_EQ(std::filesystem::file_size(Path()), before);
  journal::Record(journal::kind::kMotion, {{"command", "sstop"}});
  const std::vector<std::string> lines = FileLines(Path());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Untimed(lines[1]), R"({"kind":"motion","command":"sstop"})");
}

// Events of other threads wait for the writing thread, which is asked once
// per batch; the file keeps them in the order they happened, and a file
// moved away meanwhile is started again at the path.
TEST_F(JournalTest, OtherThreadsHandTheirEventsToTheWritingThread) {
  static std::atomic<int> wakes{0};
  wakes = 0;
  journal::SetWakeHook([] { wakes.fetch_add(1); });
  ASSERT_TRUE(journal::Open(Path()));
  journal::Record(journal::kind::kMotion, {{"command", "start"}});
  std::thread tick([] {
    for (int i = 0; i < 100; ++i) journal::Record(journal::kind::kRunEnd, {{"n", i}});
  });
  tick.join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_EQ(FileLines(Path()).size(), 1u) << "nothing written by the other thread";
  std::filesystem::rename(Path(), folder_.File("moved.jsonl"));
  journal::Record(journal::kind::kMotion, {{"command", "sstop"}});  // drains first
  std::thread late([] { journal::Record(journal::kind::kBox, {{"text", "late"}}); });
  late.join();
  journal::Drain();
  journal::Close();
  const std::vector<std::string> lines = FileLines(Path());
  ASSERT_EQ(lines.size(), 102u);
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(Untimed(lines[static_cast<std::size_t>(i)]), R"({"kind":"run-end","n":)" + std::to_string(i) + "}");
  EXPECT_EQ(journal::KindOf(lines[100]), "motion");
  EXPECT_EQ(journal::KindOf(lines[101]), "box");
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_LE(lines[i - 1].substr(0, 32), lines[i].substr(0, 32));
  EXPECT_EQ(wakes.load(), 2);
}

}  // namespace
