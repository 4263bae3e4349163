#pragma once
// The number conversions the settings and program files have always been
// written and read with, done by the C library: "%d", "%lf" and the code
// text's "%.2f" in the C locale; strtol and strtod, an integer beyond 32 bits
// saturating. The tests and the .knl fuzz target hold NumberText's faster
// conversions to these, byte for byte and bit for bit, and the program file
// writer to a file laid out with them.

#include <locale.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "program/MotionCommand.h"
#include "settings/NumberText.h"

namespace reference {

inline locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

inline std::int32_t ParseInt(std::string_view text) {
  const std::string terminated(text);
  const long long value = std::strtoll(terminated.c_str(), nullptr, 10);
  return static_cast<std::int32_t>(
      std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

inline double ParseDouble(std::string_view text) {
  const std::string terminated(text);
  return strtod_l(terminated.c_str(), nullptr, CLocale());
}

inline std::string FormatFixed(double value, int decimals) {
  const locale_t previous = uselocale(CLocale());
  std::vector<char> text(400);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  uselocale(previous);
  return text.data();
}

inline std::string FormatInt(std::int32_t value) { return std::to_string(value); }

// What differs between NumberText and the C library for `text` read as a
// number and the numbers read written back; empty when nothing does.
inline std::string Difference(std::string_view text) {
  const std::string quoted = "\"" + std::string(text) + "\"";
  const std::int32_t integer = ParseInt(text);
  if (numtext::ParseInt(text) != integer) return quoted + " reads as another integer";
  const double real = ParseDouble(text);
  if (std::bit_cast<std::uint64_t>(numtext::ParseDouble(text)) != std::bit_cast<std::uint64_t>(real)) {
    return quoted + " reads as another double";
  }
  if (numtext::FormatInt(integer) != FormatInt(integer)) return quoted + ": its integer is written otherwise";
  for (const int decimals : {2, 6}) {
    if (numtext::FormatFixed(real, decimals) != FormatFixed(real, decimals)) {
      return quoted + ": its double is written otherwise with " + std::to_string(decimals) + " decimals";
    }
  }
  return {};
}

// The first value of a "[key]=value" line of `file` that Difference finds
// fault with, described; empty when there is none.
inline std::string FirstDifference(std::string_view file) {
  std::size_t pos = 0;
  while (pos < file.size()) {
    std::size_t end = file.find('\n', pos);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = end + 1;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string why = Difference(line.substr(equals + 1));
    if (!why.empty()) return why;
  }
  return {};
}

// A program file as the writer has always laid it out.
inline std::string ProgramFileText(const std::vector<MotionCommand>& program) {
  std::string text =
      "\r\n[Command Save]\r\n\r\n[CommandNo]=" + FormatInt(static_cast<std::int32_t>(program.size())) + "\r\n";
  auto line = [&](const std::string& key, const std::string& value) { text += "[" + key + "]=" + value + "\r\n"; };
  for (std::size_t d = 0; d < program.size(); ++d) {
    const MotionCommand& c = program[d];
    const std::string entry = std::to_string(d);
    line("iCodeType[" + entry + "]", FormatInt(c.iCodeType));
    line("dbDelayTime[" + entry + "]", FormatFixed(c.dbDelayTime, 6));
    for (std::size_t g = 0; g < 4; ++g) {
      const std::string slot = entry + std::to_string(g) + "]";
      line("dbLowSpd[" + slot, FormatFixed(c.dbLowSpd[g], 6));
      line("dbHighSpd[" + slot, FormatFixed(c.dbHighSpd[g], 6));
      line("dbAccSpd[" + slot, FormatFixed(c.dbAccSpd[g], 6));
      line("iAxes[" + slot, FormatInt(c.iAxes[g]));
      line("dbDis[" + slot, FormatFixed(c.dbDis[g], 6));
    }
  }
  return text;
}

}  // namespace reference
