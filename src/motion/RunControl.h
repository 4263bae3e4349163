#pragma once
// The control panel's run button and the prepare steps of the three
// direct-motion pages, over the plain values the windows hold. The windows
// exchange their fields into these records and call the functions; nothing
// here knows a widget.

#include <string>

#include "motion/PlotGeometry.h"

// The point-to-point page: speed mode 0 constant, 1 high velocity; motion
// mode 0 point-to-point, 1 continuous; 1-4 axes; the four columns.
struct PtoPTabValues {
  int speedMode = 0;
  int motionMode = 0;
  int axisCount = 1;
  int axis[4] = {1, 2, 3, 4};
  double distance[4] = {20, 20, 20, 20};
  double startSpeed[4] = {5, 5, 5, 5};
  double maxSpeed[4] = {20, 20, 20, 20};
  double acceleration[4] = {10, 10, 10, 10};
};

// The linear-interpolation page: 2-4 axes with one vector speed.
struct LinearTabValues {
  int speedMode = 0;
  int axisCount = 2;
  double vectorStart = 0.0;
  double vectorMax = 0.0;
  double vectorAcc = 0.0;
  int axis[4] = {1, 2, 3, 4};
  double distance[4] = {0, 0, 0, 0};
};

// The circular-interpolation page: two axes, a centre, an angle and an
// ellipse ratio.
struct CircularTabValues {
  int speedMode = 0;
  double vectorStart = 0.0;
  double vectorMax = 0.0;
  double vectorAcc = 0.0;
  int axis[2] = {1, 2};
  double centre[2] = {0, 0};
  double angle = 0.0;
  double ellipseRatio = 0.0;
};

// Each returns 1 when the run may start (the page's run record written and
// the parameters saved) and 0 after showing operator message 0 (same axis
// twice) or 1 (speed out of range).
int PreparePtoPRun(const PtoPTabValues& page);
int PrepareLinearRun(const LinearTabValues& page);
int PrepareCircularRun(const CircularTabValues& page);

// What the run button needs from the windows: the panel it runs (ActivePanel,
// read once when the button is pressed, so a repaint during a prompt cannot
// change it), the loop count of the live status bar, the frame of its plot,
// and the values of that panel's page (only the one `panel` names is used).
struct StartRequest {
  int panel = 0;  // ActivePanel: 0 program, 1 PtoP, 2 linear, 3 circular
  int loopCount = 1;
  int firstRow = 0;  // the row (0-based) a program run's first pass begins at
  PlotRect plotFrame{};
  PtoPTabValues ptop{};
  LinearTabValues linear{};
  CircularTabValues circular{};
};

// The run button. Returns 1 when a run was started (its busy flag set), or
// when a program run paused by single block goes on (with the program
// panel shown; on another panel Start is refused as during the run).
// The program panel's run is refused, before any card call, when a row
// names an axis the machine does not have: a box names the first such row.
int StartButton(const StartRequest& request);

// The listing's Run From Here: a program run whose first pass begins at
// request.firstRow (later passes at row 0), prepared as Start prepares one.
// Message 11 while any motion runs, message 2 without a row; 1 when the run
// was started.
int RunFromRowButton(const StartRequest& request);

// The row (1-based) a single-block pause holds the program run before; 0
// when no run waits.
int ProgramPausedBeforeRow();

// The status bar's text for a run paused before `row` (1-based): English,
// or Chinese for LangVer 1.
std::string PausedRunText(int row, int language);
