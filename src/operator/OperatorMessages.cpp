#include "operator/OperatorMessages.h"

#include <array>
#include <atomic>

#include "operator/OperatorPort.h"

namespace {

struct MessageTexts {
  std::string_view english;
  std::string_view chinese;
};

constexpr std::array<MessageTexts, kOperatorMessageCount> kMessages{{
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
}};

std::atomic<const int*> boundLanguage{nullptr};

}  // namespace

void BindLanguageSetting(const int* langVer) { boundLanguage.store(langVer, std::memory_order_release); }

int CurrentLanguage() {
  const int* lang = boundLanguage.load(std::memory_order_acquire);
  return lang != nullptr ? *lang : kLangEnglish;
}

std::string_view PickText(int language, std::string_view english, std::string_view chinese) {
  if (language == kLangEnglish) return english;
  if (language == kLangChinese) return chinese;
  return {};
}

std::string_view OperatorMessageText(int number, int language) {
  if (number < 0 || number >= kOperatorMessageCount) return {};
  const MessageTexts& m = kMessages[static_cast<size_t>(number)];
  return PickText(language, m.english, m.chinese);
}

int OperatorMessageNumber(std::string_view text) {
  for (std::size_t n = 0; n < kMessages.size(); ++n) {
    if (kMessages[n].english == text || kMessages[n].chinese == text) return static_cast<int>(n);
  }
  return -1;
}

int ShowOperatorMessage(int number) {
  const std::string_view text = OperatorMessageText(number, CurrentLanguage());
  if (text.empty()) return 0;
  return Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
}

std::string MissingAxisText(int row, int language) {
  const std::string number = std::to_string(row);
  if (language == kLangEnglish) return "Error:Row " + number + " uses an axis that this machine does not have!";
  if (language == kLangChinese) return "错误：第" + number + "行使用了本机不存在的轴!";
  return {};
}

int ConfirmSave() {
  const std::string_view text = PickText(CurrentLanguage(), "Are you sure to save it?", "您确定保存修改后的参数?");
  if (text.empty()) return 0;
  return Operator().MessageBox(text, kAppTitle, BoxButtons::OkCancel, BoxIcon::None);
}
