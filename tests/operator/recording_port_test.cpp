#include <gtest/gtest.h>

#include "RecordingPort.h"

namespace {

// The recorder stands in for the listing in many engine tests: it must
// behave like a list box.
TEST(RecordingPort, ListingBehavesLikeAListBox) {
  RecordingPort port;
  port.ListAppend("a");
  port.ListAppend("c");
  port.ListInsert(1, "b");
  EXPECT_EQ(port.Listing(), (std::vector<std::string>{"a", "b", "c"}));
  port.ListSelect(2);
  EXPECT_EQ(port.ListSelectedRow(), 2);
  port.ListSelect(7);
  EXPECT_EQ(port.ListSelectedRow(), -1);
  port.ListSelect(0);
  port.ListDelete(0);
  EXPECT_EQ(port.ListSelectedRow(), -1);
  port.ListInsert(9, "x");  // out of range: ignored
  EXPECT_EQ(port.Listing(), (std::vector<std::string>{"b", "c"}));
  port.ListClear();
  EXPECT_TRUE(port.Listing().empty());
}

TEST(RecordingPort, InstallsItselfAndAnswersFromItsScript) {
  {
    RecordingPort port;
    EXPECT_EQ(&InstalledOperatorPort(), &port);
    port.AnswerBoxes({kBoxCancel});
    EXPECT_EQ(Operator().MessageBox("q", "Tessor", BoxButtons::OkCancel, BoxIcon::None), kBoxCancel);
    EXPECT_EQ(Operator().MessageBox("q", "Tessor", BoxButtons::OkCancel, BoxIcon::None), kBoxOk);
    EXPECT_EQ(Operator().MessageBox("q", "Tessor", BoxButtons::YesNo, BoxIcon::None), kBoxYes);
    port.AnswerFiles({std::string("/tmp/a.knl"), std::nullopt});
    EXPECT_EQ(Operator().ChooseFile(FileDialogKind::Open, ""), "/tmp/a.knl");
    EXPECT_EQ(Operator().ChooseFile(FileDialogKind::Save, ""), std::nullopt);
    int pumped = 0;
    port.OnPendingEvents([&] { ++pumped; });
    Operator().ProcessPendingEvents();
    EXPECT_EQ(pumped, 1);
  }
  // Gone again: the null port answers nothing and keeps nothing.
  EXPECT_EQ(Operator().MessageBox("q", "Tessor", BoxButtons::Ok, BoxIcon::None), 0);
  EXPECT_EQ(Operator().ListSelectedRow(), -1);
}

}  // namespace
