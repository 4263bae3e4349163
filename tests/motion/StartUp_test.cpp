// Card initialisation and the start-up sequence on the simulated cards.

#include <fstream>
#include <sstream>

#include "EngineFixture.h"

namespace {

using enginetest::CountPrefix;
using enginetest::kOrvc;
using enginetest::Matching;
using testing::ElementsAre;

class StartUpTest : public enginetest::EngineTest {};

TEST_F(StartUpTest, InitCardsSelectsTheModelAndReportsWhatItFound) {
  UseTwoCards();
  SysParams.Ctrler = kOrvc;
  CardDriver.model = 1;
  RunControl.CardCount = 0;
  ClearTraces();
  InitCards();
  EXPECT_EQ(CardDriver.model.load(), kOrvc);
  EXPECT_THAT(orvc_.Trace(), ElementsAre("auto_set()", "init_board()"));
  EXPECT_EQ(RunControl.CardCount.load(), 2);
  EXPECT_EQ(RunControl.AxisCount.load(), 8);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Card(s) = 2,Axis = 8"));

  SysParams.LangVer = 1;
  port_.ClearRecord();
  InitCards();
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("卡数 = 2,轴数 = 8"));

  SysParams.LangVer = 2;  // no language: no count box
  port_.ClearRecord();
  InitCards();
  EXPECT_TRUE(port_.BoxTexts().empty());
}

TEST_F(StartUpTest, WithoutCardsBothFailuresAreReportedAndTheCountsKept) {
  SysParams.Ctrler = 7;  // no such model: nothing answers
  InitCards();
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error: Can't detect the PCI !", "Initializing Error!"));
  EXPECT_LE(RunControl.CardCount.load(), 0);
  EXPECT_LE(RunControl.AxisCount.load(), 0);
}

TEST_F(StartUpTest, TheSequenceSetsUpTheAxesAndSavesTheParameters) {
  SysParams.Ctrler = 1;
  ClearTraces();
  CompleteCardSetup();
  EXPECT_EQ(RunControl.CardCount.load(), 1);
  // Encoder mode and the signal settings of the installed axes.
  EXPECT_EQ(CountPrefix(orvb_.Trace(), "set_encoder_mode("), 4u);
  EXPECT_THAT(Matching(orvb_.Trace(), "set_home_mode"),
              ElementsAre("set_home_mode(1,0)", "set_home_mode(2,0)", "set_home_mode(3,0)", "set_home_mode(4,0)"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "sysparam.cfg"));
}

TEST_F(StartUpTest, TheFrontEndsSequenceLoadsTheParametersFirstAndSavesThemLast) {
  {
    std::ofstream out(folder_ / "sysparam.cfg", std::ios::binary);
    out << "[Ctrler]=2\r\n";
  }
  SysParams.Ctrler = 0;
  ClearTraces();
  RunStartUpSequence();
  EXPECT_EQ(CardDriver.model.load(), kOrvc) << "the model comes from the file";
  const std::vector<std::string> trace = orvc_.Trace();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace[0], "auto_set()");
  EXPECT_EQ(trace[1], "init_board()");
  EXPECT_GT(CountPrefix(trace, "set_home_mode("), 0u) << "the axis settings follow";
  std::ifstream in(folder_ / "sysparam.cfg", std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  EXPECT_NE(saved.str().find("[CheckTime]="), std::string::npos) << "the whole record is saved";
  EXPECT_NE(saved.str().find("[Ctrler]=2"), std::string::npos);
}

}  // namespace
