#include "program/GcodeImport.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <system_error>

#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "program/RunGuard.h"
#include "settings/NumberText.h"

namespace {

constexpr double kMillimetresPerInch = 25.4;
// What the cards take, as the speed range check of the command pages has it.
constexpr double kMaxPulseRate = 2000000.0;
constexpr double kMaxPulses = std::numeric_limits<std::int32_t>::max();
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kUnitMillimetre = 1;
constexpr std::size_t kProgressLines = 8192;
constexpr std::string_view kAxisLetters = "XYZ";

// Codes times ten, so that G90.1 stays apart from G90.
namespace gcode {
constexpr int kRapid = 0;
constexpr int kFeed = 10;
constexpr int kClockwise = 20;
constexpr int kCounterClockwise = 30;
constexpr int kDwell = 40;
constexpr int kPlaneXY = 170;
constexpr int kInch = 200;
constexpr int kMillimetre = 210;
constexpr int kAbsolute = 900;
constexpr int kRelative = 910;
constexpr int kPerMinute = 940;
}  // namespace gcode
namespace mcode {
constexpr int kEnd = 20;
constexpr int kSpindleClockwise = 30;
constexpr int kSpindleCounter = 40;
constexpr int kSpindleStop = 50;
constexpr int kMist = 70;
constexpr int kFlood = 80;
constexpr int kCoolantOff = 90;
constexpr int kEndRewind = 300;
}  // namespace mcode

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

struct Word {
  char letter = 0;
  double value = 0.0;
  std::string_view number;  // as written, sign included
};

std::string TextOf(const Word& w) {
  std::string text(1, w.letter);
  text.append(w.number);
  return text;
}

// G and M numbers times ten (G1 10, G90.1 901); -1 for anything else.
int CodeOf(const Word& w) {
  const double tenfold = w.value * 10.0;
  if (!(tenfold >= 0.0 && tenfold < 1e6)) return -1;
  const double whole = std::round(tenfold);
  if (std::fabs(tenfold - whole) > 1e-6) return -1;
  return static_cast<int>(whole);
}

// "M3" for M03 and M3 alike: the name a warning counts by.
std::string CodeName(char letter, int code) {
  std::string name(1, letter);
  name += std::to_string(code / 10);
  if (code % 10 != 0) name.append(".").append(std::to_string(code % 10));
  return name;
}

// The refused text at `at`: a parameter (#1, #<name>), an expression up
// to its closing bracket, or one character (a whole UTF-8 sequence).
std::string TokenAt(std::string_view text, std::size_t at) {
  if (text[at] == '[') {
    const std::size_t close = text.find(']', at);
    return std::string(text.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at + 1));
  }
  std::size_t end = at + 1;
  if (text[at] == '#') {
    while (end < text.size() &&
           (IsDigit(text[end]) || IsLetter(text[end]) || text[end] == '<' || text[end] == '>' || text[end] == '_')) {
      ++end;
    }
  } else {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC0) {
      length = 2;
    }
    end = std::min(text.size(), at + length);
  }
  return std::string(text.substr(at, end - at));
}

struct Failure {};  // thrown inside the converter only, caught at its door

class Converter {
 public:
  Converter(const GcodeAxes& axes, const GcodeOptions& options, GcodeConversion& out)
      : axes_(axes), options_(options), out_(out) {
    base_ = DefaultEditCommand();
  }

  // One line; false once the program has ended (M2, M30).
  bool Line(std::string_view text, std::size_t number) {
    line_ = number;
    words_.clear();
    Parse(text);
    if (!words_.empty()) Execute();
    return !ended_;
  }

  std::array<std::int64_t, 3> End() const { return pulses_; }

 private:
  [[noreturn]] void Fail(GcodeProblem problem, std::string word = {}, std::string other = {}) {
    GcodeError error;
    error.line = line_;
    error.problem = problem;
    error.word = std::move(word);
    error.other = std::move(other);
    out_.error = std::move(error);
    throw Failure{};
  }
  [[noreturn]] void FailAxis(GcodeProblem problem, std::size_t k, int unit = 0, double value = 0.0) {
    GcodeError error;
    error.line = line_;
    error.problem = problem;
    error.axis = static_cast<int>(k) + 1;
    error.unit = unit;
    error.value = value;
    out_.error = std::move(error);
    throw Failure{};
  }

  void Parse(std::string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size && IsBlank(text[i])) ++i;
    if (i < size && text[i] == '%') return;  // the tape's start and end marks
    while (i < size) {
      const char c = text[i];
      if (IsBlank(c)) {
        ++i;
      } else if (c == ';') {
        return;
      } else if (c == '(') {
        const std::size_t close = text.find(')', i);
        if (close == std::string_view::npos) Fail(GcodeProblem::CommentOpen);
        i = close + 1;
      } else if (IsLetter(c)) {
        i = ParseWord(text, i);
      } else {
        Fail(GcodeProblem::NotSupported, TokenAt(text, i));
      }
    }
  }

  std::size_t ParseWord(std::string_view text, std::size_t i) {
    const std::size_t size = text.size();
    Word w;
    w.letter = Upper(text[i++]);
    while (i < size && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    const bool negative = i < size && text[i] == '-';
    if (i < size && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t digits = i;
    bool anyDigit = false;
    while (i < size && (IsDigit(text[i]) || text[i] == '.')) {
      anyDigit = anyDigit || IsDigit(text[i]);
      ++i;
    }
    if (!anyDigit) {
      if (i < size && (text[i] == '#' || text[i] == '[')) Fail(GcodeProblem::NotSupported, TokenAt(text, i));
      Fail(GcodeProblem::MissingNumber, std::string(1, w.letter));
    }
    w.number = text.substr(start, i - start);
    const char* first = text.data() + digits;
    const char* last = text.data() + i;
    const auto [end, ec] = std::from_chars(first, last, w.value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) Fail(GcodeProblem::OutOfRange, TextOf(w));
    if (ec != std::errc{} || end != last) Fail(GcodeProblem::NotSupported, TextOf(w));
    if (negative) w.value = -w.value;
    words_.push_back(w);
    return i;
  }

  // A word that may stand once on a line.
  void Once(const Word*& slot, const Word& w) {
    if (slot != nullptr) Fail(GcodeProblem::Twice, std::string(1, w.letter));
    slot = &w;
  }
  // A code of a group that takes one code per line.
  void OneOf(const Word*& slot, const Word& w) {
    if (slot != nullptr && CodeOf(*slot) != CodeOf(w)) Fail(GcodeProblem::Conflict, TextOf(*slot), TextOf(w));
    if (slot != nullptr) Fail(GcodeProblem::Twice, TextOf(w));
    slot = &w;
  }

  void Skip(std::string name) {
    for (GcodeWarning& w : out_.warnings) {
      if (w.word == name) {
        ++w.count;
        return;
      }
    }
    out_.warnings.push_back({line_, std::move(name), 1});
  }

  void Execute() {
    const Word* motion = nullptr;
    const Word* dwell = nullptr;
    const Word* units = nullptr;
    const Word* distance = nullptr;
    const Word* end = nullptr;
    const Word* spindle = nullptr;
    const Word* axis[3] = {nullptr, nullptr, nullptr};
    const Word* i = nullptr;
    const Word* j = nullptr;
    const Word* r = nullptr;
    const Word* f = nullptr;
    const Word* p = nullptr;
    const Word* s = nullptr;
    for (const Word& w : words_) {
      switch (w.letter) {
        case 'G':
          switch (CodeOf(w)) {
            case gcode::kRapid:
            case gcode::kFeed:
            case gcode::kClockwise:
            case gcode::kCounterClockwise:
              OneOf(motion, w);
              break;
            case gcode::kDwell:
              OneOf(dwell, w);
              break;
            case gcode::kInch:
            case gcode::kMillimetre:
              OneOf(units, w);
              break;
            case gcode::kAbsolute:
            case gcode::kRelative:
              OneOf(distance, w);
              break;
            case gcode::kPlaneXY:
            case gcode::kPerMinute:
              break;  // the only plane and feed mode there are
            default:
              Fail(GcodeProblem::NotSupported, TextOf(w));
          }
          break;
        case 'M':
          switch (CodeOf(w)) {
            case mcode::kEnd:
            case mcode::kEndRewind:
              end = &w;
              break;
            case mcode::kSpindleClockwise:
            case mcode::kSpindleCounter:
            case mcode::kSpindleStop:
              OneOf(spindle, w);
              break;
            case mcode::kMist:
            case mcode::kFlood:
            case mcode::kCoolantOff:
              Skip(CodeName('M', CodeOf(w)));
              break;
            default:
              Fail(GcodeProblem::NotSupported, TextOf(w));
          }
          break;
        case 'X':
        case 'Y':
        case 'Z':
          Once(axis[kAxisLetters.find(w.letter)], w);
          break;
        case 'I':
          Once(i, w);
          break;
        case 'J':
          Once(j, w);
          break;
        case 'R':
          Once(r, w);
          break;
        case 'F':
          Once(f, w);
          break;
        case 'P':
          Once(p, w);
          break;
        case 'S':
          Once(s, w);
          break;
        case 'N':
          break;
        default:
          Fail(GcodeProblem::NotSupported, TextOf(w));
      }
    }

    if (units != nullptr) inch_ = CodeOf(*units) == gcode::kInch;
    const double scale = inch_ ? kMillimetresPerInch : 1.0;
    if (distance != nullptr) relative_ = CodeOf(*distance) == gcode::kRelative;
    if (f != nullptr) {
      const double feed = f->value * scale;
      if (!(feed > 0.0)) Fail(GcodeProblem::BadFeed, TextOf(*f));
      feed_ = feed;
    }
    if (s != nullptr) Skip("S");
    if (spindle != nullptr) Spindle(CodeOf(*spindle));

    const Word* anyAxis = axis[0] != nullptr ? axis[0] : axis[1] != nullptr ? axis[1] : axis[2];
    const Word* anyArc = i != nullptr ? i : j != nullptr ? j : r;
    if (dwell != nullptr) {
      if (anyAxis != nullptr) Fail(GcodeProblem::NotWith, std::string(1, anyAxis->letter), TextOf(*dwell));
      if (anyArc != nullptr) Fail(GcodeProblem::NotWith, std::string(1, anyArc->letter), TextOf(*dwell));
      if (p == nullptr) Fail(GcodeProblem::DwellNeedsTime, TextOf(*dwell));
      if (!(p->value >= 0.0)) Fail(GcodeProblem::BadDwell, TextOf(*p));
      if (out_.rows.empty()) Fail(GcodeProblem::DwellFirst);
      out_.rows.back().dbDelayTime += p->value;
    } else if (p != nullptr) {
      Fail(GcodeProblem::NeedsDwell, "P");
    }

    if (motion != nullptr) motion_ = CodeOf(*motion);
    const bool arcMode = motion_ == gcode::kClockwise || motion_ == gcode::kCounterClockwise;
    if (anyArc != nullptr && !arcMode) Fail(GcodeProblem::NeedsArc, std::string(1, anyArc->letter));
    if (anyAxis != nullptr || anyArc != nullptr) {
      if (motion_ < 0)
        Fail(GcodeProblem::AxisNeedsMotion, std::string(1, (anyAxis != nullptr ? anyAxis : anyArc)->letter));
      if (motion_ != gcode::kRapid && feed_ <= 0.0) Fail(GcodeProblem::NoFeedRate);
      std::array<double, 3> target = position_;
      for (std::size_t k = 0; k < 3; ++k) {
        if (axis[k] == nullptr) continue;
        const double value = axis[k]->value * scale;
        target[k] = relative_ ? position_[k] + value : value;
      }
      if (arcMode) {
        if (anyArc == nullptr) Fail(GcodeProblem::ArcNeedsCentre, CodeName('G', motion_));
        Arc(target, axis[2] != nullptr, i, j, r, scale);
      } else {
        std::array<std::int64_t, 3> pulses = pulses_;
        for (std::size_t k = 0; k < 3; ++k) {
          if (axis[k] != nullptr) pulses[k] = Target(k, target[k]);
        }
        Emit(pulses, motion_ == gcode::kRapid);
      }
      position_ = target;
    }
    if (end != nullptr) ended_ = true;
  }

  void Spindle(int code) {
    if (!options_.spindle) {
      Skip(CodeName('M', code));
      return;
    }
    MotionCommand row = base_;
    row.iCodeType = code::kSwitchOutput;
    row.iAxes[0] = options_.spindle->card;
    row.iAxes[1] = options_.spindle->port;
    row.iAxes[2] = code == mcode::kSpindleStop ? 0 : 1;
    row.dbDelayTime = 0.0;
    Push(row);
  }

  // The axis must be in mm with a usable equivalent before it moves.
  void Check(std::size_t k) {
    const GcodeAxis& a = axes_[k];
    if (a.unit != kUnitMillimetre) FailAxis(GcodeProblem::AxisUnit, k, a.unit);
    if (!(a.equivalent > 0.0) || !std::isfinite(a.equivalent)) FailAxis(GcodeProblem::AxisEquivalent, k);
  }

  // The absolute target of axis k in whole pulses: the one rounding.
  std::int64_t Target(std::size_t k, double millimetres) {
    Check(k);
    const double pulses = millimetres / axes_[k].equivalent;
    if (!(std::fabs(pulses) <= kMaxPulses)) Fail(GcodeProblem::OutOfRange, std::string(1, kAxisLetters[k]));
    return std::llround(pulses);
  }

  void Push(const MotionCommand& row) {
    if (out_.rows.size() >= kMaxImportRows) Fail(GcodeProblem::TooManyRows);
    out_.rows.push_back(row);
  }

  // One row from the last target to `to`; none when nothing moves.
  void Emit(const std::array<std::int64_t, 3>& to, bool rapid) {
    MotionCommand row = base_;
    int n = 0;
    const double speed = rapid ? options_.rapid : feed_ / 60.0;
    for (std::size_t k = 0; k < 3; ++k) {
      const std::int64_t delta = to[k] - pulses_[k];
      if (delta == 0) continue;
      if (static_cast<double>(std::llabs(delta)) > kMaxPulses) {
        Fail(GcodeProblem::OutOfRange, std::string(1, kAxisLetters[k]));
      }
      if (!(speed / axes_[k].equivalent < kMaxPulseRate)) FailAxis(GcodeProblem::SpeedTooHigh, k, 0, speed);
      const auto slot = static_cast<std::size_t>(n++);
      row.iAxes[slot] = static_cast<std::int32_t>(k + 1);
      row.dbDis[slot] = static_cast<double>(delta) * axes_[k].equivalent;
    }
    if (n == 0) return;
    static constexpr std::int32_t kFeedCodes[] = {code::kConstPtoP1, code::kConstLine2, code::kConstLine3};
    static constexpr std::int32_t kRapidCodes[] = {code::kFastPtoP1, code::kFastLine2, code::kFastLine3};
    row.iCodeType = (rapid ? kRapidCodes : kFeedCodes)[n - 1];
    row.dbDelayTime = 0.0;
    if (rapid) {
      row.dbLowSpd[0] = speed / 10.0;
      row.dbHighSpd[0] = speed;
      row.dbAccSpd[0] = speed * 5.0;
    } else {
      row.dbLowSpd[0] = speed;
    }
    Push(row);
    pulses_ = to;
  }

  void Arc(const std::array<double, 3>& target, bool helix, const Word* i, const Word* j, const Word* r, double scale) {
    const bool counter = motion_ == gcode::kCounterClockwise;
    const double sx = position_[0];
    const double sy = position_[1];
    const double ex = target[0];
    const double ey = target[1];
    const std::int64_t endX = Target(0, ex);
    const std::int64_t endY = Target(1, ey);
    const std::int64_t endZ = helix ? Target(2, target[2]) : pulses_[2];
    const bool full = endX == pulses_[0] && endY == pulses_[1];
    double cx = 0.0;
    double cy = 0.0;
    if (r != nullptr) {
      if (i != nullptr || j != nullptr) Fail(GcodeProblem::NotWith, "R", i != nullptr ? "I" : "J");
      if (full) Fail(GcodeProblem::RadiusFullCircle);
      const double radius = r->value * scale;
      const double dx = ex - sx;
      const double dy = ey - sy;
      const double chord = std::hypot(dx, dy);
      const double reach = 2.0 * std::fabs(radius);
      if (chord > reach + 1e-6) Fail(GcodeProblem::RadiusTooShort);
      const double half = chord / 2.0;
      const double rise = std::sqrt(std::max(0.0, radius * radius - half * half));
      // R > 0: the shorter way round, the centre to the left of the chord
      // for G3 and to the right for G2; R < 0 the other way.
      const double side = (counter ? 1.0 : -1.0) * (radius > 0.0 ? 1.0 : -1.0);
      cx = sx + dx / 2.0 - side * rise * dy / chord;
      cy = sy + dy / 2.0 + side * rise * dx / chord;
    } else {
      cx = sx + (i != nullptr ? i->value * scale : 0.0);
      cy = sy + (j != nullptr ? j->value * scale : 0.0);
    }
    const double r0 = std::hypot(sx - cx, sy - cy);
    const double r1 = full ? r0 : std::hypot(ex - cx, ey - cy);
    if (!(r0 > 1e-9) || (r == nullptr && std::fabs(r1 - r0) > std::max(0.005, 0.001 * r0))) {
      Fail(GcodeProblem::EndOffCircle);
    }
    const double a0 = std::atan2(sy - cy, sx - cx);
    double sweep = 0.0;
    if (full) {
      sweep = counter ? kTwoPi : -kTwoPi;
    } else {
      sweep = std::atan2(ey - cy, ex - cx) - a0;
      if (counter) {
        while (sweep <= 0.0) sweep += kTwoPi;
      } else {
        while (sweep >= 0.0) sweep -= kTwoPi;
      }
    }
    // The rounding to pulses moves a vertex by up to half a pulse on each
    // axis: the chords keep to what is left of the tolerance.
    const double rounding = 0.5 * std::hypot(axes_[0].equivalent, axes_[1].equivalent);
    const double tolerance = std::max(options_.tolerance - rounding, options_.tolerance / 4.0);
    const double radius = std::max(r0, r1);
    double step = tolerance < radius ? 2.0 * std::acos(1.0 - tolerance / radius) : std::numbers::pi;
    step = std::min(step, std::numbers::pi / 2.0);
    const double chords = std::max(1.0, std::ceil(std::fabs(sweep) / step));
    if (chords > static_cast<double>(kMaxImportRows)) Fail(GcodeProblem::TooManyRows);
    const auto n = static_cast<std::size_t>(chords);
    const double z0 = position_[2];
    for (std::size_t k = 1; k <= n; ++k) {
      std::array<std::int64_t, 3> to{endX, endY, endZ};
      if (k < n) {
        const double t = static_cast<double>(k) / chords;
        const double angle = a0 + sweep * t;
        const double rr = r0 + (r1 - r0) * t;
        to[0] = Target(0, cx + rr * std::cos(angle));
        to[1] = Target(1, cy + rr * std::sin(angle));
        if (helix) to[2] = Target(2, z0 + (target[2] - z0) * t);
      }
      Emit(to, false);
    }
  }

  const GcodeAxes& axes_;
  const GcodeOptions& options_;
  GcodeConversion& out_;
  MotionCommand base_{};
  std::vector<Word> words_;
  std::size_t line_ = 0;
  std::array<double, 3> position_{};      // the programmed point, mm
  std::array<std::int64_t, 3> pulses_{};  // the last target, pulses
  bool inch_ = false;
  bool relative_ = false;
  int motion_ = -1;
  double feed_ = 0.0;  // mm/min; 0 before any F
  bool ended_ = false;
};

std::size_t CountLines(std::string_view text) {
  const auto breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return breaks + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

std::string Replace(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && IsDigit(pattern[i + 1])) {
      const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (index < values.size()) text.append(values.begin()[index]);
      ++i;
    } else {
      text.push_back(pattern[i]);
    }
  }
  return text;
}

struct ProblemText {
  GcodeProblem problem;
  std::string_view english;
  std::string_view chinese;
};

// %1 the line, %2 the word (or the axis, or the speed), %3 the other word
// (or the unit, or the axis).
constexpr ProblemText kProblemTexts[] = {
    {GcodeProblem::NotSupported, "line %1: %2 is not supported", "第%1行：不支持 %2"},
    {GcodeProblem::NoFeedRate, "line %1: no feed rate", "第%1行：没有进给速度"},
    {GcodeProblem::MissingNumber, "line %1: %2 needs a number", "第%1行：%2 后面缺少数值"},
    {GcodeProblem::Twice, "line %1: %2 appears twice", "第%1行：%2 出现了两次"},
    {GcodeProblem::Conflict, "line %1: %2 and %3 on one line", "第%1行：%2 和 %3 不能在同一行"},
    {GcodeProblem::AxisNeedsMotion, "line %1: %2 needs G0, G1, G2 or G3", "第%1行：%2 需要 G0、G1、G2 或 G3"},
    {GcodeProblem::NeedsArc, "line %1: %2 needs G2 or G3", "第%1行：%2 需要 G2 或 G3"},
    {GcodeProblem::ArcNeedsCentre, "line %1: %2 needs I, J or R", "第%1行：%2 需要 I、J 或 R"},
    {GcodeProblem::NeedsDwell, "line %1: %2 needs G4", "第%1行：%2 需要 G4"},
    {GcodeProblem::DwellNeedsTime, "line %1: %2 needs P", "第%1行：%2 需要 P"},
    {GcodeProblem::NotWith, "line %1: %2 cannot go with %3", "第%1行：%2 不能与 %3 同用"},
    {GcodeProblem::BadFeed, "line %1: %2 is not a usable feed rate", "第%1行：%2 不是可用的进给速度"},
    {GcodeProblem::BadDwell, "line %1: %2 is not a usable dwell time", "第%1行：%2 不是可用的暂停时间"},
    {GcodeProblem::DwellFirst, "line %1: G4 before any row", "第%1行：G4 之前没有程序行"},
    {GcodeProblem::AxisUnit, "line %1: axis %2 is set up in %3, not in mm", "第%1行：%2轴的单位是 %3，不是 mm"},
    {GcodeProblem::AxisEquivalent, "line %1: axis %2 has no usable pulse equivalent", "第%1行：%2轴的脉冲当量不可用"},
    {GcodeProblem::OutOfRange, "line %1: %2 is out of range", "第%1行：%2 超出范围"},
    {GcodeProblem::SpeedTooHigh, "line %1: %2 mm/s is too fast for axis %3", "第%1行：%2 mm/s 对%3轴过快"},
    {GcodeProblem::RadiusTooShort, "line %1: the end is farther than 2R from the start",
     "第%1行：终点与起点的距离大于 2R"},
    {GcodeProblem::RadiusFullCircle, "line %1: an R arc cannot end where it starts",
     "第%1行：R 圆弧的终点不能与起点相同"},
    {GcodeProblem::EndOffCircle, "line %1: the end is not on the arc's circle", "第%1行：终点不在圆弧上"},
    {GcodeProblem::CommentOpen, "line %1: the comment is not closed", "第%1行：注释没有结束"},
    {GcodeProblem::TooManyRows, "line %1: more than %2 rows", "第%1行：程序超过 %2 行"},
    {GcodeProblem::Cancelled, "line %1: the import was cancelled", "第%1行：导入已取消"},
};

// The unit texts of the axes (UTF-8), by Unit code.
std::string UnitName(int unit) {
  static constexpr std::string_view kNames[] = {"P", "mm", "μm", "°"};
  if (unit >= 0 && unit < 4) return std::string(kNames[unit]);
  return "unit " + std::to_string(unit);
}

std::string AxisName(int axis) {
  return axis >= 1 && axis <= 3 ? std::string(1, kAxisLetters[static_cast<std::size_t>(axis - 1)]) : "?";
}

}  // namespace

GcodeConversion ConvertGcode(std::string_view text, const GcodeAxes& axes, const GcodeOptions& options,
                             const GcodeProgress& progress) {
  GcodeConversion out;
  out.lines = CountLines(text);
  out.rows.reserve(std::min(out.lines, kMaxImportRows));  // about a row a line
  Converter converter(axes, options, out);
  std::size_t at = 0;
  std::size_t number = 0;
  try {
    while (at < text.size()) {
      std::size_t next = text.find('\n', at);
      if (next == std::string_view::npos) next = text.size();
      ++number;
      if (progress && number % kProgressLines == 0 && !progress(number, out.lines)) {
        out.error = GcodeError{number, GcodeProblem::Cancelled, {}, {}, 0, 0, 0.0};
        break;
      }
      if (!converter.Line(text.substr(at, next - at), number)) break;
      at = next + 1;
    }
  } catch (const Failure&) {
    // out.error says what
  }
  if (out.error) out.rows.clear();
  if (out.rows.size() < out.rows.capacity() / 2) out.rows.shrink_to_fit();
  out.end = converter.End();
  return out;
}

std::string GcodeErrorText(const GcodeError& error, int language) {
  std::string_view pattern = "line %1: %2";
  for (const ProblemText& t : kProblemTexts) {
    if (t.problem == error.problem) pattern = language == kLangChinese ? t.chinese : t.english;
  }
  const std::string line = std::to_string(error.line);
  switch (error.problem) {
    case GcodeProblem::AxisUnit:
      return Replace(pattern, {line, AxisName(error.axis), UnitName(error.unit)});
    case GcodeProblem::AxisEquivalent:
      return Replace(pattern, {line, AxisName(error.axis)});
    case GcodeProblem::SpeedTooHigh: {
      char speed[32];
      std::snprintf(speed, sizeof speed, "%g", error.value);
      return Replace(pattern, {line, speed, AxisName(error.axis)});
    }
    case GcodeProblem::TooManyRows:
      return Replace(pattern, {line, std::to_string(kMaxImportRows)});
    default:
      return Replace(pattern, {line, error.word, error.other});
  }
}

std::string GcodeWarningText(const GcodeWarning& warning, int language) {
  const bool chinese = language == kLangChinese;
  std::string text =
      Replace(chinese ? "第%1行：已跳过 %2" : "line %1: %2 is skipped", {std::to_string(warning.line), warning.word});
  if (warning.count > 1) {
    text += Replace(chinese ? "（共 %1 次）" : " (%1 times)", {std::to_string(warning.count)});
  }
  return text;
}

std::optional<SpindleOutput> ParseSpindleOutput(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  auto whole = [](std::string_view part, int& value) {
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && ec == std::errc{} && end == part.data() + part.size();
  };
  SpindleOutput out;
  if (!whole(text.substr(0, colon), out.card) || !whole(text.substr(colon + 1), out.port)) return std::nullopt;
  if (out.card < 1 || out.card > 2 || out.port < 1 || out.port > kMaxOutputPort) return std::nullopt;
  return out;
}

bool ReadGcodeFile(const std::string& path, std::string& text, std::string& why) {
  text.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    why = std::generic_category().message(errno);  // the import's thread may read: not strerror
    return false;
  }
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) {
    why = std::generic_category().message(error);
    text.clear();
    return false;
  }
  return true;
}

bool TakeImportedProgram(std::vector<MotionCommand> rows) {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(9);
    return false;
  }
  MotionProgram = std::move(rows);
  SavePath.clear();
  ShownPath.clear();
  NoteProgramReplaced();
  NoteProgramEdited();  // nothing of it is in a file yet
  Operator().ListClear();
  Operator().RequestRepaint();
  return true;
}

void AppendImportedRows(std::size_t first, std::size_t count) {
  const std::size_t end = std::min(MotionProgram.size(), first + count);
  std::vector<std::string> texts;
  texts.reserve(end > first ? end - first : 0);
  for (std::size_t i = first; i < end; ++i) texts.push_back(ListingText(MotionProgram[i]));
  Operator().ListAppendRows(texts);  // one insertion for the part
}
