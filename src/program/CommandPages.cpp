#include "program/CommandPages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <iterator>
#include <new>

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/CommandCodes.h"
#include "program/MotionProgram.h"
#include "program/ProgramEditing.h"
#include "settings/SysParams.h"

namespace {

constexpr std::array<std::int32_t, 12> kListOrva = {
    code::kConstPtoP1, code::kConstPtoP2, code::kConstPtoP3, code::kFastPtoP1,
    code::kFastPtoP2,  code::kFastPtoP3,  code::kConstLine2, code::kConstLine3,
    code::kFastLine2,  code::kFastLine3,  code::kHome1,      code::kSwitchOutput};

constexpr std::array<std::int32_t, 16> kListFull = {
    code::kConstPtoP1, code::kConstPtoP2, code::kConstPtoP3, code::kConstPtoP4, code::kFastPtoP1, code::kFastPtoP2,
    code::kFastPtoP3,  code::kFastPtoP4,  code::kConstLine2, code::kConstLine3, code::kConstLine4, code::kFastLine2,
    code::kFastLine3,  code::kFastLine4,  code::kHome1,      code::kSwitchOutput};

constexpr std::string_view kAxisLetters = "XYZTABCD";

// Ten million commands (over a gigabyte) is beyond any program a card runs;
// a larger series is refused before memory is asked for.
constexpr std::int64_t kMaxSeriesCommands = 10'000'000;

// A list entry (from 0) as the number it stands for (from 1); no entry
// (-1) gives 0.
std::int32_t NumberOfEntry(int entry) { return entry >= 0 && entry < INT32_MAX ? entry + 1 : 0; }

// The list entry a stored number from 1 selects.
int EntryOfNumber(std::int32_t number, int entries, int fallback) {
  return StoredEntry(static_cast<std::int64_t>(number) - 1, entries, fallback);
}

constexpr int kLevelEntries = 2;

bool ValidLanguage(int language) { return language == kLangEnglish || language == kLangChinese; }

std::size_t AxisCountOf(const CommandCodeInfo* info) {
  return info == nullptr ? 0 : static_cast<std::size_t>(info->axes);
}

// Message 0 when two of the first n axes are equal.
bool SameAxisTwice(const int (&axisEntry)[4], std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (axisEntry[i] == axisEntry[j]) return true;
    }
  }
  return false;
}

// The single command, or the series of 2 x loop alternating commands built
// from `make` with the distances as entered and negated.
template <typename Make>
int StoreSeries(std::int32_t loop, Make&& make) {
  if (loop == 0 || EditMode == kEditModify) {
    make(1.0);
    return StoreEditCommand(InsertWithoutSelection::AtTop);
  }
  const std::int64_t count = 2 * static_cast<std::int64_t>(loop);
  if (count <= 0) return 0;
  // The whole series is built before the program changes, so a loop count
  // too large for memory stores nothing and loses nothing.
  std::vector<MotionCommand> series;
  try {
    if (count > kMaxSeriesCommands) throw std::bad_alloc();
    series.reserve(static_cast<std::size_t>(count));
  } catch (const std::exception&) {
    const std::string_view text = PickText(CurrentLanguage(), "Out of memory.", "内存不足。");
    Operator().MessageBox(text.empty() ? "Out of memory." : text, kAppTitle, BoxButtons::Ok, BoxIcon::Exclamation);
    return 0;
  }
  double sign = 1.0;
  for (std::int64_t k = 0; k < count; ++k) {
    make(sign);
    series.push_back(EditCommand);
    sign = -sign;
  }
  return StoreCommands(series, InsertWithoutSelection::AtTop);
}

}  // namespace

std::span<const std::int32_t> CommandListForModel(int ctrler) {
  if (ctrler == 0) return kListOrva;
  return kListFull;
}

int CommandListEntry(int ctrler, std::int32_t value) {
  const auto list = CommandListForModel(ctrler);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == value) return static_cast<int>(i);
  }
  return 0;
}

CommandPage PageForCode(std::int32_t value) {
  const CommandCodeInfo* info = FindProgramCode(value);
  if (info == nullptr) return CommandPage::PtoP;
  switch (info->kind) {
    case CommandKind::Linear: return CommandPage::Linear;
    case CommandKind::Home: return CommandPage::Home;
    case CommandKind::SwitchOutput: return CommandPage::SwitchOutput;
    case CommandKind::PtoP: break;
  }
  return CommandPage::PtoP;
}

std::vector<std::string> AxisListTexts(int cardCount, int language) {
  std::vector<std::string> texts;
  if (!ValidLanguage(language)) return texts;
  const std::size_t n = cardCount >= 2 ? 8 : 4;
  for (std::size_t i = 0; i < n; ++i) {
    texts.push_back(std::string(1, kAxisLetters[i]) + (language == kLangEnglish ? " Axis" : "轴"));
  }
  return texts;
}

std::vector<std::string> CardListTexts(int cardCount, int language) {
  std::vector<std::string> texts;
  if (!ValidLanguage(language)) return texts;
  const int n = cardCount >= 2 ? 2 : 1;
  for (int i = 1; i <= n; ++i) {
    texts.push_back(language == kLangEnglish ? "No." + std::to_string(i) : std::to_string(i) + "号卡");
  }
  return texts;
}

std::vector<std::string> LevelListTexts(int language) {
  if (!ValidLanguage(language)) return {};
  if (language == kLangEnglish) return {"Low Level", "High Level"};
  return {"低电平", "高电平"};
}

std::vector<std::string> OutputPortTexts(int ctrler, int language) {
  std::vector<std::string> texts;
  if (!ValidLanguage(language)) return texts;
  const int n = ctrler == 1 ? 16 : 24;
  const std::string english = ctrler == 1 ? "N0." : "No.";
  for (int i = 1; i <= n; ++i) {
    texts.push_back(language == kLangEnglish ? english + std::to_string(i) : std::to_string(i) + "号输出口");
  }
  return texts;
}

PageFieldsEnabled FieldsEnabled(CommandPage page, std::int32_t value) {
  PageFieldsEnabled f{};
  const CommandCodeInfo* info = FindProgramCode(value);
  const bool fits = info != nullptr && ((page == CommandPage::PtoP && info->kind == CommandKind::PtoP) ||
                                        (page == CommandPage::Linear && info->kind == CommandKind::Linear));
  const std::size_t n = fits ? AxisCountOf(info) : 0;
  const bool fast = fits && info->fast;
  for (std::size_t i = 0; i < 4; ++i) {
    const bool used = i < n;
    f.axis[i] = used;
    f.distance[i] = used;
    if (page == CommandPage::PtoP) {
      f.startSpeed[i] = used;
      f.maxSpeed[i] = used && fast;
      f.acceleration[i] = used && fast;
    }
  }
  // Box 1 is always open for entry, and so is the first speed of the page.
  f.axis[0] = f.distance[0] = true;
  if (page == CommandPage::PtoP) f.startSpeed[0] = true;
  if (page == CommandPage::Linear) {
    f.vectorStart = true;
    f.vectorMax = f.vectorAcc = fast;
  }
  return f;
}

int StoreHomeCommand(int axisEntry, double delay) {
  if (axisEntry < 0 || axisEntry >= kAxisEntries) return 0;
  const auto a = static_cast<std::size_t>(axisEntry);
  MotionCommand& c = EditCommand;
  c.iCodeType = code::kHome1;
  c.iAxes[0] = NumberOfEntry(axisEntry);
  c.dbDis[0] = static_cast<double>(SysParams.Dir[a]);
  c.dbLowSpd[0] = SysParams.LowSpd[a];
  c.dbHighSpd[0] = SysParams.HighSpd[a];
  c.dbAccSpd[0] = SysParams.AccSpd[a];
  c.dbDelayTime = delay;
  return StoreEditCommand(InsertWithoutSelection::Refuse);
}

int StoreSwitchOutputCommand(int cardEntry, int portEntry, int levelEntry, double delay) {
  MotionCommand& c = EditCommand;
  c.iAxes[0] = NumberOfEntry(cardEntry);
  c.iAxes[1] = NumberOfEntry(portEntry);
  c.iAxes[2] = levelEntry;
  c.dbDelayTime = delay;
  c.iCodeType = code::kSwitchOutput;
  return StoreEditCommand(InsertWithoutSelection::Refuse);
}

int StorePtoPCommand(std::int32_t value, const PtoPCommandValues& page, SpeedCheck outOfRange) {
  const CommandCodeInfo* info = FindProgramCode(value);
  if (info == nullptr || info->kind != CommandKind::PtoP) return 0;
  const std::size_t n = AxisCountOf(info);
  for (std::size_t i = 0; i < n; ++i) {
    const double speed = info->fast ? page.maxSpeed[i] : page.startSpeed[i];
    if (outOfRange != nullptr && outOfRange(NumberOfEntry(page.axisEntry[i]), speed)) {
      ShowOperatorMessage(1);
      return 0;
    }
  }
  if (n >= 2 && SameAxisTwice(page.axisEntry, n)) {
    ShowOperatorMessage(0);
    return 0;
  }
  return StoreSeries(page.loop, [&](double sign) {
    MotionCommand& c = EditCommand;
    c.iCodeType = value;
    for (std::size_t i = 0; i < n; ++i) {
      c.iAxes[i] = NumberOfEntry(page.axisEntry[i]);
      c.dbDis[i] = sign * page.distance[i];
      c.dbLowSpd[i] = page.startSpeed[i];
      if (info->fast) {
        c.dbHighSpd[i] = page.maxSpeed[i];
        c.dbAccSpd[i] = page.acceleration[i];
      }
    }
    c.dbDelayTime = page.delay;
  });
}

int StoreLinearCommand(std::int32_t value, const LinearCommandValues& page) {
  const CommandCodeInfo* info = FindProgramCode(value);
  if (info == nullptr || info->kind != CommandKind::Linear) return 0;
  const std::size_t n = AxisCountOf(info);
  if (SameAxisTwice(page.axisEntry, n)) {
    ShowOperatorMessage(0);
    return 0;
  }
  return StoreSeries(page.loop, [&](double sign) {
    MotionCommand& c = EditCommand;
    c.iCodeType = value;
    for (std::size_t i = 0; i < n; ++i) {
      c.iAxes[i] = NumberOfEntry(page.axisEntry[i]);
      c.dbDis[i] = sign * page.distance[i];
    }
    c.dbLowSpd[0] = page.vectorStart;
    if (info->fast) {
      c.dbHighSpd[0] = page.vectorMax;
      c.dbAccSpd[0] = page.vectorAcc;
    }
    c.dbDelayTime = page.delay;
  });
}

int StoredEntry(std::int64_t entry, int entries, int fallback) {
  return entry >= 0 && entry < entries ? static_cast<int>(entry) : fallback;
}

PtoPCommandValues PtoPValuesOf(const MotionCommand& c, int axisEntries) {
  PtoPCommandValues v;
  for (std::size_t i = 0; i < 4; ++i) {
    v.axisEntry[i] = EntryOfNumber(c.iAxes[i], axisEntries, v.axisEntry[i]);
    v.distance[i] = c.dbDis[i];
    v.startSpeed[i] = c.dbLowSpd[i];
    v.maxSpeed[i] = c.dbHighSpd[i];
    v.acceleration[i] = c.dbAccSpd[i];
  }
  v.delay = c.dbDelayTime;
  v.loop = 0;
  return v;
}

LinearCommandValues LinearValuesOf(const MotionCommand& c, int axisEntries) {
  LinearCommandValues v;
  for (std::size_t i = 0; i < 4; ++i) {
    v.axisEntry[i] = EntryOfNumber(c.iAxes[i], axisEntries, v.axisEntry[i]);
    v.distance[i] = c.dbDis[i];
  }
  v.vectorStart = c.dbLowSpd[0];
  v.vectorMax = c.dbHighSpd[0];
  v.vectorAcc = c.dbAccSpd[0];
  v.delay = c.dbDelayTime;
  v.loop = 0;
  return v;
}

HomeCommandValues HomeValuesOf(const MotionCommand& c, int axisEntries) {
  HomeCommandValues v;
  v.axisEntry = EntryOfNumber(c.iAxes[0], axisEntries, v.axisEntry);
  v.delay = c.dbDelayTime;
  return v;
}

SwitchOutputValues SwitchOutputValuesOf(const MotionCommand& c, int cardEntries, int portEntries) {
  SwitchOutputValues v;
  v.cardEntry = EntryOfNumber(c.iAxes[0], cardEntries, v.cardEntry);
  v.portEntry = EntryOfNumber(c.iAxes[1], portEntries, v.portEntry);
  v.levelEntry = StoredEntry(c.iAxes[2], kLevelEntries, v.levelEntry);
  v.delay = c.dbDelayTime;
  return v;
}

void ResetLists(PtoPCommandValues& page) {
  const PtoPCommandValues created;
  std::copy(std::begin(created.axisEntry), std::end(created.axisEntry), std::begin(page.axisEntry));
}

void ResetLists(LinearCommandValues& page) {
  const LinearCommandValues created;
  std::copy(std::begin(created.axisEntry), std::end(created.axisEntry), std::begin(page.axisEntry));
}

void ResetLists(HomeCommandValues& page) { page.axisEntry = HomeCommandValues{}.axisEntry; }

void ResetLists(SwitchOutputValues& page) {
  const SwitchOutputValues created;
  page.cardEntry = created.cardEntry;
  page.portEntry = created.portEntry;
  page.levelEntry = created.levelEntry;
}
