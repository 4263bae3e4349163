#include "program/MotionProgram.h"

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/CommandCodes.h"
#include "settings/NumberText.h"

std::vector<MotionCommand> MotionProgram;
MotionCommand EditCommand = DefaultEditCommand();

namespace {
// Both belong to the user-interface thread: the tick never edits the program.
struct ProgramChanges {
  bool changed = false;
  std::uint64_t revision = 0;
};
ProgramChanges programChanges;
}  // namespace

bool ProgramChanged() { return programChanges.changed; }
std::uint64_t ProgramRevision() { return programChanges.revision; }

void NoteProgramEdited() {
  programChanges.changed = true;
  ++programChanges.revision;
}

void NoteProgramReplaced() {
  programChanges.changed = false;
  ++programChanges.revision;
}

void NoteProgramSaved() { programChanges.changed = false; }

MotionCommand DefaultEditCommand() {
  MotionCommand c{};
  c.iCodeType = code::kConstPtoP1;
  for (std::size_t i = 0; i < 4; ++i) {
    c.iAxes[i] = static_cast<std::int32_t>(i + 1);
    c.dbDis[i] = 50.0;
    c.dbLowSpd[i] = 20.0;
    c.dbHighSpd[i] = 50.0;
    c.dbAccSpd[i] = 20.0;
  }
  return c;
}

void ResetEditCommand() { EditCommand = DefaultEditCommand(); }

std::string_view AxisLetter(std::int32_t axis) {
  static constexpr std::string_view kLetters[] = {"X", "Y", "Z", "T", "A", "B", "C", "D"};
  if (axis < 1 || axis > 8) return {};
  return kLetters[axis - 1];
}

std::string FormatCodeText(const MotionCommand& c) {
  const CommandCodeInfo* info = FindProgramCode(c.iCodeType);
  if (info == nullptr) return {};
  std::string text;
  const auto n = static_cast<std::size_t>(info->axes);
  switch (info->kind) {
    case CommandKind::PtoP:
      text = "G00";
      for (std::size_t i = 0; i < n; ++i) {
        text.append(" ").append(AxisLetter(c.iAxes[i]));
        numtext::AppendFixed(text, c.dbDis[i], 2);
      }
      for (std::size_t i = 0; i < n; ++i) {
        text.append(" F").append(AxisLetter(c.iAxes[i]));
        numtext::AppendFixed(text, info->fast ? c.dbHighSpd[i] : c.dbLowSpd[i], 2);
      }
      break;
    case CommandKind::Linear:
      text = "G01";
      for (std::size_t i = 0; i < n; ++i) {
        text.append(" ").append(AxisLetter(c.iAxes[i]));
        numtext::AppendFixed(text, c.dbDis[i], 2);
      }
      text.append(" F");
      numtext::AppendFixed(text, info->fast ? c.dbHighSpd[0] : c.dbLowSpd[0], 2);
      break;
    case CommandKind::Home:
      text.append("G29 ").append(AxisLetter(c.iAxes[0])).append("00");
      break;
    case CommandKind::SwitchOutput:
      text = "M09 C";
      numtext::AppendInt(text, c.iAxes[0]);
      text.append(" P");
      numtext::AppendInt(text, c.iAxes[1]);
      text.append(" S");
      numtext::AppendInt(text, c.iAxes[2]);
      break;
  }
  text.append(" M");
  numtext::AppendFixed(text, c.dbDelayTime, 2);
  return text;
}

std::string ListingText(const MotionCommand& command) {
  std::string text = FormatCodeText(command);
  if (!text.empty()) return text;
  const std::string_view label = CurrentLanguage() == kLangChinese ? "未知指令 " : "Unknown command ";
  text.assign(label);
  numtext::AppendInt(text, command.iCodeType);
  return text;
}

void AppendCodeLine(std::int32_t code) {
  MotionCommand command = EditCommand;
  command.iCodeType = code;
  Operator().ListAppend(ListingText(command));
}

std::ptrdiff_t FirstEntryWithMissingAxis(const std::vector<MotionCommand>& program, int axisCount) {
  for (std::size_t row = 0; row < program.size(); ++row) {
    const MotionCommand& c = program[row];
    const CommandCodeInfo* info = FindProgramCode(c.iCodeType);
    const int slots = info == nullptr || info->kind == CommandKind::SwitchOutput ? 0 : info->axes;
    for (int k = 0; k < slots; ++k) {
      if (c.iAxes[k] < 1 || c.iAxes[k] > axisCount) return static_cast<std::ptrdiff_t>(row);
    }
  }
  return -1;
}
