#pragma once
// The scope's rules over plain values: the choices it keeps, its time axis,
// what it plots of a recorded tick (in the operator's units, converted as
// the live values are), the ranges it fits, the ticks it exports and the
// text of its readout.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "motion/Recording.h"

namespace scope {

inline constexpr int kTicksPerSecond = 200;
inline constexpr std::array<int, 4> kWindowSeconds{10, 30, 60, 300};
inline constexpr int kDefaultWindowSeconds = 10;
inline constexpr unsigned kDefaultAxes = 0x3;  // axes 1 and 2 (bit axis - 1)

struct Choices {
  unsigned axes = kDefaultAxes;
  int windowSeconds = kDefaultWindowSeconds;
};
// The stored choices made safe for `installedAxes` (4 or 8): nothing stored
// gives the defaults; a window length other than the four gives the
// default length; axes that are not installed are dropped.
Choices ChoicesFrom(std::optional<long long> axes, std::optional<long long> windowSeconds, int installedAxes);
inline bool Chosen(unsigned axes, int axis) { return axis >= 1 && axis <= 32 && ((axes >> (axis - 1)) & 1u) != 0; }

// The time axis: 5 ms a tick, tick 0 at 0 s.
double Seconds(std::uint64_t tick);
// The tick nearest to `seconds`; 1 at the least.
std::uint64_t TickAt(double seconds);

// The ticks of a window of `windowSeconds` that ends at tick `last`.
struct TickRange {
  std::uint64_t first = 1;
  std::uint64_t last = 0;  // last < first: no tick
};
TickRange WindowTicks(std::uint64_t last, int windowSeconds);

// What the scope plots of `axis` (1-8) in `sample`, in the axis's operator
// units: command and feedback position as the live values show them, the
// following error (command minus feedback) and the speed. NaN (a gap in the
// trace) for what the tick did not read: every value of an axis it did not
// poll, and the feedback and following error of an axis without encoder
// feedback, whose feedback is no position at all.
struct Values {
  double command = 0.0;
  double feedback = 0.0;
  double error = 0.0;
  double speed = 0.0;
};
Values ValuesOf(const TickSample& sample, int axis);

// A value range showing low..high with a margin of a twentieth on each
// side; a flat range gets room around its value, and no finite value at all
// gives -1..1.
struct Range {
  double lower = -1.0;
  double upper = 1.0;
};
Range FitRange(double low, double high);

// The scope's export of `samples`: the trace's header and lines for axes
// 1..axes, each tick at its time on the scope.
std::string ExportCsv(const std::vector<TickSample>& samples, int axes);

// The readout of one axis in one pane: its name, the values (NaN shows
// "-") and its unit, as "X 12.34 / 12.30 mm". `decimals` as the pane shows
// them.
std::string ReadoutLine(int axis, std::initializer_list<double> values, int decimals, bool speed);

}  // namespace scope
