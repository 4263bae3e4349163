// tessor-run as an engineer uses it: crafted folders, machines and programs,
// the binary run as a child, its output and exit status checked.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/runner/Runner.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  int code;
  int axes[4];
  double delay;
  double dis[4];
  double low[4];
  double high[4];
  double acc[4];
};

Entry PtoP(int axis, double distance, double speed = 50) {
  return {0x02010000, {axis, 2, 3, 4}, 0, {distance, 50, 50, 50}, {speed, 20, 20, 20}, {50, 50, 50, 50},
          {20, 20, 20, 20}};
}

std::string Fixed(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", v);
  return buf;
}

// A program file laid out line by line as the program writes it.
std::string KnlText(const std::vector<Entry>& entries, long commandNo = -1) {
  std::string t = "\r\n[Command Save]\r\n\r\n";
  t += "[CommandNo]=" + std::to_string(commandNo >= 0 ? commandNo : static_cast<long>(entries.size())) + "\r\n";
  for (size_t d = 0; d < entries.size(); ++d) {
    const Entry& e = entries[d];
    const std::string n = std::to_string(d);
    t += "[iCodeType[" + n + "]]=" + std::to_string(e.code) + "\r\n";
    t += "[dbDelayTime[" + n + "]]=" + Fixed(e.delay) + "\r\n";
    for (int g = 0; g < 4; ++g) {
      const std::string k = n + std::to_string(g);
      t += "[dbLowSpd[" + k + "]]=" + Fixed(e.low[g]) + "\r\n";
      t += "[dbHighSpd[" + k + "]]=" + Fixed(e.high[g]) + "\r\n";
      t += "[dbAccSpd[" + k + "]]=" + Fixed(e.acc[g]) + "\r\n";
      t += "[iAxes[" + k + "]]=" + std::to_string(e.axes[g]) + "\r\n";
      t += "[dbDis[" + k + "]]=" + Fixed(e.dis[g]) + "\r\n";
    }
  }
  return t;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

// Replaces the value of "[key]=" in a settings text.
void SetKey(std::string& text, const std::string& key, const std::string& value) {
  const std::string head = "[" + key + "]=";
  const size_t at = text.find("\n" + head);
  ASSERT_NE(at, std::string::npos) << key;
  const size_t start = at + 1 + head.size();
  const size_t end = text.find("\r\n", start);
  text.replace(start, end - start, value);
}

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

class RunnerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tessor-e2e-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Machine("");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Machine(const std::string& text) { WriteFile(dir_ / "machine.cfg", text); }

  Result Run(const std::string& args) { return RunBinary(TESSOR_RUN, args); }

  Result RunBinary(const std::string& binary, const std::string& args) {
    const std::string errFile = (dir_ / "stderr.txt").string();
    const std::string cmd = "cd '" + dir_.string() + "' && LANG=C LC_ALL= LC_MESSAGES= TESSOR_SIM_MACHINE='" +
                            (dir_ / "machine.cfg").string() + "' '" + binary + "' " + args + " 2>'" +
                            errFile + "'";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(errFile);
    return r;
  }

  // A sysparam.cfg with the defaults and then these changes.
  void Settings(const std::vector<std::pair<std::string, std::string>>& changes) {
    if (!fs::exists(dir_ / "sysparam.cfg")) {
      WriteFile(dir_ / "seed.knl", KnlText({}));
      Run("--dir . list seed.knl");
    }
    std::string text = ReadFile(dir_ / "sysparam.cfg");
    ASSERT_FALSE(text.empty());
    for (const auto& [k, v] : changes) SetKey(text, k, v);
    WriteFile(dir_ / "sysparam.cfg", text);
  }

  // Runs tessor-run with `args` and sends it `signal` once its output holds
  // `cue`; the result once it has ended (code -1: it did not end by itself).
  Result RunAndSignal(const std::string& args, const std::string& cue, int signal) {
    const std::string errFile = (dir_ / "stderr.txt").string();
    const std::string cmd = "cd '" + dir_.string() + "' && LANG=C LC_ALL= LC_MESSAGES= TESSOR_SIM_MACHINE='" +
                            (dir_ / "machine.cfg").string() + "' exec '" + TESSOR_RUN + "' " + args + " 2>'" + errFile +
                            "'";
    Result r;
    int out[2];
    if (pipe(out) != 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    bool signalled = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char buf[4096];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        r.out.append(buf, static_cast<size_t>(n));
      }
      if (!signalled && r.out.find(cue) != std::string::npos) {
        kill(pid, signal);
        signalled = true;
      }
    }
    close(out[0]);
    if (!signalled) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(errFile);
    return r;
  }

  void Program(const std::string& name, const std::vector<Entry>& entries) { WriteFile(dir_ / name, KnlText(entries)); }

  fs::path dir_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST_F(RunnerE2E, BadUsageExitsWithTwoAndSaysWhy) {
  const std::vector<std::string> cases = {
      "", "frobnicate x.knl", "list", "list a.knl b.knl", "copy a.knl", "run p.knl --loops", "run p.knl --loops -1",
      "run p.knl --loops 2x", "list p.knl --fast", "--dir", "run p.knl --csv", "list p.knl --csv t.csv",
      // import: two files, its own options with usable values
      "import a.nc", "import a.nc b.knl --fast", "import a.nc b.knl --rapid 0", "import a.nc b.knl --rapid",
      "import a.nc b.knl --tolerance x", "import a.nc b.knl --tolerance 0", "import a.nc b.knl --spindle-output 3:1",
      "run p.knl --rapid 5"};
  for (const std::string& args : cases) {
    const Result r = Run(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_NE(r.err.find("tessor-run: "), std::string::npos) << args;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << args;
    EXPECT_TRUE(r.out.empty()) << args;
  }
  const Result help = Run("--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("tessor-run [--dir DIR] import IN OUT.knl [--rapid MM_PER_S] [--tolerance MM]"),
            std::string::npos);
  EXPECT_NE(help.out.find("tessor-run [--dir DIR] run PROGRAM.knl [--loops N] [--fast] [--csv FILE]"),
            std::string::npos);
}

TEST_F(RunnerE2E, UnreadableAndUnwritableFilesExitWithTwo) {
  Settings({});
  Result r = Run("--dir . list missing.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot read missing.knl"), std::string::npos) << r.err;
  r = Run("--dir . run missing.knl --fast");
  EXPECT_EQ(r.code, 2);
  Program("p.knl", {PtoP(1, 10)});
  r = Run("--dir . copy /dev/null out.knl");  // readable, but no program file
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot read /dev/null as a program file"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "out.knl"));
  r = Run("--dir . copy p.knl no-such-folder/out.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot write no-such-folder/out.knl"), std::string::npos) << r.err;
}

TEST_F(RunnerE2E, AMissingSettingsFileIsCreatedWithTheDefaults) {
  Program("p.knl", {});
  const Result r = Run("--dir . list p.knl");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("Open config file "), std::string::npos) << r.err;
  const std::string cfg = ReadFile(dir_ / "sysparam.cfg");
  EXPECT_EQ(cfg.rfind("\r\n[SysParamSetting]\r\n\r\n[TitleNameChs]=", 0), 0u);
  EXPECT_EQ(Run("--dir . list p.knl").err, "");  // the second time it is there
}

TEST_F(RunnerE2E, ListShowsOneCodeTextPerEntryIncludingUnknownCodes) {
  Settings({});
  Entry home{0x02014200, {3, 0, 0, 0}, 0, {1, 0, 0, 0}, {30, 0, 0, 0}, {50, 0, 0, 0}, {20, 0, 0, 0}};
  Entry out{0x03000105, {1, 3, 1, 0}, 0.5, {}, {}, {}, {}};
  Entry line{0x04026000, {1, 2, 3, 4}, 1.5, {10, 10, 0, 0}, {20, 0, 0, 0}, {40, 0, 0, 0}, {10, 0, 0, 0}};
  Entry odd = PtoP(1, 5);
  odd.code = 12345;
  Program("p.knl", {PtoP(1, 50), home, out, line, odd, PtoP(9, -12.5)});
  Settings({{"LangVer", "0"}});
  const Result r = Run("--dir . list p.knl");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"G00 X50.00 FX50.00 M0.00", "G29 Z00 M0.00",
                                                     "M09 C1 P3 S1 M0.50", "G01 X10.00 Y10.00 F40.00 M1.50",
                                                     "Unknown command 12345", "G00 -12.50 F50.00 M0.00"}));
}

TEST_F(RunnerE2E, ADamagedCountLoadsOnlyTheEntriesTheFileHolds) {
  Settings({});
  WriteFile(dir_ / "p.knl", KnlText({PtoP(1, 1), PtoP(2, 2)}, 2000000000));
  const Result r = Run("--dir . list p.knl");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"G00 X1.00 FX50.00 M0.00", "G00 Y2.00 FY50.00 M0.00"}));
}

TEST_F(RunnerE2E, CopyWritesExactlyWhatSaveWrites) {
  Settings({});
  const std::string original = KnlText({PtoP(1, 50), PtoP(4, -0.125)});
  WriteFile(dir_ / "in.knl", original);
  EXPECT_EQ(Run("--dir . copy in.knl out.knl").code, 0);
  EXPECT_EQ(ReadFile(dir_ / "out.knl"), original);
  // LF-only input is read the same and written back with CRLF.
  std::string lf = original;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  WriteFile(dir_ / "lf.knl", lf);
  EXPECT_EQ(Run("--dir . copy lf.knl out2.knl").code, 0);
  EXPECT_EQ(ReadFile(dir_ / "out2.knl"), original);
}

TEST_F(RunnerE2E, ARunEndsNormallyOnTarget) {
  Settings({{"LangVer", "0"}, {"CheckTime", "0.100000"}});
  Program("p.knl", {PtoP(1, 200), PtoP(2, -150), PtoP(1, -50)});
  const Result r = Run("--dir . run p.knl --loops 2 --fast");
  EXPECT_EQ(r.code, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 6u + 2u + 4u);
  EXPECT_EQ(lines[0], "row 1/3 pass 1/2: G00 X200.00 FX50.00 M0.00");
  EXPECT_EQ(lines[3], "row 1/3 pass 2/2: G00 X200.00 FX50.00 M0.00");
  EXPECT_EQ(lines[5], "row 3/3 pass 2/2: G00 X-50.00 FX50.00 M0.00");
  EXPECT_EQ(lines[6], "result: normal");
  EXPECT_EQ(lines[7].rfind("ticks: ", 0), 0u);
  EXPECT_EQ(lines[8], "axis 1: command 300 encoder 1200 corrections 0");
  EXPECT_EQ(lines[9], "axis 2: command -300 encoder -1200 corrections 0");
  EXPECT_EQ(lines[10], "axis 3: command 0 encoder 0 corrections 0");
  // The same run again repeats to the tick.
  const Result again = Run("--dir . run p.knl --loops 2 --fast");
  EXPECT_EQ(again.out, r.out);
}

// The demo on its own settings and machine loops for hours: every pass
// ends where it began, and after 200 passes every axis stands at 0.
TEST_F(RunnerE2E, TheDemoLoopsWithoutDrifting) {
  const fs::path demo = fs::path(TESSOR_SOURCE_DIR) / "examples" / "demo";
  fs::copy_file(demo / "sysparam.cfg", dir_ / "sysparam.cfg");
  fs::copy_file(demo / "machine.conf", dir_ / "machine.cfg", fs::copy_options::overwrite_existing);
  const Result r = Run("--dir . run '" + (demo / "demo.knl").string() + "' --loops 200 --fast");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err.find("message"), std::string::npos) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[lines.size() - 10], "result: normal");  // and no "messages:" line after it
  for (int axis = 1; axis <= 8; ++axis) {
    const std::string& line = lines[lines.size() - 9 + static_cast<std::size_t>(axis)];
    EXPECT_EQ(line.rfind("axis " + std::to_string(axis) + ": command 0 ", 0), 0u) << line;
  }
}

TEST_F(RunnerE2E, WithoutFastTheRealTimerDrivesTheRun) {
  Settings({{"CheckTime", "0.050000"}});
  Program("p.knl", {PtoP(1, 10), PtoP(2, -10)});  // a fifth of a second each
  const Result r = Run("--dir . run p.knl --journal j.jsonl");
  EXPECT_EQ(r.code, 0) << r.err;
  // The real tick's events reach the journal too, before the run's end.
  const std::string journal = ReadFile(dir_ / "j.jsonl");
  EXPECT_NE(journal.find(R"("kind":"run-end","result":"normal"})"
                         "\n"),
            std::string::npos)
      << journal;
  EXPECT_LT(journal.find(R"("kind":"run-end")"), journal.find(R"("event":"quit","exit":0})")) << journal;
  EXPECT_NE(r.out.find("row 2/2 pass 1/1: G00 Y-10.00 FY50.00 M0.00\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("axis 1: command 10 encoder 40 corrections 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("axis 2: command -10 encoder -40 corrections 0\n"), std::string::npos);
  unsigned long long ticks = 0;
  const size_t at = r.out.find("ticks: ");
  ASSERT_NE(at, std::string::npos);
  std::sscanf(r.out.c_str() + at, "ticks: %llu", &ticks);
  EXPECT_GE(ticks, 10u);  // counted by the real tick (a loaded machine may skip late ones)
}

TEST_F(RunnerE2E, EncoderErrorIsCorrected) {
  // 1.25 um a pulse (4 mm lead, 3200 pulses) and four counts a pulse, so a
  // count is 0.3125 um; the machine's scale runs 1 % long.
  Machine("[axis 1]\nencoder = 1 0.01 0\n");
  Settings({{"CheckTime", "0.100000"}, {"FeedBack[0]", "0.312500"}, {"Error[0]", "1.000000"}});
  Program("p.knl", {PtoP(1, 400)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 0) << r.err << r.out;
  // 404 pulses measured for 400: one correction of -4 pulses brings the
  // count to 1600 (500 um).
  EXPECT_NE(r.out.find("result: normal\n"), std::string::npos);
  EXPECT_NE(r.out.find("axis 1: command 396 encoder 1600 corrections 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("axis 2: command 0 encoder 0 corrections 0\n"), std::string::npos);
}

TEST_F(RunnerE2E, AMoveIntoTheLimitStopsTheRunWithMessage12) {
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(1, 2000, 400), PtoP(2, 10)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("message 12: Error:The motion is outside!"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("result: message 12\nmessages: 12\nticks: "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("row 2/2"), std::string::npos);
}

// The result and the exit status come from the engine's record of the run,
// the same in every language, also in one that shows no texts (LangVer 2).
class RunnerResultByLanguage : public RunnerE2E, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    RunnerE2E::SetUp();
    Settings({{"LangVer", std::to_string(GetParam())}, {"CheckTime", "0.050000"}});
  }
};

TEST_P(RunnerResultByLanguage, ARunStoppedAtALimitEndsOnMessage12) {
  Program("p.knl", {PtoP(1, 2000, 400), PtoP(2, 10)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("result: message 12\nmessages: 12\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("result: normal"), std::string::npos);
  EXPECT_EQ(r.err.find("message 12: ") != std::string::npos, GetParam() != 2) << r.err;
}

TEST_P(RunnerResultByLanguage, AnOrvcHomeRowThatFailsIsReportedAndTheRunGoesOn) {
  Machine("[axis 1]\nhome = 5000 5100\n");  // beyond the limits: never found
  Settings({{"Ctrler", "2"}, {"HighSpd[0]", "400.000000"}, {"LowSpd[0]", "200.000000"}});
  Entry home{0x02014200, {1, 0, 0, 0}, 0, {1, 0, 0, 0}, {200, 0, 0, 0}, {400, 0, 0, 0}, {200, 0, 0, 0}};
  Program("p.knl", {home, PtoP(2, 10), home});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 1) << r.out;
  EXPECT_NE(r.out.find("row 2/3 pass 1/1: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("result: normal\nmessages: 8 8\nticks: "), std::string::npos) << r.out;
}

TEST_P(RunnerResultByLanguage, ARunWithoutMessagesEndsNormallyWithStatusZero) {
  Program("p.knl", {PtoP(1, 10), PtoP(2, -10)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("result: normal\nticks: "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("messages:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(LangVer, RunnerResultByLanguage, ::testing::Values(0, 1, 2));

TEST_F(RunnerE2E, CsvHasAHeaderAndOneLinePerTick) {
  Settings({{"LangVer", "0"}, {"CheckTime", "0.100000"}});
  Program("p.knl", {PtoP(1, 200), PtoP(2, -20)});
  const Result r = Run("--dir . run p.knl --fast --csv trace.csv");
  ASSERT_EQ(r.code, 0) << r.err;
  unsigned long long ticks = 0;
  const size_t at = r.out.find("ticks: ");
  ASSERT_NE(at, std::string::npos);
  std::sscanf(r.out.c_str() + at, "ticks: %llu", &ticks);

  const std::vector<std::string> lines = Lines(ReadFile(dir_ / "trace.csv"));
  ASSERT_GT(ticks, 500u);
  ASSERT_EQ(lines.size(), ticks + 1);
  EXPECT_EQ(lines[0],
            "tick,seconds,row,pass,command1,encoder1,speed1,command2,encoder2,speed2,"
            "command3,encoder3,speed3,command4,encoder4,speed4");
  // The first tick issues row 1 from a standing machine.
  EXPECT_EQ(lines[1], "1,0.005000,1,1,0,0,0,0,0,0,0,0,0,0,0,0");
  // Half a second after the move started at 50 pulses/s: 25 pulses, 100
  // counts (four a pulse).
  EXPECT_EQ(lines[101].rfind("101,0.505000,1,1,25,100,50,0,0,0,", 0), 0u) << lines[101];
  EXPECT_EQ(lines.back().rfind(std::to_string(ticks) + ",", 0), 0u);
  // The last tick ends the run and works on no row; axis 2 has arrived.
  EXPECT_NE(lines.back().find(",0,1,200,800,0,-20,-80,0,"), std::string::npos) << lines.back();
  size_t second = 0;
  for (const std::string& l : lines)
    if (l.find(",2,1,") != std::string::npos) ++second;
  EXPECT_GT(second, 20u) << "ticks of row 2";
}

TEST_F(RunnerE2E, ACsvPathThatCannotBeWrittenStopsBeforeTheRun) {
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(1, 10)});
  const std::string settings = ReadFile(dir_ / "sysparam.cfg");
  const std::string program = ReadFile(dir_ / "p.knl");
  for (const char* csv : {"no-such-folder/t.csv", ".", "p.knl", "sysparam.cfg"}) {
    const Result r = Run(std::string("--dir . run p.knl --fast --csv ") + csv);
    EXPECT_EQ(r.code, 2) << csv;
    EXPECT_NE(r.err.find("tessor-run: "), std::string::npos) << csv;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err.find("Card(s)"), std::string::npos) << "the cards were not touched: " << r.err;
  }
  EXPECT_EQ(ReadFile(dir_ / "sysparam.cfg"), settings);
  EXPECT_EQ(ReadFile(dir_ / "p.knl"), program);
  EXPECT_EQ(Run("--dir . run p.knl --fast --csv").code, 2);

  // A run that never starts leaves an old trace alone and creates no new one.
  WriteFile(dir_ / "old.csv", "an earlier run\n");
  EXPECT_EQ(Run("--dir . run /dev/null --fast --csv old.csv").code, 2);
  EXPECT_EQ(Run("--dir . run /dev/null --fast --csv new.csv").code, 2);
  EXPECT_EQ(ReadFile(dir_ / "old.csv"), "an earlier run\n");
  EXPECT_FALSE(fs::exists(dir_ / "new.csv"));
}

// The kinds and the telling details of a journal's lines, in order.
std::vector<std::string> JournalEvents(const std::string& text) {
  std::vector<std::string> events;
  for (const std::string& line : Lines(text)) {
    std::string event;
    for (const char* key : {"\"kind\":", "\"event\":", "\"command\":", "\"number\":", "\"answer\":", "\"result\":",
                            "\"message\":", "\"exit\":"}) {
      const size_t at = line.find(key);
      if (at == std::string::npos) continue;
      const size_t end = line.find_first_of(",}", at);
      event += (event.empty() ? "" : " ") + line.substr(at, end - at);
    }
    events.push_back(event);
  }
  return events;
}

TEST_F(RunnerE2E, TheJournalHoldsTheRunsStartItsLimitBoxWithTheAnswerAndTheEnd) {
  Settings({{"LangVer", "1"}});
  Program("p.knl", {PtoP(1, 2000, 400), PtoP(2, 10)});
  WriteFile(dir_ / "j.jsonl", "{\"time\":\"2020-01-01T00:00:00.000+00:00\",\"kind\":\"session\",\"event\":\"quit\"}\n");
  const Result r = Run("--dir . run p.knl --fast --journal j.jsonl");
  EXPECT_EQ(r.code, 1) << r.err;
  const std::vector<std::string> events = JournalEvents(ReadFile(dir_ / "j.jsonl"));
  const std::vector<std::string> expected = {
      R"("kind":"session" "event":"quit")",  // the earlier run's line stays
      R"("kind":"session" "event":"start")",
      R"("kind":"box" "answer":"ok")",  // the count of cards
      R"("kind":"cards")",
      R"("kind":"file" "command":"open")",
      R"("kind":"motion" "command":"start")",
      R"("kind":"box" "number":12 "answer":"ok")",
      R"("kind":"run-end" "result":"message" "message":12)",
      R"("kind":"session" "event":"quit" "exit":1)",
  };
  EXPECT_EQ(events, expected);
  const std::string journal = ReadFile(dir_ / "j.jsonl");
  EXPECT_NE(journal.find(R"("text":"错误：运动超出范围")"), std::string::npos) << journal;
}

TEST_F(RunnerE2E, AJournalPathThatCannotBeWrittenStopsBeforeTheRun) {
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(1, 10)});
  const std::string settings = ReadFile(dir_ / "sysparam.cfg");
  const std::string program = ReadFile(dir_ / "p.knl");
  for (const char* options : {"--journal no-such-folder/j.jsonl", "--journal .", "--journal p.knl",
                              "--journal sysparam.cfg", "--csv t.csv --journal t.csv", "--journal"}) {
    const Result r = Run(std::string("--dir . run p.knl --fast ") + options);
    EXPECT_EQ(r.code, 2) << options;
    EXPECT_NE(r.err.find("tessor-run: "), std::string::npos) << options;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_EQ(ReadFile(dir_ / "sysparam.cfg"), settings);
  EXPECT_EQ(ReadFile(dir_ / "p.knl"), program);
  EXPECT_FALSE(fs::exists(dir_ / "t.csv"));
}

TEST_F(RunnerE2E, AnEmptyProgramEndsWithMessage6) {
  Settings({{"LangVer", "1"}});
  Program("p.knl", {});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("message 6: 错误：无运动数据!"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("result: message 6\nmessages: 6\n"), std::string::npos);
}

TEST_F(RunnerE2E, ABrokenHomeSwitchEndsWithMessage8) {
  Machine("[axis 1]\nhome = 5000 5100\n");  // beyond the limits: never found
  Settings({{"LangVer", "0"}, {"HighSpd[0]", "400.000000"}, {"LowSpd[0]", "200.000000"}});
  Entry home{0x02014200, {1, 0, 0, 0}, 0, {1, 0, 0, 0}, {200, 0, 0, 0}, {400, 0, 0, 0}, {200, 0, 0, 0}};
  Program("p.knl", {home, PtoP(2, 10)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("message 8: Error:Please check the origin signal is right!"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("result: message 8\nmessages: 8\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("row 2/2"), std::string::npos);
}

// A program for two cards on a one-card machine is refused before the run:
// no row starts, and a trace file is neither created nor emptied.
TEST_F(RunnerE2E, AProgramNamingAnAxisTheMachineLacksIsRefused) {
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(1, 10), PtoP(2, 10), PtoP(6, 10)});
  WriteFile(dir_ / "old.csv", "an earlier run\n");
  for (const char* csv : {"", " --csv new.csv", " --csv old.csv"}) {
    const Result r = Run(std::string("--dir . run p.knl --fast") + csv);
    EXPECT_EQ(r.code, 1) << csv;
    EXPECT_EQ(r.out, "result: refused\n") << csv;
    EXPECT_NE(r.err.find("Error:Row 3 uses an axis that this machine does not have!\n"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "new.csv"));
  EXPECT_EQ(ReadFile(dir_ / "old.csv"), "an earlier run\n");

  Machine("cards = 2\n");
  EXPECT_EQ(Run("--dir . run p.knl --fast").code, 0);
}

TEST_F(RunnerE2E, TwoCardsReportEightAxes) {
  Machine("cards = 2\n");
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(5, 40), PtoP(8, -20)});
  const Result r = Run("--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("axis 5: command 40 encoder 160 corrections 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("axis 8: command -20 encoder -80 corrections 0\n"), std::string::npos);
  EXPECT_NE(r.err.find("Card(s) = 2,Axis = 8"), std::string::npos) << r.err;
}

// G-code import: X, Y and Z in mm (4 mm lead, 3200 pulses: 800 a mm) on a
// machine with room to move and true encoders.
class GcodeImportE2E : public RunnerE2E {
 protected:
  void SetUp() override {
    RunnerE2E::SetUp();
    Machine("[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\nslowdown = -8500000 8500000\n");
    Settings({{"LangVer", "0"}, {"Unit[0]", "1"}, {"Unit[1]", "1"}, {"Unit[2]", "1"}});
  }
  // The command positions of axes 1-3 at the end of a run.
  static std::vector<std::string> AxisLines(const std::string& out) {
    std::vector<std::string> axes;
    for (const std::string& line : Lines(out)) {
      if (line.rfind("axis ", 0) == 0 && axes.size() < 3) axes.push_back(line.substr(0, line.find(" encoder")));
    }
    return axes;
  }
};

TEST_F(GcodeImportE2E, ArcsHelicesInchAndRelativeSectionsEndOnTheGcodesEndPoint) {
  WriteFile(dir_ / "part.nc",
            "%\n"
            "(arcs, a helix, inch and relative sections, dwells)\n"
            "G21 G90 G17 G94\n"
            "G0 X10 Y10 Z5 ; rapid\n"
            "F1200\n"
            "G1 Z0\n"
            "G1 X30 Y10\n"
            "G3 X40 Y20 I0 J10\n"
            "G2 X30 Y30 R10\n"
            "G3 I0 J-5 Z-2 (a full turn down)\n"
            "G4 P0.5\n"
            "G20 G91\n"
            "G1 X0.5 Y-0.25\n"
            "G2 X1 Y0 I0.5 J0\n"
            "G1 Z0.1\n"
            "G21 G1 X-0.3456 Y0.0107\n"
            "M8\n"
            "G4 P1\n"
            "G0 Z5\n"
            "M30\n"
            "%\n");
  const Result imported = Run("--dir . import part.nc part.knl");
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.err, "tessor-run: part.nc: line 17: M8 is skipped\n");
  unsigned long rows = 0;
  unsigned long lines = 0;
  ASSERT_EQ(std::sscanf(imported.out.c_str(), "%lu rows from %lu lines\n", &rows, &lines), 2) << imported.out;
  EXPECT_EQ(lines, 21u);
  EXPECT_GT(rows, 100u);
  const Result listed = Run("--dir . list part.knl");
  EXPECT_EQ(Lines(listed.out).size(), rows);
  EXPECT_EQ(Lines(listed.out)[0], "G01 X10.00 Y10.00 Z5.00 F20.00 M0.00");

  // The end point: X 67.7544, Y 23.6607, Z 5.54 mm, in whole pulses.
  const Result run = Run("--dir . run part.knl --fast");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(AxisLines(run.out),
            (std::vector<std::string>{"axis 1: command 54204", "axis 2: command 18929", "axis 3: command 4432"}))
      << run.out;
}

TEST_F(GcodeImportE2E, TenThousandShortSegmentsEndOnTheRoundedEndPoint) {
  std::string text = "G91 G1 F600\n";
  for (int i = 0; i < 10000; ++i) text += i % 2 == 0 ? "X0.0137 Y-0.0071\n" : "X0.0137 Z0.0029\n";
  WriteFile(dir_ / "short.ngc", text);
  const Result imported = Run("--dir . import short.ngc short.knl");
  ASSERT_EQ(imported.code, 0) << imported.err;
  EXPECT_EQ(imported.out, "10000 rows from 10001 lines\n");
  const Result run = Run("--dir . run short.knl --fast");
  EXPECT_EQ(run.code, 0) << run.err;
  // 137 mm, -35.5 mm, 14.5 mm at 800 pulses a mm.
  EXPECT_EQ(AxisLines(run.out),
            (std::vector<std::string>{"axis 1: command 109600", "axis 2: command -28400", "axis 3: command 11600"}))
      << run.out;
}

TEST_F(GcodeImportE2E, OptionsReachTheRows) {
  WriteFile(dir_ / "spindle.tap", "M3 S1000\nG0 X1\nM5\n");
  const Result r = Run("--dir . import spindle.tap out.knl --rapid 40 --spindle-output 1:5 --tolerance 0.1");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "3 rows from 3 lines\n");
  EXPECT_EQ(Lines(Run("--dir . list out.knl").out),
            (std::vector<std::string>{"M09 C1 P5 S1 M0.00", "G00 X1.00 FX40.00 M0.00", "M09 C1 P5 S0 M0.00"}));
}

TEST_F(GcodeImportE2E, AnyErrorExitsWithTwoAndWritesNothing) {
  WriteFile(dir_ / "bad.nc", "G0 X1\n(tool change)\nM6 T2\n");
  WriteFile(dir_ / "old.knl", "an older program\n");
  Result r = Run("--dir . import bad.nc old.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "tessor-run: bad.nc: line 3: M6 is not supported\n");
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(ReadFile(dir_ / "old.knl"), "an older program\n");
  r = Run("--dir . import bad.nc new.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_FALSE(fs::exists(dir_ / "new.knl"));

  // The output may not be the G-code itself or the settings.
  WriteFile(dir_ / "good.nc", "G0 X1\n");
  const std::string settings = ReadFile(dir_ / "sysparam.cfg");
  for (const char* out : {"good.nc", "sysparam.cfg"}) {
    r = Run(std::string("--dir . import good.nc ") + out);
    EXPECT_EQ(r.code, 2) << out;
    EXPECT_NE(r.err.find("which the import reads"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFile(dir_ / "good.nc"), "G0 X1\n");
  EXPECT_EQ(ReadFile(dir_ / "sysparam.cfg"), settings);
  r = Run("--dir . import missing.nc new.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot read missing.nc"), std::string::npos) << r.err;
  r = Run("--dir . import good.nc no-such-folder/new.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot write no-such-folder/new.knl"), std::string::npos) << r.err;

  // Axes in pulses (the defaults) cannot take millimetres.
  Settings({{"Unit[0]", "0"}});
  r = Run("--dir . import good.nc new.knl");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "tessor-run: good.nc: line 1: axis X is set up in P, not in mm\n");
  EXPECT_FALSE(fs::exists(dir_ / "new.knl"));
}

#ifdef CARD_FIXTURE_DIR
TEST_F(RunnerE2E, FastIsRefusedForCardsWithoutTheSimulatorsClock) {
  // A copy of the runner beside a card library that is not the simulator.
  const fs::path cards = dir_ / "realcards";
  fs::create_directories(cards);
  fs::copy_file(TESSOR_RUN, cards / "tessor-run");
  fs::copy_file(fs::path(CARD_FIXTURE_DIR) / "libORVB.so", cards / "libORVB.so");
  Settings({{"LangVer", "0"}});
  Program("p.knl", {PtoP(1, 10)});
  const Result r = RunBinary((cards / "tessor-run").string(), "--dir . run p.knl --fast");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--fast needs the simulated cards' manual clock"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}
// Ctrl+C or SIGTERM during a run: the moving axis brakes to a stop, the
// runner says what it stopped, reports the run and ends with 128 + N.
struct SignalCase {
  int signal;
  const char* options;
  int status;
  const char* stopped;
};

class RunnerSignals : public RunnerE2E, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(RunnerSignals, StopTheAxesAndSayWhat) {
  const SignalCase& c = GetParam();
  Machine("[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n");
  Program("p.knl", {PtoP(1, 5000000, 1000), PtoP(2, 10)});  // more than an hour at 1000 pulses/s
  const Result r = RunAndSignal(std::string("--dir . run p.knl ") + c.options, "row 1/2", c.signal);
  EXPECT_EQ(r.code, c.status) << r.out << r.err;
  EXPECT_NE(r.out.find(std::string(c.stopped) + "\nresult: stopped\nticks: "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("row 2/2"), std::string::npos) << "the run went no further";
  long long command = -1;
  const size_t at = r.out.find("axis 1: command ");
  ASSERT_NE(at, std::string::npos) << r.out;
  std::sscanf(r.out.c_str() + at, "axis 1: command %lld", &command);
  EXPECT_GE(command, 0);
  EXPECT_LT(command, 5000000) << "stopped on the way";
}

INSTANTIATE_TEST_SUITE_P(SignalDuringARun, RunnerSignals,
                         ::testing::Values(SignalCase{SIGINT, "", 130,
                                                      "stopped on SIGINT: program run; axis 1 decelerated"},
                                           SignalCase{SIGTERM, "--fast --loops 3", 143,
                                                      "stopped on SIGTERM: program run; axis 1 decelerated"}));

#endif

// The window program answers --help and --version without a display; its
// own arguments are looked at once Qt has taken its options.
TEST_F(RunnerE2E, WindowProgramHelpAndVersionNeedNoDisplay) {
  const std::string headless = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  Result r = RunBinary("/usr/bin/env", headless + "'" TESSOR_WINDOW "' --help");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("usage: tessor [PROGRAM.knl]\n", 0), 0u) << r.out;
  EXPECT_EQ(r.err, "");
  r = RunBinary("/usr/bin/env", headless + "'" TESSOR_WINDOW "' -platform nowhere --version");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "tessor " TESSOR_VERSION "\n");
  for (const char* args : {"--frobnicate", "a.knl b.knl"}) {
    r = RunBinary("/usr/bin/env", std::string("QT_QPA_PLATFORM=offscreen '" TESSOR_WINDOW "' ") + args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_NE(r.err.find("usage: tessor [PROGRAM.knl]"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

TEST(RunnerArguments, ParsesWhatTheUsageSays) {
  RunnerOptions o;
  std::string error;
  bool help = false;
  ASSERT_TRUE(ParseRunnerArguments(
      {"--dir", "/m", "run", "p.knl", "--loops", "3", "--fast", "--csv", "t.csv", "--journal", "j.jsonl"}, o, error,
      help));
  EXPECT_EQ(o.csv, "t.csv");
  EXPECT_EQ(o.journal, "j.jsonl");
  EXPECT_EQ(o.dir, "/m");
  EXPECT_EQ(o.command, "run");
  EXPECT_EQ(o.files, std::vector<std::string>{"p.knl"});
  EXPECT_EQ(o.loops, 3);
  EXPECT_TRUE(o.fast);
  RunnerOptions big;
  EXPECT_FALSE(ParseRunnerArguments({"run", "p.knl", "--loops", "99999999999999999999"}, big, error, help));
  EXPECT_NE(error.find("--loops"), std::string::npos);
}

}  // namespace
