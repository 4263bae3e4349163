#include "settings/SysParams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "RecordingPort.h"
#include "CrlfLines.h"
#include "TempFolder.h"
#include "operator/OperatorMessages.h"
#include "platform/TextCodec.h"

namespace {

class SysParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LANG", "en_US.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    SysParams.Reset();
    SetSysParamsFolder(folder.Folder());
  }
  void TearDown() override {
    SetSysParamsFolder("");
    SysParams.Reset();
  }
  std::string CfgPath() const { return folder.File("sysparam.cfg"); }

  RecordingPort port;
  TempFolder folder;
};

TEST_F(SysParamsTest, ValuesBeforeLoading) {
  EXPECT_EQ(SysParams.Ctrler, 0);
  EXPECT_EQ(SysParams.LangVer, 0);
  EXPECT_EQ(SysParams.CheckTime, 3.0);
  EXPECT_EQ(SysParams.MotorPulse[15], 0.0);
  EXPECT_EQ(SysParams.PtoPRunRecord.iCodeType, 0);
  EXPECT_EQ(SysParams.TitleNameEng, "Kinolt Software");
  EXPECT_EQ(SysParams.TitleNameChs, platform::Utf8ToGbk("电动平移台应用软件"));
  EXPECT_EQ(platform::GbkToUtf8(SysParams.TitleNameChs), "电动平移台应用软件");
}

TEST_F(SysParamsTest, MissingFileShowsMessageSetsDefaultsAndWritesThem) {
  LoadSysParams();
  EXPECT_EQ(SysParamsPath, CfgPath());
  ASSERT_EQ(port.BoxTexts().size(), 1u);
  EXPECT_EQ(port.BoxTexts()[0], "Open config file " + CfgPath() + "failed! System will take default value.");
  // A first run starts in Chinese with ORVB.
  EXPECT_EQ(SysParams.LangVer, 1);
  EXPECT_EQ(SysParams.Ctrler, 1);
  EXPECT_EQ(SysParams.CheckTime, 0.0);
  EXPECT_EQ(SysParams.EncFreq[9], 4);
  EXPECT_EQ(SysParams.CircularRunRecord.iCodeType, 73);
  EXPECT_EQ(SysParams.CircularRunRecord.dbDis[3], 0.0);

  const auto lines = CrlfLines(ReadFileBytes(CfgPath()));
  ASSERT_EQ(lines.size(), 3u + 8u + 16u * 23u + 3u * 21u);
  const std::vector<std::string> head = {
      "", "[SysParamSetting]", "",
      "[TitleNameChs]=" + platform::Utf8ToGbk("电动平移台应用软件"), "[TitleNameEng]=Kinolt Software",
      "[Ctrler]=1", "[UnitLine]=0", "[UnitCir]=0", "[CheckTime]=0.000000", "[Input]=0", "[LangVer]=1",
      "[Unit[0]]=0", "[Equip[0]]=0", "[MotorPulse[0]]=3200.000000", "[MotorRatio[0]]=1.000000",
      "[FeedBack[0]]=0.000000", "[Guide[0]]=4.000000", "[Error[0]]=1.000000", "[Dir[0]]=1",
      "[HighSpd[0]]=50.000000", "[LowSpd[0]]=30.000000", "[AccSpd[0]]=20.000000", "[Expiation[0]]=10.000000",
      "[PulseType[0]]=1", "[HomeType[0]]=0", "[EncFreq[0]]=4", "[AlarmEffLev[0]]=0", "[OrgEffLev[0]]=1",
      "[ElEffLev[0]]=0", "[SdEffLev[0]]=0", "[PMoveSetLowSpd[0]]=30.000000", "[PMoveSetHighSpd[0]]=50.000000",
      "[PMoveSetAccSpd[0]]=20.000000", "[PMoveSetStep[0]]=50.000000", "[Unit[1]]=0"};
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head);
  // Axis 15's block ends right before the run records.
  const std::size_t records = 3 + 8 + 16 * 23;
  EXPECT_EQ(lines[records - 1], "[PMoveSetStep[15]]=50.000000");
  const std::vector<std::string> line = {
      "[LineCodeType]=33619968", "[LineAccSpd[0]]=20.000000", "[LineHighSpd[0]]=50.000000",
      "[LineLowSpd[0]]=20.000000", "[LineDis[0]]=50.000000", "[LineAxesNo[0]]=1", "[LineAccSpd[1]]=20.000000"};
  EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(records), lines.begin() + static_cast<long>(records + line.size())), line);
  EXPECT_EQ(lines[records + 21], "[InterCodeType]=67248128");
  EXPECT_EQ(lines[records + 42], "[ArcCodeType]=73");
  EXPECT_EQ(lines[lines.size() - 7], "[ArcDis[2]]=50.000000");
  EXPECT_EQ(lines[lines.size() - 2], "[ArcDis[3]]=0.000000");
  EXPECT_EQ(lines.back(), "[ArcAxesNo[3]]=4");
  // Every per-axis key for every index 0-15, axis by axis.
  for (int i = 0; i < 16; ++i) {
    const std::string key = "[SdEffLev[" + std::to_string(i) + "]]=0";
    EXPECT_EQ(lines[11 + static_cast<std::size_t>(i) * 23 + 18], key);
  }
}

TEST_F(SysParamsTest, OnlyCtrlerLineKeepsValuesBeforeLoading) {
  WriteFileBytes(CfgPath(), "[Ctrler]=2\r\n");
  LoadSysParams();
  EXPECT_TRUE(port.Boxes().empty());
  EXPECT_EQ(SysParams.Ctrler, 2);
  EXPECT_EQ(SysParams.CheckTime, 3.0);
  EXPECT_EQ(SysParams.MotorPulse[0], 0.0);
  EXPECT_EQ(SysParams.TitleNameEng, "Kinolt Software");
  EXPECT_EQ(SysParams.TitleNameChs, kDefaultTitleChs);
  EXPECT_EQ(ReadFileBytes(CfgPath()), "[Ctrler]=2\r\n");  // loading never rewrites
}

TEST_F(SysParamsTest, SaveThenLoadReproducesEveryFieldAndSavingTwiceIsIdentical) {
  LoadSysParams();  // defaults
  std::mt19937 rng(7);
  auto real = [&] { return static_cast<double>(static_cast<int>(rng() % 2000001) - 1000000) / 64.0; };
  auto whole = [&] { return static_cast<std::int32_t>(rng()); };
  SysParams.TitleNameChs = platform::Utf8ToGbk("测试台");
  SysParams.TitleNameEng = "My = Stage";
  SysParams.Ctrler = 2;
  SysParams.CheckTime = real();
  SysParams.Input = 1;
  SysParams.LangVer = 0;
  for (int i = 0; i < 16; ++i) {
    SysParams.Unit[i] = whole();
    SysParams.Guide[i] = real();
    SysParams.SdEffLev[i] = whole();
    SysParams.PMoveSetStep[i] = real();
  }
  for (MotionCommand* r : {&SysParams.PtoPRunRecord, &SysParams.LinearRunRecord, &SysParams.CircularRunRecord}) {
    r->iCodeType = whole();
    for (int k = 0; k < 4; ++k) {
      r->iAxes[k] = whole();
      r->dbDis[k] = real();
      r->dbAccSpd[k] = real();
    }
    r->dbDelayTime = 9.0;  // not stored
  }
  const SysParamsRecord saved = SysParams;
  SaveSysParams();
  const std::string first = ReadFileBytes(CfgPath());
  SaveSysParams();
  EXPECT_EQ(ReadFileBytes(CfgPath()), first);

  SysParams.Reset();
  port.ClearRecord();
  LoadSysParams();
  EXPECT_TRUE(port.Boxes().empty());
  EXPECT_EQ(SysParams.TitleNameChs, saved.TitleNameChs);
  EXPECT_EQ(SysParams.TitleNameEng, saved.TitleNameEng);
  EXPECT_EQ(SysParams.Ctrler, 2);
  EXPECT_EQ(SysParams.CheckTime, saved.CheckTime);
  EXPECT_EQ(SysParams.Input, 1);
  EXPECT_EQ(SysParams.LangVer, 0);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(SysParams.Unit[i], saved.Unit[i]);
    EXPECT_EQ(SysParams.Guide[i], saved.Guide[i]);
    EXPECT_EQ(SysParams.SdEffLev[i], saved.SdEffLev[i]);
    EXPECT_EQ(SysParams.PMoveSetStep[i], saved.PMoveSetStep[i]);
    EXPECT_EQ(SysParams.MotorPulse[i], 3200.0);
  }
  const MotionCommand* loaded[] = {&SysParams.PtoPRunRecord, &SysParams.LinearRunRecord, &SysParams.CircularRunRecord};
  const MotionCommand* expected[] = {&saved.PtoPRunRecord, &saved.LinearRunRecord, &saved.CircularRunRecord};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(loaded[r]->iCodeType, expected[r]->iCodeType);
    EXPECT_EQ(loaded[r]->dbDelayTime, 0.0);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(loaded[r]->iAxes[k], expected[r]->iAxes[k]);
      EXPECT_EQ(loaded[r]->dbDis[k], expected[r]->dbDis[k]);
      EXPECT_EQ(loaded[r]->dbAccSpd[k], expected[r]->dbAccSpd[k]);
    }
  }
}

TEST_F(SysParamsTest, LoadIgnoresLineOrderAndKeepsFieldsOfEmptyOrMissingKeys) {
  LoadSysParams();
  SysParams.Dir[5] = -1;
  SysParams.HighSpd[7] = 123.5;
  SaveSysParams();
  auto lines = CrlfLines(ReadFileBytes(CfgPath()));
  std::shuffle(lines.begin(), lines.end(), std::mt19937(3));
  std::string shuffled;
  for (const auto& l : lines) {
    if (l.rfind("[LowSpd[2]]", 0) == 0) shuffled += "[LowSpd[2]]=\n";  // empty value
    else if (l.rfind("[TitleNameEng]", 0) == 0) shuffled += "[TitleNameEng]=\n";
    else if (l.rfind("[Guide[4]]", 0) != 0) shuffled += l + "\n";       // missing key
  }
  WriteFileBytes(CfgPath(), shuffled);
  SysParams.Reset();
  SysParams.LowSpd[2] = 77.0;
  SysParams.Guide[4] = 66.0;
  SysParams.TitleNameEng = "Kept";
  LoadSysParams();
  EXPECT_EQ(SysParams.TitleNameEng, "Kept");
  EXPECT_EQ(SysParams.Dir[5], -1);
  EXPECT_EQ(SysParams.HighSpd[7], 123.5);
  EXPECT_EQ(SysParams.LowSpd[2], 77.0);
  EXPECT_EQ(SysParams.Guide[4], 66.0);
  EXPECT_EQ(SysParams.Guide[3], 4.0);
  EXPECT_EQ(SysParams.LangVer, 1);
}

TEST_F(SysParamsTest, UncreatableFileKeepsDefaultsInMemoryOnly) {
  SetSysParamsFolder(folder.File("missing/"));
  LoadSysParams();
  const auto texts = port.BoxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "Create config file " + folder.File("missing/sysparam.cfg") + " Failed!");
  EXPECT_EQ(SysParams.Ctrler, 1);
  EXPECT_EQ(SysParams.MotorPulse[3], 3200.0);
  // Save reports the same failure and writes nothing.
  port.ClearRecord();
  SaveSysParams();
  EXPECT_EQ(port.BoxTexts().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
}

TEST_F(SysParamsTest, FolderPathOfAnyLength) {
  std::string deep = folder.Folder();
  while (deep.size() < 700) deep += std::string(60, 'd') + "/";
  std::filesystem::create_directories(deep);
  SetSysParamsFolder(deep);
  LoadSysParams();
  EXPECT_EQ(SysParamsPath, deep + "sysparam.cfg");
  EXPECT_TRUE(std::filesystem::exists(SysParamsPath));
  SysParams.Ctrler = 0;
  SaveSysParams();
  SysParams.Reset();
  LoadSysParams();
  EXPECT_EQ(SysParams.Ctrler, 0);
}

TEST_F(SysParamsTest, OperatorMessagesFollowLoadedLanguage) {
  WriteFileBytes(CfgPath(), "[LangVer]=0\r\n");
  LoadSysParams();
  ShowOperatorMessage(6);
  WriteFileBytes(CfgPath(), "[LangVer]=1\r\n");
  LoadSysParams();
  ShowOperatorMessage(6);
  WriteFileBytes(CfgPath(), "[LangVer]=2\r\n");
  LoadSysParams();
  ShowOperatorMessage(6);
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Error:There is no data!", "错误：无运动数据!"}));
}

}  // namespace
