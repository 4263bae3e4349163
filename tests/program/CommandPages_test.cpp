#include "program/CommandPages.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "EditFixture.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"

namespace {

// A stand-in for the unit conversion: axis a has 1000 * a pulses per unit.
bool OutOfRangeByAxis(int axis, double speed) { return speed * 1000.0 * axis >= 2000000.0; }

class CommandPages : public EditFixture {
 protected:
  void SetUp() override {
    EditFixture::SetUp();
    SysParams.SetDefaults();
    SysParams.LangVer = kLangEnglish;
  }
  void TearDown() override {
    SysParams.Reset();
    EditFixture::TearDown();
  }
  std::vector<std::string> Rows() { return port.Listing(); }
};

TEST_F(CommandPages, CommandListByModelAndTheEntryOfACode) {
  const auto orva = CommandListForModel(0);
  ASSERT_EQ(orva.size(), 12u);
  EXPECT_EQ(orva[3], code::kFastPtoP1);
  EXPECT_EQ(orva[10], code::kHome1);
  EXPECT_EQ(orva[11], code::kSwitchOutput);
  for (int model : {1, 2}) {
    const auto full = CommandListForModel(model);
    ASSERT_EQ(full.size(), 16u);
    EXPECT_EQ(full[3], code::kConstPtoP4);
    EXPECT_EQ(full[13], code::kFastLine4);
    EXPECT_EQ(full[15], code::kSwitchOutput);
  }
  EXPECT_EQ(CommandListEntry(1, code::kFastLine2), 11);
  EXPECT_EQ(CommandListEntry(0, code::kFastLine2), 8);
  // An ORVA list has no four-axis entry: entry 0 stays selected.
  EXPECT_EQ(CommandListEntry(0, code::kFastPtoP4), 0);
  EXPECT_EQ(PageForCode(code::kFastPtoP4), CommandPage::PtoP);
  EXPECT_EQ(PageForCode(code::kConstLine3), CommandPage::Linear);
  EXPECT_EQ(PageForCode(code::kHome1), CommandPage::Home);
  EXPECT_EQ(PageForCode(code::kSwitchOutput), CommandPage::SwitchOutput);
}

TEST_F(CommandPages, ListTextsByCardsModelAndLanguage) {
  EXPECT_EQ(AxisListTexts(1, kLangEnglish), (std::vector<std::string>{"X Axis", "Y Axis", "Z Axis", "T Axis"}));
  const auto eight = AxisListTexts(2, kLangChinese);
  ASSERT_EQ(eight.size(), 8u);
  EXPECT_EQ(eight[6], "C轴");
  EXPECT_EQ(CardListTexts(1, kLangEnglish), (std::vector<std::string>{"No.1"}));
  EXPECT_EQ(CardListTexts(2, kLangChinese), (std::vector<std::string>{"1号卡", "2号卡"}));
  EXPECT_EQ(LevelListTexts(kLangChinese), (std::vector<std::string>{"低电平", "高电平"}));
  const auto orvb = OutputPortTexts(1, kLangEnglish);
  ASSERT_EQ(orvb.size(), 16u);
  EXPECT_EQ(orvb[0], "N0.1");
  for (int model : {0, 2}) {
    const auto ports = OutputPortTexts(model, kLangEnglish);
    ASSERT_EQ(ports.size(), 24u);
    EXPECT_EQ(ports[23], "No.24");
  }
  EXPECT_EQ(OutputPortTexts(2, kLangChinese)[4], "5号输出口");
  EXPECT_TRUE(AxisListTexts(1, 2).empty());
}

TEST_F(CommandPages, FieldsEnabledByCode) {
  const auto c2 = FieldsEnabled(CommandPage::PtoP, code::kConstPtoP2);
  EXPECT_TRUE(c2.axis[1] && c2.distance[1] && c2.startSpeed[1]);
  EXPECT_FALSE(c2.maxSpeed[0] || c2.acceleration[1] || c2.axis[2] || c2.startSpeed[2]);
  const auto f3 = FieldsEnabled(CommandPage::PtoP, code::kFastPtoP3);
  EXPECT_TRUE(f3.maxSpeed[2] && f3.acceleration[2]);
  EXPECT_FALSE(f3.axis[3] || f3.maxSpeed[3]);
  const auto l4 = FieldsEnabled(CommandPage::Linear, code::kConstLine4);
  EXPECT_TRUE(l4.axis[3] && l4.distance[3] && l4.vectorStart);
  EXPECT_FALSE(l4.vectorMax || l4.vectorAcc || l4.startSpeed[0]);
  EXPECT_TRUE(FieldsEnabled(CommandPage::Linear, code::kFastLine2).vectorAcc);
  // Box 1 and the first speed stay open whatever the code.
  const auto none = FieldsEnabled(CommandPage::PtoP, code::kHome1);
  EXPECT_TRUE(none.axis[0] && none.distance[0] && none.startSpeed[0]);
  EXPECT_FALSE(none.axis[1]);
}

TEST_F(CommandPages, HomeCopiesTheAxisSettingsWhenMade) {
  SysParams.Dir[6] = -1;
  SysParams.LowSpd[6] = 11;
  SysParams.HighSpd[6] = 22;
  SysParams.AccSpd[6] = 33;
  EXPECT_EQ(StoreHomeCommand(6, 0.5), 1);  // "C Axis"
  SysParams.HighSpd[6] = 99;               // later changes do not reach the command
  ASSERT_EQ(MotionProgram.size(), 1u);
  const MotionCommand& c = MotionProgram[0];
  EXPECT_EQ(c.iCodeType, code::kHome1);
  EXPECT_EQ(c.iAxes[0], 7);
  EXPECT_EQ(c.dbDis[0], -1.0);
  EXPECT_EQ(c.dbLowSpd[0], 11.0);
  EXPECT_EQ(c.dbHighSpd[0], 22.0);
  EXPECT_EQ(c.dbAccSpd[0], 33.0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"G29 C00 M0.50"}));
  // Insert without a selection is refused on this page.
  EditMode = kEditInsert;
  EXPECT_EQ(StoreHomeCommand(0, 0), 0);
  EXPECT_EQ(port.BoxTexts().size(), 1u);
}

TEST_F(CommandPages, SwitchOutputStoresCardPortLevel) {
  EXPECT_EQ(StoreSwitchOutputCommand(1, 4, 1, 1.5), 1);
  const MotionCommand& c = MotionProgram[0];
  EXPECT_EQ(c.iCodeType, code::kSwitchOutput);
  EXPECT_EQ(c.iAxes[0], 2);
  EXPECT_EQ(c.iAxes[1], 5);
  EXPECT_EQ(c.iAxes[2], 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"M09 C2 P5 S1 M1.50"}));
  // Three presses in add mode: three equal commands.
  StoreSwitchOutputCommand(0, 0, 0, 0);
  StoreSwitchOutputCommand(0, 0, 0, 0);
  StoreSwitchOutputCommand(0, 0, 0, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"M09 C2 P5 S1 M1.50", "M09 C1 P1 S0 M0.00", "M09 C1 P1 S0 M0.00",
                                              "M09 C1 P1 S0 M0.00"}));
}

TEST_F(CommandPages, PointToPointChecksSpeedsPerBoxAxisThenSameAxis) {
  PtoPCommandValues page;
  page.axisEntry[1] = 0;  // both boxes on X
  EXPECT_EQ(StorePtoPCommand(code::kConstPtoP2, page, OutOfRangeByAxis), 0);
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Error:There is same axis number!"}));
  // The speed check comes first.
  port.ClearRecord();
  page.startSpeed[1] = 2000;
  EXPECT_EQ(StorePtoPCommand(code::kConstPtoP2, page, OutOfRangeByAxis), 0);
  EXPECT_EQ(port.BoxTexts(),
            (std::vector<std::string>{"Error:The parameter of speed is outside, Please try it again!"}));
  EXPECT_TRUE(MotionProgram.empty());

  // Fast one-axis: the maximum speed counts, exactly at the limit refused.
  port.ClearRecord();
  PtoPCommandValues one;
  one.maxSpeed[0] = 2000;  // X: 2000000 pulses/s
  one.startSpeed[0] = 1e9;  // not checked for a fast code
  EXPECT_EQ(StorePtoPCommand(code::kFastPtoP1, one, OutOfRangeByAxis), 0);
  one.maxSpeed[0] = 1999.999;
  EXPECT_EQ(StorePtoPCommand(code::kFastPtoP1, one, OutOfRangeByAxis), 1);
  // The same speed on another axis converts differently.
  one.axisEntry[0] = 1;  // Y: 2000 pulses per unit
  EXPECT_EQ(StorePtoPCommand(code::kFastPtoP1, one, OutOfRangeByAxis), 0);
  EXPECT_EQ(port.BoxTexts().size(), 2u);
  EXPECT_EQ(MotionProgram.size(), 1u);
}

TEST_F(CommandPages, PointToPointFillsOnlyTheSlotsOfTheCode) {
  PtoPCommandValues page;
  page.axisEntry[0] = 4;
  page.axisEntry[1] = 2;
  page.distance[0] = 5;
  page.distance[1] = -6;
  page.startSpeed[0] = 7;
  page.maxSpeed[0] = 8;
  page.acceleration[0] = 9;
  page.delay = 0.25;
  EditCommand.dbHighSpd[0] = 123;
  EditCommand.iAxes[2] = 42;
  ASSERT_EQ(StorePtoPCommand(code::kConstPtoP2, page, OutOfRangeByAxis), 1);
  const MotionCommand& c = MotionProgram[0];
  EXPECT_EQ(c.iAxes[0], 5);
  EXPECT_EQ(c.iAxes[1], 3);
  EXPECT_EQ(c.iAxes[2], 42);       // box 3 is not used by a two-axis code
  EXPECT_EQ(c.dbHighSpd[0], 123);  // constant speed keeps the maximum speeds
  EXPECT_EQ(c.dbLowSpd[0], 7);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"G00 A5.00 Z-6.00 FA7.00 FZ20.00 M0.25"}));
  ASSERT_EQ(StorePtoPCommand(code::kFastPtoP1, page, OutOfRangeByAxis), 1);
  EXPECT_EQ(MotionProgram[1].dbHighSpd[0], 8);
  EXPECT_EQ(MotionProgram[1].dbAccSpd[0], 9);
  EXPECT_EQ(Rows()[1], "G00 A5.00 FA8.00 M0.25");
  // A code of another page stores nothing.
  EXPECT_EQ(StorePtoPCommand(code::kConstLine2, page, OutOfRangeByAxis), 0);
}

TEST_F(CommandPages, LinearRepetitionAlternatesTheMoveAndItsReverse) {
  LinearCommandValues page;
  page.distance[0] = 10;
  page.distance[1] = -5;
  page.vectorStart = 15;
  page.delay = 1;
  page.loop = 2;
  EXPECT_EQ(StoreLinearCommand(code::kConstLine2, page), 4);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"G01 X10.00 Y-5.00 F15.00 M1.00", "G01 X-10.00 Y5.00 F15.00 M1.00",
                                              "G01 X10.00 Y-5.00 F15.00 M1.00", "G01 X-10.00 Y5.00 F15.00 M1.00"}));
  for (const auto& c : MotionProgram) {
    EXPECT_EQ(c.dbLowSpd[0], 15);
    EXPECT_EQ(c.dbDelayTime, 1);
  }
  // Loop -1 (or 0 after doubling) stores nothing and says nothing.
  page.loop = -1;
  EXPECT_EQ(StoreLinearCommand(code::kConstLine2, page), 0);
  EXPECT_EQ(MotionProgram.size(), 4u);
  EXPECT_TRUE(port.BoxTexts().empty());
  // The same axis twice: message 0, and no speed check on this page.
  page.loop = 0;
  page.axisEntry[1] = 0;
  page.vectorStart = 1e12;
  EXPECT_EQ(StoreLinearCommand(code::kConstLine2, page), 0);
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Error:There is same axis number!"}));
}

TEST_F(CommandPages, RepetitionTooLargeForMemoryStoresNothing) {
  MakeProgram(2);
  LinearCommandValues page;
  page.loop = 2147483647;  // 2 x L does not fit 32 bits, nor memory
  EXPECT_EQ(StoreLinearCommand(code::kConstLine2, page), 0);
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Out of memory."}));
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1}));
}

TEST_F(CommandPages, InsertedRepetitionGoesBelowTheSelectionInOrder) {
  MakeProgram(6);
  port.ListSelect(4);
  EditMode = kEditInsert;
  PtoPCommandValues page;
  page.distance[0] = 3;
  page.loop = 3;
  EXPECT_EQ(StorePtoPCommand(code::kConstPtoP1, page, OutOfRangeByAxis), 6);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2, 3, 4, 3, -3, 3, -3, 3, -3, 5}));
  EXPECT_EQ(port.ListSelectedRow(), 4);
  // Without a selection the series goes to the top.
  port.ListSelect(-1);
  page.loop = 1;
  page.distance[0] = 9;
  StorePtoPCommand(code::kConstPtoP1, page, OutOfRangeByAxis);
  EXPECT_EQ(Distances()[0], 9);
  EXPECT_EQ(Distances()[1], -9);
}

TEST_F(CommandPages, FastLinearKeepsVectorValuesInSlotZeroOnly) {
  EditCommand.dbLowSpd[1] = 71;
  EditCommand.dbLowSpd[2] = 72;
  LinearCommandValues page;
  page.vectorStart = 1;
  page.vectorMax = 2;
  page.vectorAcc = 3;
  ASSERT_EQ(StoreLinearCommand(code::kFastLine3, page), 1);
  const MotionCommand& c = MotionProgram[0];
  EXPECT_EQ(c.dbLowSpd[0], 1);
  EXPECT_EQ(c.dbHighSpd[0], 2);
  EXPECT_EQ(c.dbAccSpd[0], 3);
  EXPECT_EQ(c.dbLowSpd[1], 71);
  EXPECT_EQ(c.dbLowSpd[2], 72);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"G01 X10.00 Y10.00 Z10.00 F2.00 M0.00"}));
}

TEST_F(CommandPages, ModifyLoadsTheEntryAndIgnoresTheLoop) {
  MotionCommand four = DefaultEditCommand();
  four.iCodeType = code::kFastPtoP4;
  four.iAxes[0] = 8;
  four.dbDis[0] = -2;
  four.dbHighSpd[0] = 44;
  MotionProgram.push_back(four);
  port.ListAppend(FormatCodeText(four));
  port.ListSelect(0);
  EditMode = kEditModify;
  ASSERT_TRUE(LoadSelectedForModify());
  EXPECT_EQ(CommandListEntry(0, EditCommand.iCodeType), 0);  // ORVA: the first entry
  PtoPCommandValues page = PtoPValuesOf(EditCommand, 8);
  EXPECT_EQ(page.axisEntry[0], 7);
  EXPECT_EQ(page.distance[0], -2);
  EXPECT_EQ(page.maxSpeed[0], 44);
  EXPECT_EQ(page.loop, 0);
  page.loop = 5;  // a modify stores one command whatever the loop says
  EXPECT_EQ(StorePtoPCommand(code::kConstPtoP1, page, OutOfRangeByAxis), 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"G00 D-2.00 FD20.00 M0.00"}));
  const LinearCommandValues lin = LinearValuesOf(four, 8);
  EXPECT_EQ(lin.vectorMax, 44);
  EXPECT_EQ(lin.axisEntry[0], 7);
}

// A stored axis, card, port or level the list lacks selects the box's
// default entry: no list comes up blank, so no store writes axis 0.
TEST_F(CommandPages, AValueTheListLacksSelectsTheBoxDefault) {
  MotionCommand c = DefaultEditCommand();
  struct AxesCase {
    std::array<std::int32_t, 4> stored;
    int entries;
    std::array<int, 4> selected;
  };
  for (const AxesCase& k : {AxesCase{{2, 0, 5, INT32_MIN}, 4, {1, 1, 2, 3}},  // one card: 5 is not there
                            AxesCase{{8, 0, 5, -3}, 8, {7, 1, 4, 3}}, AxesCase{{4, 3, 2, 1}, 4, {3, 2, 1, 0}}}) {
    std::copy(k.stored.begin(), k.stored.end(), c.iAxes);
    const PtoPCommandValues ptop = PtoPValuesOf(c, k.entries);
    const LinearCommandValues linear = LinearValuesOf(c, k.entries);
    EXPECT_EQ(std::vector<int>(ptop.axisEntry, ptop.axisEntry + 4),
              std::vector<int>(k.selected.begin(), k.selected.end()));
    EXPECT_EQ(std::vector<int>(linear.axisEntry, linear.axisEntry + 4),
              std::vector<int>(k.selected.begin(), k.selected.end()));
  }

  struct ListCase {
    std::int32_t stored;
    int entries;
    int selected;
  };
  for (const ListCase& k : {ListCase{6, 4, 0}, ListCase{6, 8, 5}, ListCase{0, 8, 0}, ListCase{INT32_MAX, 8, 0}}) {
    c.iAxes[0] = k.stored;
    EXPECT_EQ(HomeValuesOf(c, k.entries).axisEntry, k.selected) << k.stored;
  }

  struct SwitchCase {
    std::array<std::int32_t, 3> stored;  // card, port, level
    int cards;
    int ports;
    std::array<int, 3> selected;
  };
  for (const SwitchCase& k : {SwitchCase{{2, 16, 1}, 2, 16, {1, 15, 1}}, SwitchCase{{2, 17, 2}, 1, 16, {0, 0, 0}},
                              SwitchCase{{0, 0, -1}, 2, 24, {0, 0, 0}}, SwitchCase{{1, 24, 0}, 1, 24, {0, 23, 0}}}) {
    std::copy(k.stored.begin(), k.stored.end(), c.iAxes);
    c.dbDelayTime = 0.25;
    const SwitchOutputValues v = SwitchOutputValuesOf(c, k.cards, k.ports);
    EXPECT_EQ((std::array<int, 3>{v.cardEntry, v.portEntry, v.levelEntry}), k.selected);
    EXPECT_EQ(v.delay, 0.25);
  }
}

}  // namespace
