// Quitting stops the axes: a program that ends leaves nothing running
// unattended on a card.

#include <algorithm>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"

namespace {

std::vector<std::string_view> BusyRuns() {
  struct Flag {
    const std::atomic<bool>& busy;
    std::string_view name;
  };
  const Flag flags[] = {{RunControl.BusyProgram, "program run"}, {RunControl.BusyPtoP, "point-to-point run"},
                        {RunControl.BusyLinear, "linear run"},   {RunControl.BusyCircular, "circular run"},
                        {RunControl.BusyHome, "home search"},    {RunControl.BusyJog, "jog"}};
  std::vector<std::string_view> runs;
  for (const Flag& flag : flags) {
    if (flag.busy.load()) runs.push_back(flag.name);
  }
  return runs;
}

// The installed axes that report motion; any answer but 0 counts, so an
// axis whose state is unknown is stopped too.
std::vector<int> MovingAxes() {
  std::vector<int> moving;
  const int axes = StopAxisCount();
  for (int axis = 1; axis <= axes; ++axis) {
    if (CardDriver.check_done(axis) != 0) moving.push_back(axis);
  }
  return moving;
}

void Note(std::vector<int>& seen, const std::vector<int>& moving) {
  for (const int axis : moving) {
    if (std::find(seen.begin(), seen.end(), axis) == seen.end()) seen.push_back(axis);
  }
  std::sort(seen.begin(), seen.end());
}

}  // namespace

QuitStopReport StopMotionForQuit(const std::function<double()>& pause) {
  QuitStopReport report;
  report.runs = BusyRuns();
  std::vector<int> moving = MovingAxes();
  if (report.runs.empty() && moving.empty()) return report;

  Note(report.moving, moving);
  DStop();
  moving = MovingAxes();
  while (!moving.empty() && report.waited < kQuitStopSeconds) {
    const double passed = pause ? pause() : -1.0;
    if (!(passed >= 0.0)) break;
    report.waited += passed;
    moving = MovingAxes();
    Note(report.moving, moving);
  }
  if (!moving.empty()) {
    SStop();
    report.stoppedAtOnce = moving;
  }
  return report;
}
