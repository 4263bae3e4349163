#include "motion/Scope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "motion/TickCsv.h"
#include "motion/Units.h"
#include "settings/NumberText.h"
#include "settings/SysParams.h"

namespace scope {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr char kAxisNames[] = "XYZTABCD";

}  // namespace

Choices ChoicesFrom(std::optional<long long> axes, std::optional<long long> windowSeconds, int installedAxes) {
  Choices choices;
  const unsigned installed = installedAxes >= 8 ? 0xFFu : 0x0Fu;
  if (axes) choices.axes = static_cast<unsigned>(*axes & 0xFF) & installed;
  if (windowSeconds && std::find(kWindowSeconds.begin(), kWindowSeconds.end(), *windowSeconds) != kWindowSeconds.end())
    choices.windowSeconds = static_cast<int>(*windowSeconds);
  return choices;
}

double Seconds(std::uint64_t tick) { return static_cast<double>(tick) * kTickSeconds; }

std::uint64_t TickAt(double seconds) {
  const double ticks = std::round(seconds / kTickSeconds);
  if (!(ticks >= 1.0)) return 1;  // also NaN
  if (ticks >= 1e18) return 1'000'000'000'000'000'000ULL;
  return static_cast<std::uint64_t>(ticks);
}

TickRange WindowTicks(std::uint64_t last, int windowSeconds) {
  const auto span = static_cast<std::uint64_t>(std::max(windowSeconds, 0)) * kTicksPerSecond;
  TickRange range;
  range.last = last;
  range.first = last > span ? last - span + 1 : 1;
  return range;
}

Values ValuesOf(const TickSample& sample, int axis) {
  if (axis < 1 || axis > sample.polled) return {kNaN, kNaN, kNaN, kNaN};
  const auto i = static_cast<std::size_t>(axis - 1);
  Values values;
  values.command = LiveCommandUnits(axis, sample.command[i]);
  values.speed = LiveSpeedUnits(axis, sample.speed[i]);
  if (Equivalents.FeedbackAvailable[i] != 0) {
    values.feedback = LiveFeedbackUnits(axis, sample.encoder[i]);
    values.error = values.command - values.feedback;
  } else {
    values.feedback = kNaN;
    values.error = kNaN;
  }
  return values;
}

Range FitRange(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) return {};
  const double span = high - low;
  if (span <= std::abs(high) * 1e-12) {
    const double room = std::max(std::abs(high) * 0.05, 1.0);
    return {low - room, high + room};
  }
  return {low - span / 20.0, high + span / 20.0};
}

std::string ExportCsv(const std::vector<TickSample>& samples, int axes) {
  std::string text = TickCsvHeader(axes);
  text.reserve(text.size() + samples.size() * (24 + static_cast<std::size_t>(std::max(axes, 0)) * 30));
  for (const TickSample& sample : samples) AppendTickCsvLine(text, sample.tick, Seconds(sample.tick), sample, axes);
  return text;
}

std::string ReadoutLine(int axis, std::initializer_list<double> values, int decimals, bool speed) {
  if (axis < 1 || axis > 8) return {};
  std::string line(1, kAxisNames[axis - 1]);
  const char* separator = " ";
  for (const double value : values) {
    line += separator;
    line += std::isfinite(value) ? numtext::FormatFixed(value, decimals) : "-";
    separator = " / ";
  }
  const int unitCode = SysParams.Unit[static_cast<std::size_t>(axis - 1)];
  const std::string_view unit = speed ? UnitSpeedText(unitCode) : UnitLengthText(unitCode);
  if (!unit.empty()) {
    line += ' ';
    line += unit;
  }
  return line;
}

}  // namespace scope
