#include "program/ProgramFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "CrlfLines.h"
#include "NumberReference.h"
#include "RecordingPort.h"
#include "RunGuardStandIn.h"
#include "TempFolder.h"
#include "program/MotionProgram.h"

namespace {

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string out;
  for (const auto& l : lines) out += l + end;
  return out;
}

class ProgramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LANG", "C", 1);
    standin::anyMotionBusy = standin::programRunning = false;
    MotionProgram.clear();
    ResetEditCommand();
    SavePath.clear();
    ShownPath.clear();
  }
  void TearDown() override {
    standin::anyMotionBusy = standin::programRunning = false;
    MotionProgram.clear();
  }

  // Entries with every slot filled with distinct values of up to six
  // decimals, unused slots included.
  void FillProgram(std::size_t n) {
    std::mt19937 rng(11);
    auto real = [&] { return static_cast<double>(static_cast<int>(rng() % 20000001) - 10000000) / 1000.0; };
    const std::int32_t codes[] = {code::kConstPtoP1, code::kFastLine4, code::kHome1, code::kSwitchOutput};
    for (std::size_t d = 0; d < n; ++d) {
      MotionCommand c{};
      c.iCodeType = codes[d % 4];
      c.dbDelayTime = real();
      for (int g = 0; g < 4; ++g) {
        c.iAxes[g] = static_cast<std::int32_t>(rng() % 9);
        c.dbDis[g] = real();
        c.dbLowSpd[g] = real();
        c.dbHighSpd[g] = real();
        c.dbAccSpd[g] = real();
      }
      MotionProgram.push_back(c);
      port.ListAppend(FormatCodeText(c));
    }
  }

  RecordingPort port;
  TempFolder folder;
  std::string path = folder.File("prog.knl");
};

TEST_F(ProgramFileTest, EmptyProgramWritesSectionAndCountOnly) {
  ASSERT_TRUE(WriteProgramFile(path));
  EXPECT_EQ(ReadFileBytes(path), "\r\n[Command Save]\r\n\r\n[CommandNo]=0\r\n");
  MotionProgram.push_back(EditCommand);
  OpenProgramFile(path);
  EXPECT_TRUE(MotionProgram.empty());
  EXPECT_TRUE(port.Listing().empty());
}

TEST_F(ProgramFileTest, LayoutKeysAndNumberFormsOfEveryEntry) {
  MotionCommand c{code::kConstPtoP2, {1, 2, 3, 4},    0.5, {50, -12.5, 0, 0.1}, {20, 10, 0, 0},
                  {50, 50, 50, 50},  {20, 20, 20, 20}};
  MotionProgram.assign(11, c);
  MotionProgram[10].iCodeType = code::kSwitchOutput;
  ASSERT_TRUE(WriteProgramFile(path));
  const auto lines = CrlfLines(ReadFileBytes(path));
  ASSERT_EQ(lines.size(), 4u + 22u * 11u);
  const std::vector<std::string> entry0 = {"",
                                           "[Command Save]",
                                           "",
                                           "[CommandNo]=11",
                                           "[iCodeType[0]]=67239936",
                                           "[dbDelayTime[0]]=0.500000",
                                           "[dbLowSpd[00]]=20.000000",
                                           "[dbHighSpd[00]]=50.000000",
                                           "[dbAccSpd[00]]=20.000000",
                                           "[iAxes[00]]=1",
                                           "[dbDis[00]]=50.000000",
                                           "[dbLowSpd[01]]=10.000000",
                                           "[dbHighSpd[01]]=50.000000",
                                           "[dbAccSpd[01]]=20.000000",
                                           "[iAxes[01]]=2",
                                           "[dbDis[01]]=-12.500000"};
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 16), entry0);
  EXPECT_EQ(lines[4 + 21], "[dbDis[03]]=0.100000");
  // Entry 10: its number followed directly by the slot digit.
  const std::size_t e10 = 4 + 22 * 10;
  EXPECT_EQ(lines[e10], "[iCodeType[10]]=50331909");
  EXPECT_EQ(lines[e10 + 1], "[dbDelayTime[10]]=0.500000");
  EXPECT_EQ(lines[e10 + 2], "[dbLowSpd[100]]=20.000000");
  EXPECT_EQ(lines.back(), "[dbDis[103]]=0.100000");
  // After a write the edit record holds the last entry.
  EXPECT_EQ(EditCommand.iCodeType, code::kSwitchOutput);

  // Entry 10 reads back into entry 10, not into entry 1.
  OpenProgramFile(path);
  ASSERT_EQ(MotionProgram.size(), 11u);
  EXPECT_EQ(MotionProgram[1].iCodeType, code::kConstPtoP2);
  EXPECT_EQ(MotionProgram[10].iCodeType, code::kSwitchOutput);
  EXPECT_EQ(port.Listing()[10], "M09 C1 P2 S3 M0.50");
}

TEST_F(ProgramFileTest, SaveThenOpenReproducesEveryFieldOfEveryEntry) {
  FillProgram(57);
  const auto saved = MotionProgram;
  const auto listing = port.Listing();
  ASSERT_TRUE(WriteProgramFile(path));
  OpenProgramFile(path);
  ASSERT_EQ(MotionProgram.size(), saved.size());
  for (std::size_t d = 0; d < saved.size(); ++d) {
    const MotionCommand& a = saved[d];
    const MotionCommand& b = MotionProgram[d];
    EXPECT_EQ(a.iCodeType, b.iCodeType);
    EXPECT_EQ(a.dbDelayTime, b.dbDelayTime);
    for (int g = 0; g < 4; ++g) {
      EXPECT_EQ(a.iAxes[g], b.iAxes[g]) << d << "/" << g;
      EXPECT_EQ(a.dbDis[g], b.dbDis[g]) << d << "/" << g;
      EXPECT_EQ(a.dbLowSpd[g], b.dbLowSpd[g]);
      EXPECT_EQ(a.dbHighSpd[g], b.dbHighSpd[g]);
      EXPECT_EQ(a.dbAccSpd[g], b.dbAccSpd[g]);
    }
  }
  // The listing shows the same texts, rebuilt from the stored fields.
  EXPECT_EQ(port.Listing(), listing);
}

// The writer lays out the bytes "%d" and "%lf" always gave, for the demo
// and for values of every magnitude, and Open reads them back as strtod.
TEST_F(ProgramFileTest, WrittenBytesAreThoseTheCLibraryGives) {
  const std::string demo = ReadFileBytes(std::string(TESSOR_SOURCE_DIR) + "/examples/demo/demo.knl");
  OpenProgramFile(std::string(TESSOR_SOURCE_DIR) + "/examples/demo/demo.knl");
  ASSERT_FALSE(MotionProgram.empty());
  ASSERT_TRUE(WriteProgramFile(path));
  EXPECT_EQ(ReadFileBytes(path), demo);

  std::mt19937_64 rng(5);
  auto any = [&] { return std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 120) - 80); };
  MotionProgram.assign(200, MotionCommand{});
  for (std::size_t d = 0; d < MotionProgram.size(); ++d) {
    MotionCommand& c = MotionProgram[d];
    c.iCodeType = static_cast<std::int32_t>(rng());
    c.dbDelayTime = d % 2 == 0 ? any() : -any();
    for (int g = 0; g < 4; ++g) {
      c.iAxes[g] = static_cast<std::int32_t>(rng());
      c.dbDis[g] = -any();
      c.dbLowSpd[g] = any();
      c.dbHighSpd[g] = static_cast<double>(rng() % 100000) / 128.0;  // exact halves at the sixth decimal
      c.dbAccSpd[g] = std::bit_cast<double>(rng() & 0x7FEFFFFFFFFFFFFFULL);
    }
  }
  ASSERT_TRUE(WriteProgramFile(path));
  const std::string written = ReadFileBytes(path);
  EXPECT_EQ(written, reference::ProgramFileText(MotionProgram));
  EXPECT_EQ(reference::FirstDifference(written), "");
}

TEST_F(ProgramFileTest, ReorderedLinesLoadWronglyWithoutMessage) {
  MotionCommand c = DefaultEditCommand();
  c.iAxes[0] = 3;
  c.dbDis[0] = 7;
  MotionProgram.assign(3, c);
  ASSERT_TRUE(WriteProgramFile(path));
  auto lines = CrlfLines(ReadFileBytes(path));
  // Entry 0 slot 0: dbDis before iAxes.
  std::swap(lines[4 + 5], lines[4 + 6]);
  WriteFileBytes(path, Join(lines));
  ResetEditCommand();
  OpenProgramFile(path);
  EXPECT_TRUE(port.Boxes().empty());
  ASSERT_FALSE(MotionProgram.empty());
  // iAxes[00] is found after dbDis[00]; dbDis[00] is then searched in vain,
  // so it and every later field keep what the edit record held.
  EXPECT_EQ(MotionProgram[0].iAxes[0], 3);
  EXPECT_EQ(MotionProgram[0].dbDis[0], 50.0);
  EXPECT_NE(MotionProgram.size(), 3u);
}

TEST_F(ProgramFileTest, CountWithoutEntriesNeverMakesEntriesOutOfNothing) {
  FillProgram(2);
  ASSERT_TRUE(WriteProgramFile(path));
  std::string bytes = ReadFileBytes(path);
  bytes.replace(bytes.find("[CommandNo]=2"), 13, "[CommandNo]=2147483647");
  WriteFileBytes(path, bytes);
  OpenProgramFile(path);
  ASSERT_EQ(MotionProgram.size(), 2u);
  EXPECT_EQ(port.Listing().size(), 2u);
  EXPECT_TRUE(port.Boxes().empty());
  // No count, or a count of 0 or less: an empty program.
  for (const char* text : {"[iCodeType[0]]=33619968\r\n", "[CommandNo]=0\r\n[iCodeType[0]]=33619968\r\n",
                           "[CommandNo]=-5\r\n[iCodeType[0]]=33619968\r\n", "[CommandNo]=\r\n"}) {
    WriteFileBytes(path, text);
    OpenProgramFile(path);
    EXPECT_TRUE(MotionProgram.empty()) << text;
    EXPECT_TRUE(port.Listing().empty());
  }
}

TEST_F(ProgramFileTest, MissingKeyEndsForwardReadingWithPartialEntry) {
  // Only the code of each entry: after the first, every search runs to the
  // end, so the first entry keeps the edit record's other fields and the
  // load ends there.
  WriteFileBytes(path, "[CommandNo]=3\n[iCodeType[0]]=67239936\n[iCodeType[1]]=33619968\n");
  OpenProgramFile(path);
  ASSERT_EQ(MotionProgram.size(), 1u);
  EXPECT_EQ(MotionProgram[0].iCodeType, code::kConstPtoP2);
  EXPECT_EQ(MotionProgram[0].dbDis[3], 50.0);
  EXPECT_EQ(port.Listing(), (std::vector<std::string>{"G00 X50.00 Y50.00 FX20.00 FY20.00 M0.00"}));
}

TEST_F(ProgramFileTest, UnknownCodeGetsPlaceholderSoRowsMatchEntries) {
  FillProgram(3);
  MotionProgram[1].iCodeType = 12345;
  ASSERT_TRUE(WriteProgramFile(path));
  OpenProgramFile(path);
  ASSERT_EQ(MotionProgram.size(), 3u);
  const auto rows = port.Listing();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], FormatCodeText(MotionProgram[0]));
  EXPECT_NE(rows[1].find("12345"), std::string::npos);
  EXPECT_EQ(rows[2], FormatCodeText(MotionProgram[2]));
}

TEST_F(ProgramFileTest, OpenEmptiesFirstAndAnUnreadableFileLeavesAnEmptyProgram) {
  FillProgram(3);
  port.AnswerFiles({folder.File("missing.knl")});
  EXPECT_TRUE(ProgramFileOpen());
  EXPECT_TRUE(MotionProgram.empty());
  EXPECT_TRUE(port.Listing().empty());
  EXPECT_EQ(ShownPath, folder.File("missing.knl"));
  ASSERT_EQ(port.BoxTexts().size(), 1u);
  EXPECT_EQ(port.BoxTexts()[0],
            "Open config file " + folder.File("missing.knl") + "failed! System will take default value.");
  // The file that could not be read is not the one Save writes: Save asks.
  const std::string earlier = folder.File("earlier.knl");
  SavePath = earlier;
  port.AnswerFiles({folder.File("missing.knl"), std::nullopt});
  ASSERT_TRUE(ProgramFileOpen());
  EXPECT_EQ(SavePath, "");
  FillProgram(1);
  ProgramFileSave();
  EXPECT_FALSE(std::filesystem::exists(folder.File("missing.knl")));
  EXPECT_FALSE(std::filesystem::exists(earlier));
  EXPECT_EQ(ShownPath, "");
  MotionProgram.clear();
  port.ListClear();
  // Cancel changes nothing.
  FillProgram(2);
  port.AnswerFiles({std::nullopt});
  EXPECT_FALSE(ProgramFileOpen());
  EXPECT_EQ(MotionProgram.size(), 2u);
}

TEST_F(ProgramFileTest, SaveWritesTheFileBeingWorkedOn) {
  // Save without a file asks; a cancel writes nothing and shows no path.
  FillProgram(2);
  port.AnswerFiles({std::nullopt});
  ProgramFileSave();
  EXPECT_EQ(ShownPath, "");
  EXPECT_EQ(SavePath, "");
  // OK: written and remembered.
  const std::string first = folder.File("first.knl");
  port.AnswerFiles({first});
  ProgramFileSave();
  EXPECT_EQ(SavePath, first);
  EXPECT_EQ(ShownPath, first);
  EXPECT_NE(ReadFileBytes(first).find("[CommandNo]=2"), std::string::npos);

  // Open another file: a plain Save now writes that file, not the first.
  const std::string other = folder.File("other.knl");
  MotionProgram.resize(1);
  ASSERT_TRUE(WriteProgramFile(other));
  port.AnswerFiles({other});
  ASSERT_TRUE(ProgramFileOpen());
  EXPECT_EQ(SavePath, other);
  MotionProgram.push_back(MotionProgram[0]);
  ProgramFileSave();
  EXPECT_NE(ReadFileBytes(other).find("[CommandNo]=2"), std::string::npos);
  EXPECT_NE(ReadFileBytes(first).find("[CommandNo]=2"), std::string::npos);

  // Save As: writes the chosen file and works on it from then on.
  const std::string copy = folder.File("copy.knl");
  port.AnswerFiles({copy});
  ProgramFileSaveAs();
  EXPECT_EQ(ShownPath, copy);
  EXPECT_EQ(SavePath, copy);
  MotionProgram.push_back(MotionProgram[0]);
  ProgramFileSave();
  EXPECT_NE(ReadFileBytes(copy).find("[CommandNo]=3"), std::string::npos);
  EXPECT_NE(ReadFileBytes(other).find("[CommandNo]=2"), std::string::npos);
  // A cancelled Save As writes nothing and shows no path.
  port.AnswerFiles({std::nullopt});
  ProgramFileSaveAs();
  EXPECT_EQ(ShownPath, "");
  EXPECT_EQ(SavePath, copy);
  // The file chooser offered .knl names every time; Save asked with its
  // own dialog (titled "Save"), Save As with the plain save dialog.
  std::vector<std::string> kinds;
  for (const auto& call : port.Calls()) {
    if (call.rfind("Choose", 0) == 0) {
      EXPECT_NE(call.find("*.knl"), std::string::npos) << call;
      kinds.push_back(call.substr(0, call.find('(')));
    }
  }
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"ChooseSave", "ChooseSave", "ChooseOpen", "ChooseSaveAs", "ChooseSaveAs"}));
}

TEST_F(ProgramFileTest, NewAndOpenAreRefusedWhileAMotionRuns) {
  FillProgram(2);
  SavePath = "/somewhere.knl";
  EditCommand.iCodeType = code::kHome1;
  standin::anyMotionBusy = true;
  port.AnswerFiles({path});
  EXPECT_FALSE(ProgramFileNew());
  EXPECT_FALSE(ProgramFileOpen());
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>(2, "Erro：Please stop the motion first!")));
  EXPECT_EQ(MotionProgram.size(), 2u);
  EXPECT_EQ(port.Listing().size(), 2u);
  EXPECT_EQ(SavePath, "/somewhere.knl");

  standin::anyMotionBusy = false;
  ShownPath = "/shown.knl";
  EXPECT_TRUE(ProgramFileNew());
  EXPECT_TRUE(MotionProgram.empty());
  EXPECT_TRUE(port.Listing().empty());
  EXPECT_EQ(SavePath, "");
  EXPECT_EQ(ShownPath, "/shown.knl");  // New leaves the shown path
  EXPECT_EQ(EditCommand.iCodeType, code::kConstPtoP1);
  EXPECT_GT(port.RepaintCount(), 0);
}

TEST_F(ProgramFileTest, FailedWriteKeepsTheOldFileAndIsReported) {
  FillProgram(2);
  ASSERT_TRUE(WriteProgramFile(path));
  const std::string before = ReadFileBytes(path);
  MotionProgram.clear();
  EXPECT_FALSE(WriteProgramFile(folder.File("no/such/folder.knl")));
  EXPECT_EQ(port.BoxTexts().size(), 1u);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
