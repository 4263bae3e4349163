// The unsaved-program guard of the file commands and the recent files.

#include <gtest/gtest.h>

#include <filesystem>

#include "RecordingPort.h"
#include "RunGuardStandIn.h"
#include "TempFolder.h"
#include "operator/OperatorMessages.h"
#include "program/MotionProgram.h"
#include "program/ProgramEditing.h"
#include "program/ProgramFile.h"
#include "program/RecentFiles.h"

namespace {

constexpr const char* kQuestion = "Save changes to the program?";

class UnsavedProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::anyMotionBusy = standin::programRunning = false;
    language = kLangEnglish;
    BindLanguageSetting(&language);
    MotionProgram.clear();
    NoteProgramReplaced();
    RecentFiles.Clear();
    ResetEditCommand();
    EditMode = kEditAdd;
    SavePath.clear();
    ShownPath.clear();
  }
  void TearDown() override {
    BindLanguageSetting(nullptr);
    standin::anyMotionBusy = standin::programRunning = false;
    MotionProgram.clear();
  }

  // Adds one entry through the program input dialog's store: an edit.
  void AddEntry(double distance) {
    EditMode = kEditAdd;
    EditCommand = DefaultEditCommand();
    EditCommand.dbDis[0] = distance;
    ASSERT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 1);
  }

  // A program file of `rows` one-axis entries, written without touching
  // the program in memory.
  std::string FileWith(const std::string& name, int rows) {
    const auto keep = MotionProgram;
    MotionProgram.assign(static_cast<std::size_t>(rows), DefaultEditCommand());
    const std::string file = folder.File(name);
    EXPECT_TRUE(WriteProgramFile(file));
    MotionProgram = keep;
    return file;
  }

  int language = kLangEnglish;
  RecordingPort port;
  TempFolder folder;
};

// Every edit marks the program changed; Open, Save, Save As and New leave
// it unchanged; a Save that wrote nothing leaves it changed.
TEST_F(UnsavedProgramTest, EditsMarkTheProgramAndFileCommandsClearIt) {
  EXPECT_FALSE(ProgramChanged());
  AddEntry(10);
  EXPECT_TRUE(ProgramChanged());

  port.AnswerFiles({std::nullopt});  // Save asks and is cancelled
  ProgramFileSave();
  EXPECT_TRUE(ProgramChanged());
  const std::string saved = folder.File("saved.knl");
  port.AnswerFiles({saved});
  ProgramFileSave();
  EXPECT_FALSE(ProgramChanged());

  EditMode = kEditInsert;
  port.ListSelect(0);
  ASSERT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 1);
  EXPECT_TRUE(ProgramChanged());
  port.AnswerFiles({folder.File("as.knl")});
  ProgramFileSaveAs();
  EXPECT_FALSE(ProgramChanged());

  EditMode = kEditModify;
  port.ListSelect(1);
  ASSERT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 1);
  EXPECT_TRUE(ProgramChanged());
  OpenProgramFile(saved);
  EXPECT_FALSE(ProgramChanged());

  port.ListSelect(0);
  DeleteSelectedCommand();
  EXPECT_TRUE(ProgramChanged());
  port.ClearRecord();
  port.AnswerBoxes({kBoxNo});
  ASSERT_TRUE(ProgramFileNew());
  EXPECT_FALSE(ProgramChanged());

  // Refused edits change nothing: a delete without a row, an edit while
  // the program runs.
  DeleteSelectedCommand();
  standin::programRunning = true;
  EditMode = kEditAdd;
  EXPECT_EQ(StoreEditCommand(InsertWithoutSelection::AtTop), 0);
  EXPECT_FALSE(ProgramChanged());

  // A Save As to a file that cannot be written keeps the edits unsaved.
  standin::programRunning = false;
  AddEntry(5);
  port.AnswerFiles({folder.File("no/such/folder.knl")});
  ProgramFileSaveAs();
  EXPECT_TRUE(ProgramChanged());
}

// New, Open and a recent file ask before unsaved edits go: Cancel keeps
// everything, No lets the edits go, Yes saves them first.
TEST_F(UnsavedProgramTest, NewOpenAndRecentAskBeforeEditsAreLost) {
  const std::string other = FileWith("other.knl", 3);
  const std::string mine = folder.File("mine.knl");
  AddEntry(10);
  AddEntry(20);
  SavePath = mine;
  ShownPath = mine;
  RecentFiles.Add(other);

  // Cancel: no chooser, nothing changes.
  port.AnswerBoxes({kBoxCancel, kBoxCancel, kBoxCancel});
  EXPECT_FALSE(ProgramFileNew());
  EXPECT_FALSE(ProgramFileOpen());
  EXPECT_FALSE(ProgramFileOpenRecent(0));
  ASSERT_EQ(port.Boxes().size(), 3u);
  for (const RecordedBox& box : port.Boxes()) {
    EXPECT_EQ(box.text, kQuestion);
    EXPECT_EQ(box.caption, "Tessor");
    EXPECT_EQ(box.buttons, BoxButtons::YesNoCancel);
  }
  EXPECT_EQ(MotionProgram.size(), 2u);
  EXPECT_EQ(port.Listing().size(), 2u);
  EXPECT_TRUE(ProgramChanged());
  EXPECT_EQ(SavePath, mine);
  EXPECT_EQ(ShownPath, mine);
  EXPECT_FALSE(std::filesystem::exists(mine));
  for (const std::string& call : port.Calls()) EXPECT_NE(call.rfind("Choose", 0), 0u) << call;

  // No: the recent file opens, nothing is written.
  port.ClearRecord();
  port.AnswerBoxes({kBoxNo});
  EXPECT_TRUE(ProgramFileOpenRecent(0));
  EXPECT_EQ(MotionProgram.size(), 3u);
  EXPECT_EQ(ShownPath, other);
  EXPECT_FALSE(std::filesystem::exists(mine));
  EXPECT_FALSE(ProgramChanged());

  // Yes: Save writes the file being worked on, then Open goes on.
  AddEntry(30);
  port.ClearRecord();
  port.AnswerBoxes({kBoxYes});
  port.AnswerFiles({FileWith("third.knl", 1)});
  EXPECT_TRUE(ProgramFileOpen());
  EXPECT_NE(ReadFileBytes(other).find("[CommandNo]=4"), std::string::npos);
  EXPECT_EQ(MotionProgram.size(), 1u);
  EXPECT_EQ(port.BoxTexts(), std::vector<std::string>{kQuestion});

  // An unchanged program is put aside without a question.
  port.ClearRecord();
  EXPECT_TRUE(ProgramFileNew());
  EXPECT_TRUE(port.Boxes().empty());
}

// Yes with a Save that asks for a file: cancelling that dialog, or a file
// that cannot be written, cancels the action and keeps the edits.
TEST_F(UnsavedProgramTest, YesWithACancelledOrFailedSaveCancels) {
  AddEntry(10);
  port.AnswerBoxes({kBoxYes});
  port.AnswerFiles({std::nullopt});
  EXPECT_FALSE(ProgramFileNew());
  EXPECT_EQ(MotionProgram.size(), 1u);
  EXPECT_TRUE(ProgramChanged());

  port.AnswerBoxes({kBoxYes});
  port.AnswerFiles({folder.File("no/such/folder.knl"), FileWith("never.knl", 2)});
  EXPECT_FALSE(ProgramFileOpen());
  EXPECT_EQ(MotionProgram.size(), 1u);
  EXPECT_TRUE(ProgramChanged());

  // A box that could not be shown at all keeps the work too.
  port.AnswerBoxes({0});
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(MotionProgram.size(), 1u);

  // Save keeps to the file it was given, so it fails again; once the
  // program has a file that can be written, Yes saves and the action goes on.
  port.AnswerBoxes({kBoxYes});
  EXPECT_FALSE(ConfirmDiscardChanges());
  SavePath.clear();
  const std::string saved = folder.File("saved.knl");
  port.AnswerBoxes({kBoxYes});
  port.AnswerFiles({saved});
  EXPECT_TRUE(ConfirmDiscardChanges());
  EXPECT_FALSE(ProgramChanged());
  EXPECT_NE(ReadFileBytes(saved).find("[CommandNo]=1"), std::string::npos);
}

TEST_F(UnsavedProgramTest, TheQuestionSpeaksTheProgramsLanguage) {
  language = kLangChinese;
  AddEntry(10);
  port.AnswerBoxes({kBoxCancel});
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(port.BoxTexts(), std::vector<std::string>{"是否保存对程序的修改?"});
  // A language of neither kind still asks, in English: the work is at stake.
  language = 7;
  port.ClearRecord();
  port.AnswerBoxes({kBoxCancel});
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(port.BoxTexts(), std::vector<std::string>{kQuestion});
}

// The busy guard comes first: message 9 and no question.
TEST_F(UnsavedProgramTest, ARunningMotionRefusesBeforeAnyQuestion) {
  RecentFiles.Add(FileWith("a.knl", 1));
  AddEntry(10);
  standin::anyMotionBusy = true;
  EXPECT_FALSE(ProgramFileNew());
  EXPECT_FALSE(ProgramFileOpen());
  EXPECT_FALSE(ProgramFileOpenRecent(0));
  EXPECT_EQ(port.BoxTexts(), std::vector<std::string>(3, std::string(OperatorMessageText(9, kLangEnglish))));
  EXPECT_EQ(MotionProgram.size(), 1u);
  EXPECT_EQ(RecentFiles.Entries().size(), 1u);
}

TEST(RecentFileList, NewestFirstWithoutRepeatsAndAtMostFour) {
  RecentFileList list;
  list.Add("/a.knl");
  list.Add("/b.knl");
  list.Add("");  // no file
  list.Add("/a.knl");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/a.knl", "/b.knl"}));
  for (const char* path : {"/c.knl", "/d.knl", "/e.knl"}) list.Add(path);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/e.knl", "/d.knl", "/c.knl", "/a.knl"}));
  list.Remove("/d.knl");
  list.Remove("/nothing.knl");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/e.knl", "/c.knl", "/a.knl"}));
  // Stored entries: order kept, empty and repeated ones dropped, four kept.
  list.Assign({"/1.knl", "", "/2.knl", "/1.knl", "/3.knl", "/4.knl", "/5.knl"});
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"/1.knl", "/2.knl", "/3.knl", "/4.knl"}));
}

// Files opened or written join the list; ones that could not be read or
// written do not.
TEST_F(UnsavedProgramTest, OpenedAndSavedFilesJoinTheRecentFiles) {
  const std::string first = FileWith("first.knl", 1);
  OpenProgramFile(first);
  OpenProgramFile(folder.File("missing.knl"));  // its own message, no entry
  EXPECT_EQ(RecentFiles.Entries(), std::vector<std::string>{first});

  const std::string saved = folder.File("saved.knl");
  SavePath.clear();
  port.AnswerFiles({saved});
  ProgramFileSave();
  const std::string copy = folder.File("copy.knl");
  port.AnswerFiles({copy, folder.File("no/such/folder.knl")});
  ProgramFileSaveAs();
  ProgramFileSaveAs();
  EXPECT_EQ(RecentFiles.Entries(), (std::vector<std::string>{copy, saved, first}));

  // Save of the file worked on brings it to the front again.
  SavePath = saved;
  ProgramFileSave();
  EXPECT_EQ(RecentFiles.Entries().front(), saved);
}

// A recent file that is gone: said so, left off the list, nothing else
// changes (no question, the program stays).
TEST_F(UnsavedProgramTest, ARecentFileThatIsGoneLeavesTheList) {
  const std::string kept = FileWith("kept.knl", 2);
  const std::string gone = FileWith("gone.knl", 1);
  RecentFiles.Assign({gone, kept});
  std::filesystem::remove(gone);
  AddEntry(10);
  ShownPath = "/shown.knl";

  EXPECT_FALSE(ProgramFileOpenRecent(0));
  ASSERT_EQ(port.Boxes().size(), 1u);
  EXPECT_EQ(port.Boxes()[0].text,
            "The program file no longer exists:\n" + gone + "\nIt has been removed from the recent files.");
  EXPECT_EQ(port.Boxes()[0].buttons, BoxButtons::Ok);
  EXPECT_EQ(RecentFiles.Entries(), std::vector<std::string>{kept});
  EXPECT_EQ(MotionProgram.size(), 1u);
  EXPECT_TRUE(ProgramChanged());
  EXPECT_EQ(ShownPath, "/shown.knl");

  language = kLangChinese;
  RecentFiles.Add(gone);
  port.ClearRecord();
  EXPECT_FALSE(ProgramFileOpenRecent(0));
  EXPECT_EQ(port.BoxTexts(), std::vector<std::string>{"程序文件已不存在:\n" + gone + "\n已将其从最近文件中删除。"});

  // Beyond the list: nothing at all.
  port.ClearRecord();
  EXPECT_FALSE(ProgramFileOpenRecent(4));
  EXPECT_TRUE(port.Calls().empty());

  // The one that is there opens as Open does: the path is shown, Save
  // writes it.
  port.AnswerBoxes({kBoxNo});
  EXPECT_TRUE(ProgramFileOpenRecent(0));
  EXPECT_EQ(MotionProgram.size(), 2u);
  EXPECT_EQ(ShownPath, kept);
  EXPECT_EQ(SavePath, kept);
}

}  // namespace
