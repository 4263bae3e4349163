#include "motion/EngineJournal.h"

#include <unistd.h>

#include "card/CardLibs.h"
#include "motion/EngineState.h"
#include "operator/Journal.h"

namespace {

std::string_view PanelName(int panel) {
  switch (panel) {
    case panel::kProgram:
      return "program";
    case panel::kPtoP:
      return "ptop";
    case panel::kLinear:
      return "linear";
    case panel::kCircular:
      return "circular";
    default:
      return "none";
  }
}

std::string_view ModelName(int ctrler) {
  const std::string_view name = card::ModelBaseName(ctrler);
  return name.empty() ? "none" : name;
}

}  // namespace

void JournalStart(int panel, int loops) {
  if (panel == panel::kProgram) {
    journal::Record(journal::kind::kMotion, {{"command", "start"}, {"panel", PanelName(panel)}, {"loops", loops}});
  } else {
    journal::Record(journal::kind::kMotion, {{"command", "start"}, {"panel", PanelName(panel)}});
  }
}

void JournalRunFromRow(int row, int loops) {
  journal::Record(journal::kind::kMotion, {{"command", "run-from-here"}, {"row", row}, {"loops", loops}});
}

void JournalJog(int axis, int direction) {
  journal::Record(journal::kind::kMotion, {{"command", "jog"}, {"axis", axis}, {"direction", direction}});
}

void JournalHome(int axis) { journal::Record(journal::kind::kMotion, {{"command", "home"}, {"axis", axis}}); }

void JournalHomeAll(int card) { journal::Record(journal::kind::kMotion, {{"command", "home-all"}, {"card", card}}); }

void JournalCommand(std::string_view command) { journal::Record(journal::kind::kMotion, {{"command", command}}); }

void JournalRunEnd(int end, int message) {
  switch (end) {
    case run_end::kNormal:
      journal::Record(journal::kind::kRunEnd, {{"result", "normal"}});
      break;
    case run_end::kMessage:
      journal::Record(journal::kind::kRunEnd, {{"result", "message"}, {"message", message}});
      break;
    case run_end::kStopped:
      journal::Record(journal::kind::kRunEnd, {{"result", "stopped"}});
      break;
    default:
      break;
  }
}

void JournalCards(int ctrler, int axes, int cards) {
  journal::Record(journal::kind::kCards, {{"model", ModelName(ctrler)}, {"axes", axes}, {"cards", cards}});
}

void JournalSessionStart(std::string_view program) {
  journal::Record(journal::kind::kSession, {{"event", "start"}, {"program", program}, {"pid", getpid()}});
}

void JournalQuit(int exitCode) { journal::Record(journal::kind::kSession, {{"event", "quit"}, {"exit", exitCode}}); }
