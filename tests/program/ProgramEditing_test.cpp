#include "EditFixture.h"

namespace {

using ProgramEditing = EditFixture;

MotionCommand Move(double distance) {
  MotionCommand c = DefaultEditCommand();
  c.dbDis[0] = distance;
  return c;
}

TEST_F(ProgramEditing, DeleteRemovesTheSelectedEntryAndRow) {
  MakeProgram(5);
  port.ListSelect(1);
  DeleteSelectedCommand();
  EXPECT_EQ(Distances(), (std::vector<double>{0, 2, 3, 4}));
  EXPECT_EQ(port.ListSelectedRow(), -1);
  // Without a selection: message 3, nothing removed.
  DeleteSelectedCommand();
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Error：Please select the item that you want to delete!"}));
  EXPECT_EQ(MotionProgram.size(), 4u);
  // The last row.
  port.ListSelect(3);
  DeleteSelectedCommand();
  EXPECT_EQ(Distances(), (std::vector<double>{0, 2, 3}));
  EXPECT_EQ(port.ListSelectedRow(), -1);
}

TEST_F(ProgramEditing, DeletingTheOnlyRowLeavesAnEmptyProgram) {
  MakeProgram(1);
  port.ListSelect(0);
  ProgramListDeleteKey();
  EXPECT_TRUE(MotionProgram.empty());
  EXPECT_TRUE(port.Listing().empty());
}

TEST_F(ProgramEditing, AddAppendsAndKeepsTheSelection) {
  EditMode = kEditAdd;
  EditCommand = Move(7);
  EXPECT_EQ(StoreEditCommand(InsertWithoutSelection::Refuse), 1);  // empty program: row 0
  EXPECT_EQ(Distances(), (std::vector<double>{7}));
  MakeProgram(2);
  port.ListSelect(0);
  EditCommand = Move(8);
  StoreEditCommand(InsertWithoutSelection::Refuse);
  EXPECT_EQ(Distances(), (std::vector<double>{7, 0, 1, 8}));
  EXPECT_EQ(port.ListSelectedRow(), 0);
}

TEST_F(ProgramEditing, InsertGoesBelowTheSelectionWhichStays) {
  MakeProgram(5);
  port.ListSelect(2);
  EditMode = kEditInsert;
  EditCommand = Move(10);
  StoreEditCommand(InsertWithoutSelection::Refuse);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2, 10, 3, 4}));
  EXPECT_EQ(port.ListSelectedRow(), 2);
  // A second insert in the same dialog goes directly below row 2 again.
  EditCommand = Move(20);
  StoreEditCommand(InsertWithoutSelection::Refuse);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2, 20, 10, 3, 4}));
  // A series goes at s + 1, s + 2, ... in order.
  StoreCommands({Move(31), Move(32)}, InsertWithoutSelection::Refuse);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2, 31, 32, 20, 10, 3, 4}));
}

TEST_F(ProgramEditing, InsertWithoutSelectionRefusesOrGoesToTheTopByPage) {
  MakeProgram(2);
  EditMode = kEditInsert;
  EditCommand = Move(9);
  EXPECT_EQ(StoreEditCommand(InsertWithoutSelection::Refuse), 0);
  EXPECT_EQ(port.BoxTexts(),
            (std::vector<std::string>{"Error:Please choose the place where you want to insert the item!"}));
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1}));
  EXPECT_EQ(StoreCommands({Move(8), Move(9)}, InsertWithoutSelection::AtTop), 2);
  EXPECT_EQ(Distances(), (std::vector<double>{8, 9, 0, 1}));
  EXPECT_EQ(port.ListSelectedRow(), -1);
}

TEST_F(ProgramEditing, ModifyReplacesAndReselectsTheRow) {
  MakeProgram(6);
  port.ListSelect(4);
  ASSERT_TRUE(BeginModifyCommand());
  EXPECT_EQ(EditMode, kEditModify);
  ASSERT_TRUE(LoadSelectedForModify());
  EXPECT_EQ(EditCommand.dbDis[0], 4.0);
  EditCommand.dbDis[0] = 40;
  EditCommand.iCodeType = code::kFastPtoP1;
  EXPECT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 1);
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2, 3, 40, 5}));
  EXPECT_EQ(MotionProgram[4].iCodeType, code::kFastPtoP1);
  EXPECT_EQ(port.ListSelectedRow(), 4);
}

TEST_F(ProgramEditing, ModifyNeedsAProgramAndASelection) {
  EXPECT_FALSE(BeginModifyCommand());
  MakeProgram(2);
  EXPECT_TRUE(BeginModifyCommand());
  EXPECT_FALSE(LoadSelectedForModify());
  EXPECT_EQ(port.BoxTexts(), (std::vector<std::string>{"Error:There is no data!",
                                                       "Error:Please choose the item you want to modify!"}));
  EXPECT_TRUE(BeginAddCommand());
  EXPECT_EQ(EditMode, kEditAdd);
  EXPECT_TRUE(BeginInsertCommand());
  EXPECT_EQ(EditMode, kEditInsert);
}

TEST_F(ProgramEditing, NothingChangesWhileTheProgramRuns) {
  MakeProgram(3);
  port.ListSelect(1);
  standin::programRunning = true;
  EXPECT_FALSE(ProgramListRightClick());
  EXPECT_FALSE(ProgramListDoubleClick());
  ProgramListDeleteKey();
  DeleteSelectedCommand();
  for (int mode : {kEditAdd, kEditInsert, kEditModify}) {
    EditMode = mode;
    EXPECT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 0);
  }
  EXPECT_EQ(Distances(), (std::vector<double>{0, 1, 2}));
  const auto texts = port.BoxTexts();
  ASSERT_EQ(texts.size(), 7u);
  for (const auto& t : texts) EXPECT_EQ(t, "Error:The motion is running,so you can't operate the data!");
  // Other motions do not guard the listing.
  standin::programRunning = false;
  standin::anyMotionBusy = true;
  EXPECT_TRUE(ProgramListRightClick());
  EXPECT_TRUE(ProgramListDoubleClick());
  EXPECT_EQ(EditMode, kEditModify);
}

}  // namespace
