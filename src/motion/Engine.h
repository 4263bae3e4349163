#pragma once
// The motion engine's steps: card initialisation, the 5 ms status tick,
// the jog and the stops, homing, execution of commands, program and page
// runs, and the feedback checks. Free functions over the records of
// EngineState.h; a step returns 1 when its run has ended, else 0.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "motion/EngineState.h"
#include "program/MotionCommand.h"
#include "program/RunGuard.h"

// --- start-up -------------------------------------------------------------

// Copies Ctrler into the driver, finds axes and cards, reports the result to
// the operator, stores AxisCount and CardCount.
void InitCards();
// What the start-up dialog's Finished button does after it closes:
// InitCards, ComputeEquivalents, ApplyAxisSettings, SaveSysParams.
void CompleteCardSetup();
// The whole sequence for a front end without the start-up dialog: load the
// parameters, then CompleteCardSetup.
void RunStartUpSequence();

// --- the status timer -----------------------------------------------------

void StartStatusTimer();
void StopStatusTimer(std::uint32_t timerId);
// Stops the timer, empties the motion program and the plot's segment list,
// asks the front end to quit with `exitCode` (0 for the operator's quit).
void QuitApplication(int exitCode = 0);
// The timer's callback; the arguments are not used.
void StatusTick(std::uint32_t id, std::uint32_t msg, std::uintptr_t user, std::uintptr_t dw1, std::uintptr_t dw2);
inline void StatusTick() { StatusTick(0, 0, 0, 0, 0); }

// Shows a box from the tick and holds the tick until it is answered. While
// StopStatusTimer runs, a pending box stops holding the tick (and new ones
// are not shown), so stopping or quitting never waits for an answer.
int ShowTickMessageText(const std::string& text);
int ShowTickMessage(int number);  // one of the numbered operator messages
// Boxes asked for from the tick whose answer has not come back yet.
int PendingTickMessages();
// Joins the courier threads of boxes whose tick was released by
// StopStatusTimer. Called at exit once the timer is stopped and the front
// end has answered or released its boxes, before the operator port the
// couriers use goes away; it waits for any box still standing.
void JoinTickCouriers();

// The busy test of the motion buttons (Start, jog, home, Clear): a busy
// flag is set, or a box the running program raised still waits for its
// answer. The step that raised such a box has cleared its run's flag and
// clears it again once the box is answered, so a run started meanwhile
// would be lost.
bool MotionButtonsHeld();

// --- manual motion --------------------------------------------------------

// The eight jog buttons: buttonAxis 1-4 (X, Y, Z, T), direction -1 or +1,
// cardSelection the card list's entry (1 moves axes 5-8).
void JogButton(int buttonAxis, int direction, int cardSelection);
int JogStep(int axis, int direction);
void PumpOneMessage();
void DStop();  // decelerating stop
void SStop();  // immediate stop

// --- quitting -------------------------------------------------------------

// How long quitting lets the axes brake before it stops them at once.
inline constexpr double kQuitStopSeconds = 3.0;

// What quitting found running and how it stopped it.
struct QuitStopReport {
  std::vector<std::string_view> runs;  // busy runs: "program run", "jog"...
  std::vector<int> moving;             // axes that reported motion, ascending
  std::vector<int> stoppedAtOnce;      // of those, still moving when the wait ended
  double waited = 0.0;                 // seconds the braking took, or waited
  bool StoppedAnything() const { return !runs.empty() || !moving.empty(); }
};

// Leaves nothing moving before the program ends. When a busy flag is set
// or an installed axis reports motion (check_done): D Stop, then poll the
// installed axes, calling `pause` between polls, until all are idle or
// kQuitStopSeconds have passed; axes still moving then get S Stop.
// `pause` lets a little time pass (the windows paint meanwhile, the runner
// may advance the simulated clock) and returns the seconds that passed; a
// negative result ends the wait at once. Otherwise nothing is sent.
QuitStopReport StopMotionForQuit(const std::function<double()>& pause);

// --- homing ---------------------------------------------------------------

int RunHomingStep(const MotionCommand& command);
int HomingRunStep();  // the control panel's homing run on HomeRecord

// --- execution ------------------------------------------------------------

void ExecuteCommand(const MotionCommand& command);
int ProgramStep();
int PageRunStep(Page page);
int AnyAxisMoving();
int LimitInMotionDirection(const MotionCommand& command);

// --- feedback compensation --------------------------------------------------

int CheckPositions(const MotionCommand& command);
void CorrectPositions(const MotionCommand& command);
// The idle position hold of one record with its counter.
void HoldStep(const MotionCommand& command, int& holdTicks);
void IdlePositionHold();

// --- run control ----------------------------------------------------------

// AnyMotionBusy(): any of the six busy flags, checked in the order
// BusyCircular, BusyLinear, BusyPtoP, BusyProgram, BusyHome, BusyJog.
// The home buttons: buttonAxis 1-4 of the selected card.
void HomeAxisButton(int buttonAxis, int cardSelection);
void HomeAllButton(int cardSelection);
void ClearButton();
