// Feedback compensation: each slot axis's travel since the run started,
// measured by its encoder, against the travel it was commanded.

#include <climits>
#include <cmath>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"

namespace {

constexpr int kUnitMicrometre = 2;
constexpr int kUnitDegree = 3;

// Judges one axis; false when it needs no correction or cannot be judged.
bool NeedsCorrection(int axis) {
  if (!AxisInTables(axis)) return false;
  const std::size_t i = AxisIndex(axis);
  std::int32_t count = 0;
  CardDriver.get_encoder(axis, &count);
  const double raw = static_cast<double>(count) - static_cast<double>(Compensation.StartEncoder[i].load());

  const int equip = SysParams.Equip[i];
  const int encFreq = SysParams.EncFreq[i];
  // Stages other than linear and rotary, and a zero multiplier, are never
  // corrected.
  if ((equip != 0 && equip != 1) || encFreq == 0) {
    Compensation.CompensationNeeded[i] = false;
    return false;
  }
  const int unit = equip == 1 ? kUnitDegree : kUnitMicrometre;
  const double pe = engine::PulseEquivalentOf(axis);
  const double fe = engine::FeedbackEquivalentOf(axis);
  const double travel = Compensation.CommandedTravel[i].load();
  const double commanded = ToUnits(unit, pe, ToPulses(SysParams.Unit[i], pe, travel));
  const double onePulse = equip == 1 ? pe : pe * 1000.0;
  const double measured = ToUnits(unit, fe, raw / encFreq);

  if (!engine::FeedbackAvailableOf(axis)) {
    Compensation.CompensationNeeded[i] = false;
    return false;
  }
  const double d = std::fabs(measured - commanded);
  Compensation.PositionError[i] = commanded - measured;
  const bool needed = d > std::fabs(SysParams.Error[i]) && d >= onePulse;
  Compensation.CompensationNeeded[i] = needed;
  return needed;
}

}  // namespace

int CheckPositions(const MotionCommand& c) {
  if (SysParams.Ctrler == 0) return 1;
  bool any = false;
  for (int k = 0; k < 4; ++k) {
    if (NeedsCorrection(c.iAxes[k])) any = true;
  }
  return any ? 0 : 1;
}

void CorrectPositions(const MotionCommand& c) {
  for (int k = 0; k < 4; ++k) {
    const int axis = c.iAxes[k];
    if (!AxisInTables(axis)) continue;
    const std::size_t i = AxisIndex(axis);
    if (!Compensation.CompensationNeeded[i]) continue;
    if (CardDriver.check_limit(axis) != 0) continue;
    if (CardDriver.check_done(axis) != 0) continue;
    const int unit = SysParams.Equip[i] == 1 ? kUnitDegree : kUnitMicrometre;
    Compensation.PositionError[i] = ToPulses(unit, engine::PulseEquivalentOf(axis), Compensation.PositionError[i]);
    // Only a move the card took is a correction: one the driver would not
    // send (a distance that is not finite) or the card refused is not.
    if (CardDriver.fast_pmove(axis, Compensation.PositionError[i]) == 0)
      Compensation.CorrectionMoves[i].fetch_add(1, std::memory_order_relaxed);
  }
}

void HoldStep(const MotionCommand& c, int& holdTicks) {
  if (CheckPositions(c) == 1) {
    holdTicks = 0;
    return;
  }
  if (holdTicks < INT_MAX) holdTicks += 1;
  if (holdTicks >= SecondsToTicks(SysParams.CheckTime)) CorrectPositions(c);
}

void IdlePositionHold() {
  const int cards = RunControl.CardCount.load();
  if (cards != 1 && cards != 2) return;
  HoldStep(Compensation.HoldRecord1, Compensation.HoldTicks[0]);
  if (cards == 2) HoldStep(Compensation.HoldRecord2, Compensation.HoldTicks[1]);
}
