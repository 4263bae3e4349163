#include "motion/AboutText.h"

#include <algorithm>
#include <cstdio>

#include "card/CardDriver.h"
#include "card/CardLibs.h"
#include "motion/EngineState.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"

namespace {

const char* LibraryName(int ctrler) { return card::ModelBaseName(ctrler).data(); }

struct Version {
  int major = 0;
  int minor = 0;
  int release = 0;
};

// The lines of the box; the colons are full-width, blanks and tabs belong
// to the texts.
struct AboutLines {
  const char* counts;
  const char* library;
  const char* functions;
  const char* driver;
  const char* hardware;
};
constexpr AboutLines kEnglish{"There are %d Card(s), %d Axes in computer\n", "Card Version\t   ：%s\n",
                              "Function Version   ：%d.%d.%d\n", "Driver Version      ：%d.%d.%d\n",
                              "Hardware Version   ：%d.%d.%d\n"};
constexpr AboutLines kChinese{"计算机内共有 %d 张卡, %d 根轴\n", "板卡类型\t     ：%s\n",
                              "函数库版本号     ：%d.%d.%d\n", "驱动程序版本号   ：%d.%d.%d\n",
                              "硬件版本号       ：%d.%d.%d\n"};

// The formats are the constant lines above, never outside text.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename... Args>
void AppendFormatted(std::string& out, const char* format, Args... args) {
  char line[160];
  const int length = std::snprintf(line, sizeof line, format, args...);
  if (length <= 0) return;
  out.append(line, std::min(static_cast<std::size_t>(length), sizeof line - 1));
}
#pragma GCC diagnostic pop

}  // namespace

std::string AboutText(int language) {
  const AboutLines& lines = language == kLangChinese ? kChinese : kEnglish;
  int cards = RunControl.CardCount.load();
  int axes = RunControl.AxisCount.load();
  if (cards <= 0 || axes <= 0) cards = axes = 0;

  Version library, driver, hardware;
  int cardType = 0;
  CardDriver.get_lib_ver(&library.major, &library.minor, &library.release);
  CardDriver.get_sys_ver(&driver.major, &driver.minor, &driver.release);
  CardDriver.get_card_ver(1, &cardType, &hardware.major, &hardware.minor, &hardware.release);

  std::string text;
  AppendFormatted(text, lines.counts, cards, axes);
  AppendFormatted(text, lines.library, LibraryName(SysParams.Ctrler));
  AppendFormatted(text, lines.functions, library.major, library.minor, library.release);
  AppendFormatted(text, lines.driver, driver.major, driver.minor, driver.release);
  AppendFormatted(text, lines.hardware, hardware.major, hardware.minor, hardware.release);
  return text;
}
