// What the engine journals: the commands the control panel and the runner
// give, boxes with their answers (those of the tick from their courier
// thread), the end of a program run, the file commands, saved settings and
// card initialisation.

#include <string>
#include <vector>

#include "EngineFixture.h"
#include "TempFolder.h"
#include "motion/RunControl.h"
#include "motion/SettingsChange.h"
#include "operator/Journal.h"
#include "program/ProgramFile.h"
#include "settings/CardSettings.h"

namespace enginetest {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::StartsWith;

// The journal's lines without their time stamps; a box's "shown" time is
// cut off too.
std::vector<std::string> Events(const std::string& path) {
  std::vector<std::string> events;
  const std::string bytes = ReadFileBytes(path);
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = bytes.substr(start, end - start);
    line = "{" + line.substr(line.find("\",") + 2);
    if (const std::size_t shown = line.find(",\"shown\":"); shown != std::string::npos) line.resize(shown);
    events.push_back(line);
  }
  return events;
}

class JournalTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(journal::Open(Journal()));
  }
  void TearDown() override {
    journal::Close();
    EngineTest::TearDown();
  }
  std::string Journal() const { return (folder_ / "journal.jsonl").string(); }

  // A program of point-to-point moves of axis 1, then a run of it from
  // Start to its end.
  void RunProgram(const std::vector<double>& distances) {
    for (double d : distances) MotionProgram.push_back(Command(0x02010000, {1, 2, 3, 4}, {d, 0, 0, 0}));
    RunControl.ActivePanel = panel::kProgram;
    StartRequest start;
    start.loopCount = 1;
    ASSERT_EQ(StartButton(start), 1);
    ASSERT_GE(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
    Tick();  // the idle tick after a run resets its counters
  }
};

TEST_F(JournalTest, ARunThatMeetsALimitHoldsStartTheLimitBoxWithItsAnswerAndTheEndInOrder) {
  RunProgram({2000, 10});  // the limit switch stands at 1000
  EXPECT_THAT(
      Events(Journal()),
      ElementsAre(R"({"kind":"motion","command":"start","panel":"program","loops":1})",
                  R"({"kind":"box","number":12,"text":"Error:The motion is outside!","buttons":"ok","answer":"ok")",
                  R"({"kind":"run-end","result":"message","message":12})"));
}

TEST_F(JournalTest, ARunEndsNormallyOrByAStopAndEachEndIsJournalledOnce) {
  RunProgram({5});
  MotionProgram.clear();
  RunProgram({});  // message 6: no rows
  RunControl.ActivePanel = panel::kProgram;
  MotionCommand slow = Command(0x02010000, {1, 2, 3, 4}, {500, 0, 0, 0});
  slow.dbLowSpd[0] = slow.dbHighSpd[0] = 10;  // 50 s: still running when stopped
  MotionProgram.push_back(slow);
  StartButton(StartRequest{});
  Ticks(3);
  SStop();
  Ticks(3);
  DStop();
  EXPECT_THAT(Events(Journal()),
              ElementsAre(R"({"kind":"motion","command":"start","panel":"program","loops":1})",
                          R"({"kind":"run-end","result":"normal"})",
                          R"({"kind":"motion","command":"start","panel":"program","loops":1})",
                          R"({"kind":"box","number":6,"text":"Error:There is no data!","buttons":"ok","answer":"ok")",
                          R"({"kind":"run-end","result":"message","message":6})",
                          R"({"kind":"motion","command":"start","panel":"program","loops":1})",
                          R"({"kind":"motion","command":"sstop"})", R"({"kind":"run-end","result":"stopped"})",
                          R"({"kind":"motion","command":"dstop"})"));
}

TEST_F(JournalTest, EveryMotionButtonIsJournalledWithItsAxisCardOrPanel) {
  UseTwoCards();
  SelectModel(kOrvb, 2);
  for (double& step : SysParams.PMoveSetStep) step = 0;  // the jog ends at once
  JogButton(2, -1, 1);
  JogButton(4, +1, 0);
  HomeAxisButton(3, 1);
  SStop();
  HomeAllButton(1);
  DStop();
  port_.AnswerBoxes({kBoxCancel});
  ClearButton();
  StartRequest linear;
  linear.panel = panel::kLinear;
  StartButton(linear);  // message 0: the page's two axes are the same
  const std::vector<std::string> expected = {
      R"({"kind":"motion","command":"jog","axis":6,"direction":-1})",
      R"({"kind":"motion","command":"jog","axis":4,"direction":1})",
      R"({"kind":"motion","command":"home","axis":7})",
      R"({"kind":"motion","command":"sstop"})",
      R"({"kind":"motion","command":"home-all","card":2})",
      R"({"kind":"motion","command":"dstop"})",
      R"({"kind":"motion","command":"clear"})",
      R"({"kind":"box","text":"Are you sure to clear the data?","buttons":"ok-cancel","answer":"cancel")",
      R"({"kind":"motion","command":"start","panel":"linear"})",
  };
  std::vector<std::string> events = Events(Journal());
  ASSERT_GE(events.size(), expected.size());
  events.resize(expected.size());
  EXPECT_THAT(events, ElementsAreArray(expected));
}

TEST_F(JournalTest, FileCommandsSettingsAndCardsAreJournalledWithWhatTheyWrote) {
  const std::string program = (folder_ / "a \"b\".knl").string();
  const std::string nowhere = (folder_ / "missing/x.knl").string();
  MotionProgram.push_back(Command(0x02010000, {1, 2, 3, 4}, {5, 0, 0, 0}));
  port_.AnswerFiles({program, nowhere, program});
  ProgramFileSaveAs();
  ProgramFileSaveAs();
  ProgramFileNew();
  ProgramFileOpen();
  HomeCardValues home;
  LoadHomeCard(0, home);
  SaveHomeSetting(0, home);
  InitCards();
  std::string quoted;
  journal::AppendJsonString(quoted, program);
  std::string quotedNowhere;
  journal::AppendJsonString(quotedNowhere, nowhere);
  std::string settings;
  journal::AppendJsonString(settings, SysParamsPath);
  EXPECT_THAT(
      Events(Journal()),
      ElementsAre(R"({"kind":"file","command":"save-as","path":)" + quoted + R"(,"ok":true})",
                  StartsWith(R"({"kind":"box",)"),  // the file cannot be created
                  R"({"kind":"file","command":"save-as","path":)" + quotedNowhere + R"(,"ok":false})",
                  R"({"kind":"file","command":"new"})",
                  R"({"kind":"file","command":"open","path":)" + quoted + R"(,"ok":true,"rows":1})",
                  R"({"kind":"settings","dialog":"Home Setting","card":1,"file":)" + settings + R"(,"ok":true})",
                  R"({"kind":"box","text":"Card(s) = 1,Axis = 4","buttons":"ok","answer":"ok")",
                  R"({"kind":"cards","model":"ORVB","axes":4,"cards":1})"));
}

}  // namespace
}  // namespace enginetest
