#include "core/Description.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace sim {
namespace {

constexpr double kMaxMagnitude = 1e9;

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

// Locale-independent: the program's windows may switch the C locale to one
// with a decimal comma.
bool Number(const std::string& word, double& value) {
  const char* first = word.data();
  const char* last = first + word.size();
  if (first != last && *first == '+') ++first;
  double v = 0;
  const auto result = std::from_chars(first, last, v);
  if (first == last || result.ec != std::errc() || result.ptr != last || !std::isfinite(v) ||
      std::fabs(v) > kMaxMagnitude)
    return false;
  value = v;
  return true;
}

bool Flag(const std::string& word, bool& value) {
  if (word == "yes" || word == "1" || word == "on") return value = true, true;
  if (word == "no" || word == "0" || word == "off") return value = false, true;
  return false;
}

bool Level(const std::string& word, int& value) {
  if (word == "0" || word == "low") return value = 0, true;
  if (word == "1" || word == "high") return value = 1, true;
  return false;
}

// Applies one "key = value" line to an axis.
bool AxisKey(const std::string& key, const std::vector<std::string>& v, AxisDescription& a, std::string& why) {
  auto numbers = [&](std::size_t n, double* out[]) {
    if (v.size() != n) {
      why = "'" + key + "' takes " + std::to_string(n) + (n == 1 ? " number" : " numbers");
      return false;
    }
    for (std::size_t k = 0; k < n; ++k)
      if (!Number(v[k], *out[k])) {
        why = "'" + v[k] + "' is not a number of at most 1e9 in size";
        return false;
      }
    return true;
  };
  if (key == "start") {
    double* o[] = {&a.start};
    return numbers(1, o);
  }
  if (key == "travel") {
    double* o[] = {&a.travelMin, &a.travelMax};
    return numbers(2, o);
  }
  if (key == "limits") {
    double* o[] = {&a.negLimit, &a.posLimit};
    return numbers(2, o);
  }
  if (key == "home") {
    double* o[] = {&a.homeLow, &a.homeHigh};
    return numbers(2, o);
  }
  if (key == "slowdown") {
    double* o[] = {&a.slowNeg, &a.slowPos};
    return numbers(2, o);
  }
  if (key == "index") {
    double* o[] = {&a.indexPeriod};
    return numbers(1, o);
  }
  if (key == "encoder") {
    double* o[] = {&a.countsPerPulse, &a.scaleError, &a.lostPer10000};
    return numbers(3, o);
  }
  if (key == "wiring") {
    if (v.size() != 4 || !Level(v[0], a.wireLimit) || !Level(v[1], a.wireHome) || !Level(v[2], a.wireSlow) ||
        !Level(v[3], a.wireAlarm)) {
      why = "'wiring' takes four levels (0/low or 1/high): limits, home, slow-down, alarm";
      return false;
    }
    return true;
  }
  if (key == "alarm") {
    if (v.size() != 1 || !Flag(v[0], a.alarm)) {
      why = "'alarm' takes yes or no";
      return false;
    }
    return true;
  }
  why = "unknown axis key '" + key + "'";
  return false;
}

bool CheckAxis(const AxisDescription& a, std::string& why) {
  if (!(a.travelMin < a.travelMax)) return why = "travel: the first end must lie below the second", false;
  if (!(a.negLimit < a.posLimit)) return why = "limits: the negative limit must lie below the positive", false;
  if (!(a.homeLow < a.homeHigh)) return why = "home: the switch's low edge must lie below its high edge", false;
  if (!(a.slowNeg < a.slowPos)) return why = "slowdown: the negative zone must begin below the positive", false;
  if (a.start < a.travelMin || a.start > a.travelMax) return why = "start lies outside the travel", false;
  if (!(a.indexPeriod > 0)) return why = "index: the period must be above 0", false;
  if (!(a.countsPerPulse > 0) || a.countsPerPulse > 1000)
    return why = "encoder: counts per pulse must be above 0 and at most 1000", false;
  if (!(a.scaleError > -0.5 && a.scaleError < 0.5))
    return why = "encoder: the scale error must lie between -0.5 and 0.5", false;
  if (!(a.lostPer10000 >= 0 && a.lostPer10000 <= 10000))
    return why = "encoder: lost counts must lie between 0 and 10000", false;
  return true;
}

}  // namespace

bool ParseDescription(const std::string& text, MachineDescription& out, std::string& error) {
  out = MachineDescription{};
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  std::vector<int> section;  // axes (0-based) the current section applies to; empty: machine
  std::vector<int> sectionLines(kMaxAxes, 0);
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = raw;
    const auto hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("a section header ends with ']'");
      const auto words = Words(line.substr(1, line.size() - 2));
      if (words.size() != 2 || words[0] != "axis") return fail("sections are [axis N] (N 1-8) or [axis all]");
      section.clear();
      if (words[1] == "all") {
        for (int k = 0; k < kMaxAxes; ++k) section.push_back(k);
      } else {
        double n = 0;
        if (!Number(words[1], n) || n != std::floor(n) || n < 1 || n > kMaxAxes)
          return fail("sections are [axis N] (N 1-8) or [axis all]");
        section.push_back(static_cast<int>(n) - 1);
      }
      for (int k : section) sectionLines[static_cast<std::size_t>(k)] = lineNo;
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) return fail("expected 'key = value'");
    const std::string key = Trim(line.substr(0, eq));
    const auto values = Words(line.substr(eq + 1));
    if (key.empty()) return fail("a key is missing before '='");
    if (section.empty()) {
      if (key == "cards") {
        if (values.size() != 1 || (values[0] != "0" && values[0] != "1" && values[0] != "2")) {
          return fail("'cards' is 0, 1 or 2");
        }
        out.cards = values[0][0] - '0';
      } else if (key == "loopback") {
        if (values.size() != 1 || !Flag(values[0], out.loopback)) return fail("'loopback' takes yes or no");
      } else {
        return fail("unknown machine key '" + key + "' (axis keys belong in an [axis N] section)");
      }
      continue;
    }
    std::string why;
    for (int k : section)
      if (!AxisKey(key, values, out.axes[static_cast<std::size_t>(k)], why)) return fail(why);
  }
  for (int k = 0; k < kMaxAxes; ++k) {
    std::string why;
    if (!CheckAxis(out.axes[static_cast<std::size_t>(k)], why)) {
      lineNo = sectionLines[static_cast<std::size_t>(k)];
      return fail("axis " + std::to_string(k + 1) + ": " + why);
    }
  }
  return true;
}

bool LoadDescriptionFile(const std::string& path, MachineDescription& out, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open the file";
    return false;
  }
  constexpr std::size_t kMaxSize = 1 << 20;
  std::string text;
  text.resize(kMaxSize + 1);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  const auto got = static_cast<std::size_t>(file.gcount());
  if (got > kMaxSize) {
    error = "the file is larger than 1 MiB";
    return false;
  }
  text.resize(got);
  if (text.find('\0') != std::string::npos) {
    error = "the file is not text";
    return false;
  }
  return ParseDescription(text, out, error);
}

}  // namespace sim
