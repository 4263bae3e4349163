#pragma once
// What the direct-motion pages show of their stored run records and which
// of their fields are open, over the plain page values of RunControl.h.
// The pages only move these values into their controls.

#include <cstdint>
#include <optional>

#include "motion/RunControl.h"
#include "program/MotionCommand.h"

// The modes a point-to-point page code stands for (the sixteen codes of
// 1-4 axes, constant or high velocity, point-to-point or continuous).
struct PtoPModes {
  int speedMode;   // 0 constant, 1 high velocity
  int motionMode;  // 0 point-to-point, 1 continuous
  int axisCount;   // 1-4
};
std::optional<PtoPModes> PtoPModesOfCode(std::int32_t code);

// The modes of a linear page code (2-4 axes, constant or high velocity).
struct LinearModes {
  int speedMode;
  int axisCount;  // 2-4
};
std::optional<LinearModes> LinearModesOfCode(std::int32_t code);

// 73 constant (0), 74 fast (1).
std::optional<int> CircularSpeedModeOfCode(std::int32_t code);

// A stored run record into the page's values: the axes and every number of
// the record; the modes only when the code is one of the page's (true). A
// code of no page keeps the page's modes (false), and the page checks none
// of its mode radios.
bool ShowPtoPRecord(const MotionCommand& record, PtoPTabValues& page);
bool ShowLinearRecord(const MotionCommand& record, LinearTabValues& page);
bool ShowCircularRecord(const MotionCommand& record, CircularTabValues& page);

// Fields open on the point-to-point page: column 1's axis, distance and
// start-up speed always; the other columns' up to the axis count; maximum
// speed and acceleration up to the count in high velocity only. A count
// outside 1-4 leaves only column 1's three open.
struct PtoPTabEnables {
  bool axis[4];
  bool distance[4];
  bool startSpeed[4];
  bool maxSpeed[4];
  bool acceleration[4];
};
PtoPTabEnables PtoPTabFieldsEnabled(const PtoPTabValues& page);

// Fields open on the linear page. A count other than 2 or 3 becomes 4
// first, in the page's values too.
struct LinearTabEnables {
  bool axis[4];
  bool distance[4];
  bool vectorStart;
  bool vectorMax;
  bool vectorAcc;
};
LinearTabEnables LinearTabFieldsEnabled(LinearTabValues& page);

// The circular page's maximum speed and acceleration: closed in constant
// mode, open in fast mode; any other mode changes nothing.
std::optional<bool> CircularProfileEnabled(int speedMode);
