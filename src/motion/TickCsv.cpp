#include "motion/TickCsv.h"

#include <algorithm>
#include <charconv>

namespace {

std::size_t AxisCount(int axes) { return static_cast<std::size_t>(std::clamp(axes, 0, kPolledAxes)); }

// As printf's "%.6f", "%.15g" and "%d" in the C locale, whatever locale the
// process runs in (a window program may have one with a decimal comma).
template <typename... Format>
void AppendNumber(std::string& out, auto value, Format... format) {
  char text[400];  // "%.6f" of the largest double is some 320 characters
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, format...);
  if (error == std::errc()) out.append(text, end);
}

void AppendFixed6(std::string& out, double value) { AppendNumber(out, value, std::chars_format::fixed, 6); }
void AppendGeneral15(std::string& out, double value) { AppendNumber(out, value, std::chars_format::general, 15); }

}  // namespace

std::string TickCsvHeader(int axes) {
  std::string header = "tick,seconds,row,pass";
  for (std::size_t axis = 1; axis <= AxisCount(axes); ++axis) {
    const std::string n = std::to_string(axis);
    for (const char* column : {",command", ",encoder", ",speed"}) header.append(column).append(n);
  }
  header += '\n';
  return header;
}

void AppendTickCsvLine(std::string& out, std::uint64_t tick, double seconds, const TickSample& sample, int axes) {
  AppendNumber(out, tick);
  out += ',';
  AppendFixed6(out, seconds);
  out += ',';
  AppendNumber(out, sample.row);
  out += ',';
  AppendNumber(out, sample.pass);
  for (std::size_t i = 0; i < AxisCount(axes); ++i) {
    out += ',';
    AppendGeneral15(out, sample.command[i]);
    out += ',';
    AppendNumber(out, sample.encoder[i]);
    out += ',';
    AppendGeneral15(out, sample.speed[i]);
  }
  out += '\n';
}
