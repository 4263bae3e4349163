#pragma once
// Operator units and card pulses: the per-axis conversion factors, the two
// conversions, the speed range check, interpolation vector speeds, the axis
// settings written to the cards, and the unit texts shown next to values.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

#include "program/GcodeImport.h"
#include "program/MotionCommand.h"

inline constexpr int kEquivalentEntries = 16;  // index axis number - 1

// Unit codes of SysParams.Unit.
namespace unit {
inline constexpr int kPulse = 0;
inline constexpr int kMillimetre = 1;
inline constexpr int kMicrometre = 2;
inline constexpr int kDegree = 3;
}  // namespace unit

// A value one thread may store while another reads it; reads and writes
// look like those of a plain T (each value stands alone: relaxed order).
template <typename T>
class SharedValue {
 public:
  SharedValue() = default;
  SharedValue(const SharedValue&) = delete;
  SharedValue& operator=(const SharedValue&) = delete;
  operator T() const { return value_.load(std::memory_order_relaxed); }
  T operator=(T v) {
    value_.store(v, std::memory_order_relaxed);
    return v;
  }
  T load() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<T> value_{};
};

// The derived per-axis factors, zero at program start. The tick reads them
// while a setup dialog may recompute them.
struct EquivalentsRecord {
  // Operator units (mm or degrees) per command pulse.
  std::array<SharedValue<double>, kEquivalentEntries> PulseEquivalent{};
  // Operator units per encoder count divided by EncFreq.
  std::array<SharedValue<double>, kEquivalentEntries> FeedbackEquivalent{};
  // 1 when the axis has encoder feedback the position checks may use.
  std::array<SharedValue<int>, kEquivalentEntries> FeedbackAvailable{};

  void Reset();
};
extern EquivalentsRecord Equivalents;

// Units 1 and 3: value / equivalent; unit 2: value / equivalent * 0.001;
// unit 0 and any other: unchanged. No allocation, safe on the tick.
double ToPulses(int unitCode, double equivalent, double value);
// Units 1 and 3: pulses * equivalent; unit 2: * 1000 as well; else unchanged.
double ToUnits(int unitCode, double equivalent, double pulses);

// What the live values show for `axis` (1-16) in its operator units (its
// Unit): the command position and the speed with the pulse equivalent; the
// feedback from the encoder count divided by EncFreq (0 taken as 1) with
// the feedback equivalent, and 0 for a count of 0 whatever the unit. An axis
// outside the tables shows pulses and counts unchanged.
double LiveCommandUnits(int axis, double pulses);
double LiveSpeedUnits(int axis, double pulsesPerSecond);
double LiveFeedbackUnits(int axis, std::int32_t counts);

// True when `speed` of `axis` (1-16) converts with the axis's Unit and
// PulseEquivalent to 2000000 pulses/s or more; NaN is in range. An axis
// outside the tables is checked as pulses.
bool SpeedOutOfRange(int axis, double speed);
inline constexpr double kMaxPulseRate = 2000000.0;

// Number of cards found by card initialisation. Defined by the engine from
// its run-control record.
int InstalledCardCount();

// Sets the encoder mode of the installed axes (1-4 for one card, 1-8 for
// two, none otherwise) and fills the three tables from the mechanics; forces
// Input to 0 on ORVA, which has no encoder inputs.
void ComputeEquivalents(int cardCount);
inline void ComputeEquivalents() { ComputeEquivalents(InstalledCardCount()); }

// Writes the seven signal settings of each axis (1-4 for one card, 1-8
// otherwise) in a fixed order; results are ignored.
void ApplyAxisSettings(int cardCount);
inline void ApplyAxisSettings() { ApplyAxisSettings(InstalledCardCount()); }

// The unit and pulse equivalent of every axis, as plain values: what a
// conversion needs away from the settings (on another thread, say).
struct AxisConversions {
  std::array<std::int32_t, kEquivalentEntries> unit{};
  std::array<double, kEquivalentEntries> equivalent{};
  // The settings' units and the current equivalents.
  static AxisConversions Current();
  // `value` of `axis` in pulses; an axis outside the tables unchanged.
  double ToPulses(int axis, double value) const;
};

// The vector speed of an interpolation command (pulses per second): its
// path speeds (slot 0) split over the axes by their distances. Constant
// codes have `start` only; fast ones start-up, maximum and acceleration.
// Nothing for other codes, a path of zero length, or a speed that does not
// convert to a finite number.
struct VectorSpeeds {
  bool fast = false;
  double start = 0.0;
  double maximum = 0.0;
  double acceleration = 0.0;
};
std::optional<VectorSpeeds> VectorSpeedsOf(const MotionCommand& command, const AxisConversions& conversions);

// Sends VectorSpeedsOf(command) with the current conversions:
// set_vector_conspeed for the constant codes, set_vector_profile for the
// fast ones; nothing when there is none, so the card never gets NaN or
// infinity.
void SetVectorSpeed(const MotionCommand& command);

// Unit texts (UTF-8): "P", "mm", "μm", "°"; speeds add "/s". Empty for a
// code outside 0-3.
std::string_view UnitLengthText(int unitCode);
std::string_view UnitSpeedText(int unitCode);

// What the two dialog bars show for a card's four axes: names 1314-1317,
// speed captions 1165+k, position captions 1169+k and 1173+k. An axis whose
// Unit is outside 0-3 has no texts (its captions stay as they are).
struct UnitLabels {
  std::array<std::string_view, 4> axisName;
  std::array<std::optional<std::string_view>, 4> speedText;
  std::array<std::optional<std::string_view>, 4> lengthText;
};
// Card 1 (X, Y, Z, T; axes 1-4) or 2 (A, B, C, D; axes 5-8); nullopt for
// any other card, which changes nothing.
std::optional<UnitLabels> UnitLabelsForCard(int card);

// X, Y and Z of a G-code import: Unit and PulseEquivalent of axes 1-3.
GcodeAxes GcodeImportAxes();
