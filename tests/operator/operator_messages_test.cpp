#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "RecordingPort.h"
#include "operator/OperatorMessages.h"

namespace {

// Binds a language value of the test's own for each case.
class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override { BindLanguageSetting(&lang_); }
  void TearDown() override { BindLanguageSetting(nullptr); }
  int lang_ = kLangEnglish;
  RecordingPort port_;
};

TEST_F(MessagesTest, EveryMessageIsAnOkBoxWithoutIconCaptionedTessor) {
  for (int lang : {kLangEnglish, kLangChinese}) {
    lang_ = lang;
    std::set<std::string> distinct;
    for (int n = 0; n < kOperatorMessageCount; ++n) {
      port_.ClearRecord();
      EXPECT_EQ(ShowOperatorMessage(n), kBoxOk);
      const auto boxes = port_.Boxes();
      ASSERT_EQ(boxes.size(), 1u) << "message " << n;
      EXPECT_EQ(boxes[0].text, OperatorMessageText(n, lang));
      EXPECT_EQ(boxes[0].caption, "Tessor");
      EXPECT_EQ(boxes[0].buttons, BoxButtons::Ok);
      EXPECT_EQ(boxes[0].icon, BoxIcon::None);
      distinct.insert(boxes[0].text);
    }
    EXPECT_EQ(distinct.size(), 14u) << "two messages share a text";
  }
}

TEST_F(MessagesTest, EveryNumberShowsItsOwnWordingInBothLanguages) {
  struct Wording {
    const char* english;
    const char* chinese;
  };
  const Wording expected[] = {
      {"Error:There is same axis number!", "错误：轴号相同!"},
      {"Error:The parameter of speed is outside, Please try it again!", "错误：速度设置超出允许范围!"},
      {"Error:Please choose the item you want to modify!", "错误：请选中您要修改的项!"},
      {"Error：Please select the item that you want to delete!", "错误：请选中您要删除的项!"},
      {"Error:Please choose the place where you want to insert the item!", "错误：请选中您要插入的地方!"},
      {"Initializing Error!", "初始化错误!"},
      {"Error:There is no data!", "错误：无运动数据!"},
      {"Error: Can't detect the PCI !", "错误：检测不到卡!"},
      {"Error:Please check the origin signal is right!", "错误：原点检测错误，请确定原点信号接入正确!"},
      {"Erro：Please stop the motion first!", "错误：操作前请先停止运动!"},
      {"Error:The motion is running,so it can't start a new motion!", "错误：当前有运动正在进行，不能启动新运动!"},
      {"Error:The motion is running,so you can't operate the data!", "错误：当前运动正在进行，不允许数据操作!"},
      {"Error:The motion is outside!", "错误：运动超出范围"},
      {"Error:The motion is running,so the data can't be cleared!", "错误：当前有运动进行，不允许数据清零!"},
  };
  static_assert(std::size(expected) == kOperatorMessageCount);
  for (int n = 0; n < kOperatorMessageCount; ++n) {
    for (int lang : {kLangEnglish, kLangChinese}) {
      lang_ = lang;
      port_.ClearRecord();
      ShowOperatorMessage(n);
      const Wording& w = expected[n];
      EXPECT_EQ(port_.BoxTexts(), std::vector<std::string>{lang == kLangEnglish ? w.english : w.chinese})
          << "message " << n << " language " << lang;
    }
  }
}

TEST_F(MessagesTest, TextsKeepTheirExactPunctuation) {
  EXPECT_EQ(OperatorMessageText(3, kLangEnglish), "Error：Please select the item that you want to delete!");
  EXPECT_EQ(OperatorMessageText(9, kLangEnglish), "Erro：Please stop the motion first!");
  EXPECT_EQ(OperatorMessageText(7, kLangEnglish), "Error: Can't detect the PCI !");
  EXPECT_EQ(OperatorMessageText(12, kLangEnglish), "Error:The motion is outside!");
  EXPECT_EQ(OperatorMessageText(12, kLangChinese), "错误：运动超出范围");
  EXPECT_EQ(OperatorMessageText(0, kLangChinese), "错误：轴号相同!");
  EXPECT_EQ(OperatorMessageText(8, kLangChinese), "错误：原点检测错误，请确定原点信号接入正确!");
}

TEST_F(MessagesTest, NumbersOutsideTheTableShowNothing) {
  for (int n : {-1, 14, 1000}) {
    EXPECT_EQ(ShowOperatorMessage(n), 0);
    EXPECT_TRUE(OperatorMessageText(n, kLangEnglish).empty());
  }
  EXPECT_TRUE(port_.Boxes().empty());
}

TEST_F(MessagesTest, OtherLanguageValuesShowNothing) {
  for (int lang : {2, -1, 99}) {
    lang_ = lang;
    for (int n = 0; n < kOperatorMessageCount; ++n) EXPECT_EQ(ShowOperatorMessage(n), 0);
    EXPECT_EQ(ConfirmSave(), 0);
  }
  EXPECT_TRUE(port_.Boxes().empty());
}

TEST_F(MessagesTest, MessagesFollowTheBoundSettingAsItChanges) {
  ShowOperatorMessage(6);
  lang_ = kLangChinese;
  ShowOperatorMessage(6);
  EXPECT_EQ(port_.BoxTexts(), (std::vector<std::string>{"Error:There is no data!", "错误：无运动数据!"}));
}

TEST_F(MessagesTest, UnboundLanguageIsEnglish) {
  BindLanguageSetting(nullptr);
  EXPECT_EQ(CurrentLanguage(), kLangEnglish);
  ShowOperatorMessage(5);
  EXPECT_EQ(port_.BoxTexts(), std::vector<std::string>{"Initializing Error!"});
}

TEST_F(MessagesTest, ConfirmSaveAsksOkCancelAndReturnsTheAnswer) {
  port_.AnswerBoxes({kBoxOk, kBoxCancel});
  EXPECT_EQ(ConfirmSave(), kBoxOk);
  lang_ = kLangChinese;
  EXPECT_EQ(ConfirmSave(), kBoxCancel);
  const auto boxes = port_.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Are you sure to save it?");
  EXPECT_EQ(boxes[1].text, "您确定保存修改后的参数?");
  EXPECT_EQ(boxes[0].buttons, BoxButtons::OkCancel);
}

TEST(PickText, ChoosesByLanguageAndNothingOtherwise) {
  EXPECT_EQ(PickText(0, "Run", "运行"), "Run");
  EXPECT_EQ(PickText(1, "Run", "运行"), "运行");
  EXPECT_EQ(PickText(2, "Run", "运行"), "");
}

}  // namespace
