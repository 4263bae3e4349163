#pragma once
// The logic of the program input dialog and its four command pages over
// plain page values; the windows only move values in and out. Every store
// fills EditCommand, builds the code text and stores by EditMode.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "program/MotionCommand.h"

// The command list by card model: 12 codes for ORVA (0), 16 otherwise.
std::span<const std::int32_t> CommandListForModel(int ctrler);
// The list entry showing `code`, or 0 when the model's list lacks it.
int CommandListEntry(int ctrler, std::int32_t code);

enum class CommandPage { PtoP, Linear, Home, SwitchOutput };
// The page that makes `code` (point-to-point for a code of no page).
CommandPage PageForCode(std::int32_t code);

// List texts of the pages: axes "X Axis" ... (four, or eight with two
// cards), cards "No.1" ["No.2"], levels, and output ports by model (24
// "No.%d" for ORVA and ORVC, 16 "N0.%d" for ORVB; "%d号输出口" in Chinese).
// Empty lists for a language other than English and Chinese.
std::vector<std::string> AxisListTexts(int cardCount, int language);
std::vector<std::string> CardListTexts(int cardCount, int language);
std::vector<std::string> LevelListTexts(int language);
std::vector<std::string> OutputPortTexts(int ctrler, int language);

// Fields enabled on the point-to-point and linear pages for a motion code.
struct PageFieldsEnabled {
  bool axis[4];
  bool distance[4];
  bool startSpeed[4];  // point-to-point boxes
  bool maxSpeed[4];
  bool acceleration[4];
  bool vectorStart;  // linear page
  bool vectorMax;
  bool vectorAcc;
};
PageFieldsEnabled FieldsEnabled(CommandPage page, std::int32_t code);

// Home page: axis entry 0-7 (axis number entry + 1). The speeds and the
// direction come from the axis's homing settings at this moment.
int StoreHomeCommand(int axisEntry, double delay);

// Switch-output page: card entry 0-1, port entry from 0 (the page selects
// the first port when it is created), level entry 0 low, 1 high.
int StoreSwitchOutputCommand(int cardEntry, int portEntry, int levelEntry, double delay);

struct PtoPCommandValues {
  int axisEntry[4] = {0, 1, 2, 3};  // X, Y, Z, T
  double distance[4] = {10, 10, 10, 10};
  double startSpeed[4] = {20, 20, 20, 20};
  double maxSpeed[4] = {50, 50, 50, 50};
  double acceleration[4] = {20, 20, 20, 20};
  double delay = 0;
  std::int32_t loop = 0;
};

struct LinearCommandValues {
  int axisEntry[4] = {0, 1, 2, 3};
  double distance[4] = {10, 10, 10, 10};
  double vectorStart = 20;
  double vectorMax = 50;
  double vectorAcc = 20;
  double delay = 0;
  std::int32_t loop = 0;
};

// True when `speed` of `axis` (1-8) converts to 2000000 pulses/s or more;
// the unit conversion's SpeedOutOfRange.
using SpeedCheck = bool (*)(int axis, double speed);

// Point-to-point store: speed check per box axis (start-up speeds for a
// constant code, maximum speeds for a fast one; message 1), then distinct
// axes (message 0); then the command, or with loop L the 2 x L commands
// alternating the move and its reverse (none for L <= 0; the loop is
// ignored in modify mode; a series beyond ten million commands is refused
// with "Out of memory."). Returns the number of entries stored.
int StorePtoPCommand(std::int32_t code, const PtoPCommandValues& page, SpeedCheck outOfRange);

// Linear store: distinct axes (message 0), no speed check; vector speeds in
// slot 0 only; repetition as above.
int StoreLinearCommand(std::int32_t code, const LinearCommandValues& page);

struct HomeCommandValues {
  int axisEntry = 0;  // the first axis
  double delay = 0;
};

struct SwitchOutputValues {
  int cardEntry = 0;   // No.1
  int portEntry = 0;   // the first port, so no command goes to port 0
  int levelEntry = 0;  // Low Level
  double delay = 0;
};

// The entry a stored value selects in a list of `entries`: the entry it
// names when the list holds one, else the box's `fallback` entry, so that
// no list comes up blank and no store writes axis or port 0.
int StoredEntry(std::int64_t entry, int entries, int fallback);

// Page values of an entry loaded in modify mode (loop 0). Axes, cards and
// ports count from 1, levels from 0; one the page's list lacks (axis 0 in
// a slot the code does not use, axes 5-8 on a one-card machine, whatever a
// damaged file holds) selects the box's creation default: X, Y, Z, T for
// the four boxes, the first axis, card No.1, the first port, Low Level.
// `axisEntries`, `cardEntries`, `portEntries`: the lengths of the lists.
PtoPCommandValues PtoPValuesOf(const MotionCommand& command, int axisEntries);
LinearCommandValues LinearValuesOf(const MotionCommand& command, int axisEntries);
HomeCommandValues HomeValuesOf(const MotionCommand& command, int axisEntries);
SwitchOutputValues SwitchOutputValuesOf(const MotionCommand& command, int cardEntries, int portEntries);

// At each opening for Add or Insert a page's lists return to their creation
// defaults; the numbers keep what the page holds.
void ResetLists(PtoPCommandValues& page);
void ResetLists(LinearCommandValues& page);
void ResetLists(HomeCommandValues& page);
void ResetLists(SwitchOutputValues& page);
