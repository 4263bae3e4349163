#include "program/ProgramEditing.h"

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/MotionProgram.h"
#include "program/RunGuard.h"

int EditMode = kEditAdd;

namespace {

// Refuses editing while the program runs.
bool RefusedWhileRunning() {
  if (!ProgramRunning()) return false;
  ShowOperatorMessage(11);
  return true;
}

// The selected row, or -1 when none or when it names no entry.
int SelectedEntry() {
  const int s = Operator().ListSelectedRow();
  if (s < 0 || static_cast<std::size_t>(s) >= MotionProgram.size()) return -1;
  return s;
}

}  // namespace

bool ProgramListRightClick() { return !RefusedWhileRunning(); }

bool ProgramListDoubleClick() {
  if (RefusedWhileRunning()) return false;
  EditMode = kEditModify;
  return true;
}

void ProgramListDeleteKey() {
  if (RefusedWhileRunning()) return;
  DeleteSelectedCommand();
}

bool BeginAddCommand() {
  EditMode = kEditAdd;
  return true;
}

bool BeginInsertCommand() {
  EditMode = kEditInsert;
  return true;
}

bool BeginModifyCommand() {
  if (MotionProgram.empty()) {
    ShowOperatorMessage(6);
    return false;
  }
  EditMode = kEditModify;
  return true;
}

bool LoadSelectedForModify() {
  const int s = SelectedEntry();
  if (s < 0) {
    ShowOperatorMessage(2);
    return false;
  }
  EditCommand = MotionProgram[static_cast<std::size_t>(s)];
  return true;
}

void DeleteSelectedCommand() {
  if (RefusedWhileRunning()) return;
  const int s = SelectedEntry();
  if (s < 0) {
    ShowOperatorMessage(3);
    return;
  }
  MotionProgram.erase(MotionProgram.begin() + s);
  NoteProgramEdited();
  Operator().ListDelete(s);
  Operator().ListSelect(-1);
}

int StoreCommands(const std::vector<MotionCommand>& commands, InsertWithoutSelection rule) {
  if (commands.empty() || RefusedWhileRunning()) return 0;
  OperatorPort& port = Operator();
  const int s = SelectedEntry();
  switch (EditMode) {
    case kEditAdd:
      for (const MotionCommand& c : commands) {
        MotionProgram.push_back(c);
        port.ListAppend(ListingText(c));
      }
      NoteProgramEdited();
      return static_cast<int>(commands.size());
    case kEditInsert: {
      if (s < 0 && rule == InsertWithoutSelection::Refuse) {
        ShowOperatorMessage(4);
        return 0;
      }
      const std::size_t first = s < 0 ? 0 : static_cast<std::size_t>(s) + 1;
      MotionProgram.insert(MotionProgram.begin() + static_cast<long>(first), commands.begin(), commands.end());
      NoteProgramEdited();
      for (std::size_t k = 0; k < commands.size(); ++k) {
        port.ListInsert(static_cast<int>(first + k), ListingText(commands[k]));
      }
      if (s >= 0) port.ListSelect(s);
      return static_cast<int>(commands.size());
    }
    case kEditModify: {
      if (s < 0) {
        ShowOperatorMessage(2);
        return 0;
      }
      MotionProgram[static_cast<std::size_t>(s)] = commands.front();
      NoteProgramEdited();
      port.ListDelete(s);
      port.ListInsert(s, ListingText(commands.front()));
      port.ListSelect(s);
      return 1;
    }
    default:
      return 0;
  }
}

int StoreEditCommand(InsertWithoutSelection rule) { return StoreCommands({EditCommand}, rule); }
