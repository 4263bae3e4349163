#include "core/Machine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace sim {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMaxPulseRate = 4000000.0;  // pulses per second
constexpr double kMaxAccel = 1e9;            // pulses per second squared
constexpr double kMaxDistance = 2147483647.0;
constexpr double kMaxDegrees = 36000.0;
constexpr int kNothingStarted = -10;

bool SpeedOk(double v) { return std::isfinite(v) && v >= 0 && v <= kMaxPulseRate; }
bool AccelOk(double a) { return std::isfinite(a) && a >= 0 && a <= kMaxAccel; }
bool DistanceOk(double d) { return std::isfinite(d) && std::fabs(d) <= kMaxDistance; }
bool Level01(int v) { return v == 0 || v == 1; }
double Sign(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

}  // namespace

Machine::Machine(Model model) : model_(model) { Reset(MachineDescription{}); }

// ---------------------------------------------------------------- reset

void Machine::Reset(const MachineDescription& description) {
  description_ = description;
  cards_ = std::clamp(description.cards, 0, kMaxCards);
  for (std::size_t k = 0; k < axes_.size(); ++k) {
    Axis a;
    a.d = description.axes[k];
    a.x = a.d.start;
    a.zero = a.d.start;  // the command position starts at 0
    a.maxSpeed = 10000;
    a.conSpeed = 1000;
    a.startSpeed = 100;
    a.topSpeed = 1000;
    a.accel = 10000;
    // The card starts with the levels the machine is wired for.
    a.logic = {a.d.wireLimit, a.d.wireHome, a.d.wireSlow, a.d.wireAlarm};
    a.enabled = {1, 1, 1, 1};
    a.forced = {-1, -1, -1, -1, -1};
    axes_[k] = a;
  }
  for (auto& m : motions_) m = Motion{};
  vectorCon_ = 1000;
  vectorStart_ = 100;
  vectorTop_ = 1000;
  vectorAccel_ = 10000;
  ellipseRatio_ = 1;
  listOpen_ = false;
  list_.clear();
  listNext_ = 0;
  for (auto& card : outputs_) card.fill(1);
  for (auto& card : forcedInputs_) card.fill(-1);
  manual_ = false;
  nowUs_ = 0;
  base_ = std::chrono::steady_clock::now();
  trace_.Clear();
  trace_.SetEnabled(true);
}

void Machine::ResetFromDefaultPlace(const std::string& libraryPath, const std::string& libraryName) {
  MachineDescription d;
  std::string error;
  // Read at load and reset only; nothing in Tessor sets the environment.
  const char* env = std::getenv("TESSOR_SIM_MACHINE");  // NOLINT(concurrency-mt-unsafe)
  if (env != nullptr && *env != '\0') {
    if (!LoadDescriptionFile(env, d, error)) {
      std::fprintf(stderr, "%s: machine file %s: %s; using the built-in machine\n", libraryName.c_str(), env,
                   error.c_str());
      d = MachineDescription{};
    }
  } else {
    const auto slash = libraryPath.rfind('/');
    if (slash != std::string::npos) {
      const std::string path = libraryPath.substr(0, slash + 1) + "sim-machine.cfg";
      if (FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
        if (!LoadDescriptionFile(path, d, error)) {
          std::fprintf(stderr, "%s: machine file %s: %s; using the built-in machine\n", libraryName.c_str(),
                       path.c_str(), error.c_str());
          d = MachineDescription{};
        }
      }
    }
  }
  Reset(d);
}

int Machine::LoadFile(const char* path, const std::string& libraryName) {
  if (path == nullptr || *path == '\0') {
    Reset(MachineDescription{});
    return 0;
  }
  MachineDescription d;
  std::string error;
  if (!LoadDescriptionFile(path, d, error)) {
    std::fprintf(stderr, "%s: machine file %s: %s; using the built-in machine\n", libraryName.c_str(), path,
                 error.c_str());
    Reset(MachineDescription{});
    return -1;
  }
  Reset(d);
  return 0;
}

// ---------------------------------------------------------------- clock

void Machine::Sync() {
  if (manual_) return;
  const auto now = std::chrono::steady_clock::now();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - base_).count();
  if (us > nowUs_) {
    nowUs_ = us;
    AdvanceTo(nowUs_);
  }
}

int Machine::SetManualClock(bool on) {
  Sync();
  if (!on && manual_) {
    // Real time continues from the machine's present.
    base_ = std::chrono::steady_clock::now() - std::chrono::microseconds(nowUs_);
  }
  manual_ = on;
  return 0;
}

int Machine::AdvanceUs(std::int64_t microseconds) {
  if (!manual_ || microseconds < 0) return kBadArgument;
  if (microseconds > std::numeric_limits<std::int64_t>::max() - nowUs_) return kBadArgument;
  nowUs_ += microseconds;
  AdvanceTo(nowUs_);
  return 0;
}

// ---------------------------------------------------------------- speeds

int Machine::SetMaxSpeed(int axis, double speed) {
  if (!ValidAxis(axis) || !SpeedOk(speed)) return kBadArgument;
  A(axis).maxSpeed = speed;
  return 0;
}

int Machine::SetConSpeed(int axis, double speed) {
  if (!ValidAxis(axis) || !SpeedOk(speed)) return kBadArgument;
  A(axis).conSpeed = speed;
  return 0;
}

int Machine::SetProfile(int axis, double start, double top, double accel) {
  if (!ValidAxis(axis) || !SpeedOk(start) || !SpeedOk(top) || !AccelOk(accel)) return kBadArgument;
  Axis& a = A(axis);
  a.startSpeed = start;
  a.topSpeed = top;
  a.accel = accel;
  return 0;
}

int Machine::SetVectorConSpeed(double speed) {
  if (!SpeedOk(speed)) return kBadArgument;
  vectorCon_ = speed;
  return 0;
}

int Machine::SetVectorProfile(double start, double top, double accel) {
  if (!SpeedOk(start) || !SpeedOk(top) || !AccelOk(accel)) return kBadArgument;
  vectorStart_ = start;
  vectorTop_ = top;
  vectorAccel_ = accel;
  return 0;
}

double Machine::ConSpeed(int axis) const { return ValidAxis(axis) ? A(axis).conSpeed : -1.0; }

int Machine::GetProfile(int axis, double* start, double* top, double* accel) const {
  if (!ValidAxis(axis)) return kBadArgument;
  const Axis& a = A(axis);
  if (start) *start = a.startSpeed;
  if (top) *top = a.topSpeed;
  if (accel) *accel = a.accel;
  return 0;
}

void Machine::GetVectorProfile(double* start, double* top, double* accel) const {
  if (start) *start = vectorStart_;
  if (top) *top = vectorTop_;
  if (accel) *accel = vectorAccel_;
}

int Machine::ChangeSpeed(int axis, double speed) {
  if (!ValidAxis(axis) || !SpeedOk(speed) || speed <= 0) return kBadArgument;
  Axis& a = A(axis);
  if (a.motion < 0) {
    a.conSpeed = speed;
    return 0;
  }
  Motion& m = M(a.motion);
  if (m.path != Path::Line || m.stopping) return 0;
  Replan(m, std::min(speed, a.maxSpeed));
  return 0;
}

int Machine::ChangeTarget(int axis, double distance) {
  if (!ValidAxis(axis) || !DistanceOk(distance)) return kBadArgument;
  Axis& a = A(axis);
  if (a.motion < 0) return kBadArgument;
  Motion& m = M(a.motion);
  if (m.path != Path::Line || m.count != 1 || std::isinf(m.length) || m.stopping || m.phase != HomePhase::None ||
      Sign(distance) != Sign(m.unit[0]) || std::fabs(distance) < PathDistance(m, m.lastTime))
    return kBadArgument;
  m.length = std::fabs(distance);
  m.target[0] = m.origin[0] + distance;
  Replan(m, m.topSpeed);
  return 0;
}

// ---------------------------------------------------------------- set-up

int Machine::SetOutMode(int axis, int mode, int level) {
  if (!ValidAxis(axis) || !Level01(mode) || !Level01(level)) return kBadArgument;
  A(axis).outMode = mode;
  A(axis).outLevel = level;
  return 0;
}

int Machine::SetHomeMode(int axis, int mode) {
  const int top = model_ == ModelC ? 5 : (model_ == ModelB ? 1 : 0);
  if (!ValidAxis(axis) || mode < 0 || mode > top) return kBadArgument;
  A(axis).homeMode = mode;
  return 0;
}

int Machine::SetGetposMode(int axis, int mode) {
  if (!ValidAxis(axis) || !Level01(mode)) return kBadArgument;
  A(axis).getposMode = mode;
  return 0;
}

int Machine::SetEncoderMode(int axis, int mode, int multiplier, int countMode) {
  if (!ValidAxis(axis) || !HasEncoder(axis) || !Level01(mode) || !Level01(countMode) ||
      (multiplier != 1 && multiplier != 2 && multiplier != 4))
    return kBadArgument;
  Axis& a = A(axis);
  a.encMode = mode;
  a.encMultiplier = multiplier;
  a.encCount = countMode;
  return 0;
}

int Machine::SetLogic(int axis, Function function, int level) {
  if (!ValidAxis(axis) || !Level01(level)) return kBadArgument;
  A(axis).logic[static_cast<std::size_t>(function)] = level;
  CheckAllMotions();
  return 0;
}

int Machine::Enable(int axis, Function function, int flag) {
  if (!ValidAxis(axis) || !Level01(flag)) return kBadArgument;
  A(axis).enabled[static_cast<std::size_t>(function)] = flag;
  CheckAllMotions();
  return 0;
}

int Machine::SetDir(int axis, int dir) {
  if (!ValidAxis(axis) || (dir != 1 && dir != -1 && dir != 0)) return kBadArgument;
  A(axis).dir = dir;
  return 0;
}

int Machine::SetBacklash(int axis, int pulses) {
  if (!ValidAxis(axis) || pulses < 0 || pulses > 65535) return kBadArgument;
  A(axis).backlash = pulses;
  return 0;
}

// ---------------------------------------------------------------- inputs

// The electrical level of an input: the wired level while the switch is
// actuated, the other one otherwise.
bool Machine::Electrical(const Axis& a, Signal s) const {
  switch (s) {
    case PosLimit:
      return a.x >= a.d.posLimit ? a.d.wireLimit : !a.d.wireLimit;
    case NegLimit:
      return a.x <= a.d.negLimit ? a.d.wireLimit : !a.d.wireLimit;
    case Home:
      return (a.x >= a.d.homeLow && a.x < a.d.homeHigh) ? a.d.wireHome : !a.d.wireHome;
    case SlowDown: {
      const bool on = a.x >= a.d.slowPos || a.x <= a.d.slowNeg;
      return on ? a.d.wireSlow : !a.d.wireSlow;
    }
    case AlarmInput:
      return a.d.alarm ? a.d.wireAlarm : !a.d.wireAlarm;
  }
  return false;
}

// What the card reports: an input is active when its level is the active
// level of its function; a disabled function reads inactive; a forced input
// reads as forced.
int Machine::ReadingOf(const Axis& a, Signal s) const {
  static constexpr Function kFunction[] = {LimitFunction, LimitFunction, HomeFunction, SlowFunction, AlarmFunction};
  const auto f = static_cast<std::size_t>(kFunction[s]);
  if (!a.enabled[f]) return 0;
  const int forced = a.forced[static_cast<std::size_t>(s)];
  if (forced >= 0) return forced;
  return static_cast<int>(Electrical(a, s)) == a.logic[f] ? 1 : 0;
}

int Machine::Reading(int axis, Signal signal) const {
  if (!ValidAxis(axis)) return kBadArgument;
  return ReadingOf(A(axis), signal);
}

int Machine::Limit(int axis) const {
  if (!ValidAxis(axis)) return kNoReading;
  const Axis& a = A(axis);
  const int pos = ReadingOf(a, PosLimit), neg = ReadingOf(a, NegLimit);
  if (pos && neg) return 2;
  return pos ? 1 : (neg ? -1 : 0);
}

int Machine::Status(int axis) const {
  if (!ValidAxis(axis)) return kBadArgument;
  const Axis& a = A(axis);
  return (a.motion >= 0 ? 1 : 0) | ReadingOf(a, PosLimit) << 1 | ReadingOf(a, NegLimit) << 2 | ReadingOf(a, Home) << 3 |
         ReadingOf(a, SlowDown) << 4 | ReadingOf(a, AlarmInput) << 5;
}

// ---------------------------------------------------------------- motion

double Machine::PathDistance(const Motion& m, double t) const {
  return m.planDistance + m.profile.Distance(t - m.planTime);
}

double Machine::PositionAt(const Motion& m, int k, double t) const {
  const double s = PathDistance(m, t);
  const auto i = static_cast<std::size_t>(k);
  if (m.path == Path::Line) return m.origin[i] + m.unit[i] * s;
  const double phi = m.phi0 + m.sense * s / m.radius;
  return k == 0 ? m.cx + m.radius * std::cos(phi) : m.cy + m.ratio * m.radius * std::sin(phi);
}

double Machine::VelocityOf(const Motion& m, int k, double t) const {
  const double v = m.profile.Speed(t - m.planTime);
  const auto i = static_cast<std::size_t>(k);
  if (m.path == Path::Line) return m.unit[i] * v;
  const double phi = m.phi0 + m.sense * PathDistance(m, t) / m.radius;
  return k == 0 ? -m.sense * v * std::sin(phi) : m.sense * m.ratio * v * std::cos(phi);
}

// The earliest time in (ta, tb] at which an axis of the motion crosses a
// switch edge, a travel end or (homing by index) an index mark.
bool Machine::FindEvent(const Motion& m, double ta, double tb, double& te) const {
  bool found = false;
  te = tb;
  for (int k = 0; k < m.count; ++k) {
    const Axis& a = axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])];
    const double xa = PositionAt(m, k, ta), xb = PositionAt(m, k, tb);
    if (xa == xb) continue;
    double edges[9];
    int n = 0;
    edges[n++] = a.d.posLimit;
    edges[n++] = a.d.negLimit;
    edges[n++] = a.d.travelMin;
    edges[n++] = a.d.travelMax;
    edges[n++] = a.d.slowPos;
    edges[n++] = a.d.slowNeg;
    if (m.phase != HomePhase::None) {
      edges[n++] = a.d.homeLow;
      edges[n++] = a.d.homeHigh;
      if (m.phase == HomePhase::Index) edges[n++] = m.indexMark;
    }
    for (int e = 0; e < n; ++e) {
      const double edge = edges[e];
      const bool sideA = xa >= edge;
      if (sideA == (xb >= edge)) continue;
      double lo = ta, hi = found ? te : tb;
      if ((PositionAt(m, k, hi) >= edge) == sideA) continue;  // crosses later than one found
      for (int it = 0; it < 80 && hi - lo > 1e-13; ++it) {
        const double mid = 0.5 * (lo + hi);
        if ((PositionAt(m, k, mid) >= edge) == sideA)
          lo = mid;
        else
          hi = mid;
      }
      te = hi;
      found = true;
    }
  }
  return found;
}

void Machine::ApplyTravel(Axis& a, double dx) {
  if (dx == 0) return;
  a.enc += dx * a.d.countsPerPulse * (1 + a.d.scaleError) * a.encMultiplier;
  if (a.d.lostPer10000 > 0) {
    a.travelled += std::fabs(dx);
    const double lostNow = std::floor(a.travelled * a.d.lostPer10000 / 10000.0);
    a.enc -= Sign(dx) * (lostNow - a.lost);
    a.lost = lostNow;
  }
}

void Machine::MoveTo(Motion& m, double t) {
  for (int k = 0; k < m.count; ++k) {
    Axis& a = axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])];
    const double x = PositionAt(m, k, t);
    ApplyTravel(a, x - a.x);
    a.x = x;
  }
  m.lastTime = t;
}

void Machine::Halt(Motion& m) {
  for (int k = 0; k < m.count; ++k) axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])].motion = -1;
  const bool listMotion = m.fromList;
  m.active = false;
  if (listMotion) {  // a stop ends the rest of the list too
    list_.clear();
    listNext_ = 0;
  }
}

void Machine::Finish(Motion& m) {
  for (int k = 0; k < m.count; ++k) {
    Axis& a = axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])];
    const double x = m.target[static_cast<std::size_t>(k)];
    if (std::isfinite(x) && !m.stopping && m.phase == HomePhase::None) {
      ApplyTravel(a, x - a.x);
      a.x = x;
    }
    a.motion = -1;
  }
  const bool listMotion = m.fromList;
  const double t = m.lastTime;
  const std::int64_t base = m.baseUs;
  m.active = false;
  if (listMotion) StartNextListSegment(base, t);
}

void Machine::AdvanceTo(std::int64_t us) {
  // A finished list segment starts the next one at its own finish time, so
  // go round until every motion has reached the present.
  for (int pass = 0; pass < 1000000; ++pass) {
    bool any = false;
    for (auto& m : motions_) {
      const double t = static_cast<double>(us - m.baseUs) * 1e-6;
      if (m.active && m.lastTime < t) {
        AdvanceMotion(m, t);
        any = true;
      }
    }
    if (!any) break;
  }
}

// An arc is taken a quarter turn at a time: within a quarter both axes move
// one way only, so every switch edge crossed is found exactly.
double Machine::ArcStepEnd(const Motion& m, double ta, double tb) const {
  constexpr double kQuarter = std::numbers::pi / 2;
  const double sa = PathDistance(m, ta);
  const double phi = m.phi0 + m.sense * sa / m.radius;
  double boundary =
      m.sense > 0 ? (std::floor(phi / kQuarter) + 1) * kQuarter : (std::ceil(phi / kQuarter) - 1) * kQuarter;
  double sq = (boundary - m.phi0) * m.sense * m.radius;
  if (!(sq > sa + 1e-9 * std::max(1.0, m.radius))) sq += kQuarter * m.radius;  // just on a boundary
  if (!(PathDistance(m, tb) > sq)) return tb;
  double lo = ta, hi = tb;
  for (int it = 0; it < 80 && hi - lo > 1e-13; ++it) {
    const double mid = 0.5 * (lo + hi);
    if (PathDistance(m, mid) >= sq)
      hi = mid;
    else
      lo = mid;
  }
  return hi;
}

void Machine::AdvanceMotion(Motion& m, double t) {
  while (m.active && m.lastTime < t) {
    const double ta = m.lastTime;
    const double end = m.planTime + m.profile.Duration();
    double tb = std::min(t, end);
    if (m.path == Path::Arc) tb = ArcStepEnd(m, ta, tb);
    if (!(tb > ta)) tb = ta;
    double te = tb;
    const bool event = tb > ta && FindEvent(m, ta, tb, te);
    MoveTo(m, te);
    if (event) {
      CheckConditions(m);
      continue;
    }
    if (te >= end) {
      if (m.phase == HomePhase::Braking) m.phase = HomePhase::None, m.stopping = true;
      Finish(m);
    }
  }
}

// Reacts to the inputs at the motion's present: limits and travel ends in
// the direction of travel and the alarm stop at once; the home search
// follows its mode; a slow-down input brings a profiled move down to its
// start speed.
void Machine::CheckConditions(Motion& m) {
  if (!m.active) return;
  const double t = m.lastTime;
  for (int k = 0; k < m.count; ++k) {
    Axis& a = axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])];
    double d = Sign(VelocityOf(m, k, t));
    if (d == 0 && m.path == Path::Line) d = Sign(m.unit[static_cast<std::size_t>(k)]);
    if (ReadingOf(a, AlarmInput)) return Halt(m);
    if ((d > 0 && ReadingOf(a, PosLimit)) || (d < 0 && ReadingOf(a, NegLimit))) return Halt(m);
    if ((d > 0 && a.x >= a.d.travelMax) || (d < 0 && a.x <= a.d.travelMin)) {
      const double x = std::clamp(a.x, a.d.travelMin, a.d.travelMax);
      ApplyTravel(a, x - a.x);
      a.x = x;
      return Halt(m);
    }
  }
  const Axis& a0 = axes_[static_cast<std::size_t>(m.axes[0])];
  if (m.phase != HomePhase::None) {
    const bool home = ReadingOf(a0, Home) != 0;
    switch (m.phase) {
      case HomePhase::Search:
        if (!home) break;
        switch (m.homeMode) {
          case 1:
            m.phase = HomePhase::Braking;
            if (m.speedKind == Speed::Constant) return Halt(m);
            {
              const double v = m.profile.Speed(t - m.planTime);
              const double s = PathDistance(m, t);
              m.profile = Profile::Stop(v, m.startSpeed, m.accel);
              m.planTime = t;
              m.planDistance = s;
              m.length = s + m.profile.Length();
              m.stopping = true;
              if (m.profile.Duration() <= 0) return Halt(m);
            }
            return;
          case 2:
          case 4:
            return RestartHome(m, -m.homeDir, HomePhase::BackOff);
          case 3:
            m.phase = HomePhase::Index;
            m.indexMark = m.homeDir > 0 ? (std::floor(a0.x / a0.d.indexPeriod) + 1) * a0.d.indexPeriod
                                        : (std::ceil(a0.x / a0.d.indexPeriod) - 1) * a0.d.indexPeriod;
            Replan(m, m.creep);
            return;
          default:
            return Halt(m);  // modes 0 and 5 stop on the edge
        }
        break;
      case HomePhase::BackOff:
        if (!home) return RestartHome(m, m.homeDir, HomePhase::Approach);
        break;
      case HomePhase::Approach:
        if (!home) break;
        if (m.homeMode == 4) {
          m.phase = HomePhase::Index;
          m.indexMark = m.homeDir > 0 ? (std::floor(a0.x / a0.d.indexPeriod) + 1) * a0.d.indexPeriod
                                      : (std::ceil(a0.x / a0.d.indexPeriod) - 1) * a0.d.indexPeriod;
          return;
        }
        return Halt(m);
      case HomePhase::Index:
        if ((a0.x - m.indexMark) * m.homeDir >= 0) return Halt(m);
        break;
      default:
        break;
    }
  }
  // Slow-down zones lie before the limits: the positive zone slows moves
  // toward the positive limit, the negative zone moves toward the negative.
  if (m.path == Path::Line && m.speedKind == Speed::Profiled && !m.slowed && !m.stopping) {
    for (int k = 0; k < m.count; ++k) {
      const Axis& a = axes_[static_cast<std::size_t>(m.axes[static_cast<std::size_t>(k)])];
      const double d = Sign(m.unit[static_cast<std::size_t>(k)]);
      if (!ReadingOf(a, SlowDown)) continue;
      const bool towardZone = (a.x >= a.d.slowPos && d > 0) || (a.x <= a.d.slowNeg && d < 0) ||
                              a.forced[SlowDown] == 1 || a.logic[SlowFunction] != a.d.wireSlow;
      if (!towardZone) continue;
      m.slowed = true;
      Replan(m, m.creep);
      return;
    }
  }
}

void Machine::CheckAllMotions() {
  for (auto& m : motions_) CheckConditions(m);
}

// Continues the motion from its present state with a new top speed.
void Machine::Replan(Motion& m, double top) {
  const double t = m.lastTime;
  const double s = PathDistance(m, t);
  const double v = m.profile.Speed(t - m.planTime);
  const double remaining = std::isinf(m.length) ? kInf : m.length - s;
  m.topSpeed = top;
  if (m.speedKind == Speed::Constant) {
    m.profile = Profile::Constant(remaining, top);
  } else {
    m.profile = Profile::Ramp(remaining, v, std::min(m.startSpeed, top), top, m.accel);
  }
  m.planTime = t;
  m.planDistance = s;
}

// A home search turns round at the creep speed (the start speed).
void Machine::RestartHome(Motion& m, int dir, HomePhase phase) {
  const int axis = m.axes[0];
  const double t = m.lastTime;
  Axis& a = axes_[static_cast<std::size_t>(axis)];
  m.origin[0] = a.x;
  m.unit[0] = dir;
  m.target[0] = kInf;
  m.length = kInf;
  m.speedKind = Speed::Constant;
  m.topSpeed = m.creep;
  m.profile = Profile::Constant(kInf, m.creep);
  m.planTime = t;
  m.planDistance = 0;
  m.phase = phase;
  CheckConditions(m);
}

int Machine::Validate(const int* axes, int count) const {
  if (count < 1 || count > 4) return kBadArgument;
  for (int k = 0; k < count; ++k) {
    if (!ValidAxis(axes[k])) return kBadArgument;
    for (int j = 0; j < k; ++j)
      if (axes[j] == axes[k]) return kBadArgument;
  }
  for (int k = 0; k < count; ++k) {
    if (A(axes[k]).motion >= 0) return kBusy;
    if (ReadingOf(A(axes[k]), AlarmInput)) return kAlarm;
  }
  return 0;
}

int Machine::FreeSlot(int firstAxis) const {
  // Every axis stands when a motion starts on it, so its own slot is free;
  // a group motion takes the slot of its first axis.
  if (!motions_[static_cast<std::size_t>(firstAxis)].active) return firstAxis;
  for (std::size_t k = 0; k < motions_.size(); ++k)
    if (!motions_[k].active) return static_cast<int>(k);
  return -1;
}

int Machine::StartLine(const int* axes0, const double* distances, int count, double start, double top, double accel,
                       Speed speed, bool endless) {
  double length = 0;
  for (int k = 0; k < count; ++k) length += distances[k] * distances[k];
  length = std::sqrt(length);
  if (!(length > 0)) return kNothingStarted;
  const int slot = FreeSlot(axes0[0]);
  if (slot < 0) return kBusy;
  Motion& m = M(slot);
  m = Motion{};
  m.active = true;
  m.path = Path::Line;
  m.count = count;
  for (int k = 0; k < count; ++k) {
    const auto i = static_cast<std::size_t>(k);
    Axis& a = axes_[static_cast<std::size_t>(axes0[k])];
    m.axes[i] = axes0[k];
    m.origin[i] = a.x;
    m.unit[i] = distances[k] / length;
    m.target[i] = endless ? kInf : a.x + distances[k];
    a.motion = slot;
    ++a.commands;
  }
  m.length = endless ? kInf : length;
  m.speedKind = speed;
  m.startSpeed = std::min(start, top);
  m.topSpeed = top;
  m.accel = accel;
  m.creep = m.startSpeed > 0 ? m.startSpeed : top / 10;
  m.profile = speed == Speed::Constant ? Profile::Constant(m.length, top)
                                       : Profile::Ramp(m.length, m.startSpeed, m.startSpeed, top, accel);
  m.baseUs = nowUs_;
  m.planTime = m.lastTime = 0;
  m.planDistance = 0;
  return slot;
}

int Machine::Move(const int* axes, const double* distances, int count, Speed speed) {
  int r = Validate(axes, count);
  if (r != 0) return r;
  for (int k = 0; k < count; ++k)
    if (!DistanceOk(distances[k])) return kBadArgument;
  for (int k = 0; k < count; ++k)
    if (distances[k] != 0 && !(TopSpeed(A(axes[k]), speed) > 0)) return kBadArgument;
  for (int k = 0; k < count; ++k) {
    const Axis& a = A(axes[k]);
    const int axis0 = axes[k] - 1;
    const double top = TopSpeed(a, speed);
    const int slot = StartLine(&axis0, &distances[k], 1, a.startSpeed, top, a.accel, speed, false);
    if (slot >= 0) CheckConditions(M(slot));
  }
  return 0;
}

int Machine::Line(const int* axes, const double* distances, int count, Speed speed) {
  if (count < 2) return kBadArgument;
  int r = Validate(axes, count);
  if (r != 0) return r;
  double length = 0;
  for (int k = 0; k < count; ++k) {
    if (!DistanceOk(distances[k])) return kBadArgument;
    length += distances[k] * distances[k];
  }
  length = std::sqrt(length);
  if (length == 0) return 0;
  // No axis may run faster than its own maximum speed.
  double top = speed == Speed::Constant ? vectorCon_ : vectorTop_;
  for (int k = 0; k < count; ++k) {
    const double share = std::fabs(distances[k]) / length;
    if (share > 0) top = std::min(top, A(axes[k]).maxSpeed / share);
  }
  if (!(top > 0)) return kBadArgument;
  int axes0[4];
  for (int k = 0; k < count; ++k) axes0[k] = axes[k] - 1;
  const int slot = StartLine(axes0, distances, count, vectorStart_, top, vectorAccel_, speed, false);
  if (slot >= 0) CheckConditions(M(slot));
  return 0;
}

double Machine::TopSpeed(const Axis& a, Speed speed) {
  return std::min(speed == Speed::Constant ? a.conSpeed : a.topSpeed, a.maxSpeed);
}

int Machine::ValidateEndless(const int* axes, const int* directions, int count, Speed speed) const {
  const int r = Validate(axes, count);
  if (r != 0) return r;
  for (int k = 0; k < count; ++k)
    if (directions[k] != 1 && directions[k] != -1) return kBadArgument;
  for (int k = 0; k < count; ++k)
    if (!(TopSpeed(A(axes[k]), speed) > 0)) return kBadArgument;
  return 0;
}

int Machine::Continuous(const int* axes, const int* directions, int count, Speed speed) {
  const int r = ValidateEndless(axes, directions, count, speed);
  if (r != 0) return r;
  for (int k = 0; k < count; ++k) {
    const Axis& a = A(axes[k]);
    const int axis0 = axes[k] - 1;
    const double dir = directions[k];
    const double top = TopSpeed(a, speed);
    const int slot = StartLine(&axis0, &dir, 1, a.startSpeed, top, a.accel, speed, true);
    if (slot >= 0) CheckConditions(M(slot));
  }
  return 0;
}

int Machine::HomeSearch(const int* axes, const int* directions, int count, Speed speed) {
  const int r = ValidateEndless(axes, directions, count, speed);
  if (r != 0) return r;
  for (int k = 0; k < count; ++k) {
    const Axis& a = A(axes[k]);
    const int axis0 = axes[k] - 1;
    const double dir = directions[k];
    double top = TopSpeed(a, speed);
    const int mode = model_ == ModelA ? 0 : a.homeMode;
    double start = a.startSpeed;
    if (mode == 5) top = std::min(top, start > 0 ? start : top / 10), start = top;  // slow search
    const int slot = StartLine(&axis0, &dir, 1, start, top, a.accel, speed, true);
    if (slot < 0) continue;
    Motion& m = M(slot);
    m.phase = HomePhase::Search;
    m.homeMode = mode;
    m.homeDir = directions[k];
    CheckConditions(m);
  }
  return 0;
}

int Machine::Stop(int axis, bool sudden) {
  if (!ValidAxis(axis)) return kBadArgument;
  Axis& a = A(axis);
  if (a.motion < 0) return 0;
  Motion& m = M(a.motion);
  m.phase = HomePhase::None;
  if (sudden || m.speedKind == Speed::Constant || m.stopping) {
    if (sudden || m.speedKind == Speed::Constant) Halt(m);
    return 0;
  }
  const double t = m.lastTime;
  const double v = m.profile.Speed(t - m.planTime);
  const Profile stop = Profile::Stop(v, m.startSpeed, m.accel);
  const double s = PathDistance(m, t);
  if (s + stop.Length() >= m.length) return 0;  // ends sooner by itself
  m.profile = stop;
  m.planTime = t;
  m.planDistance = s;
  m.length = s + stop.Length();
  m.stopping = true;
  if (stop.Duration() <= 0) Halt(m);
  return 0;
}

// ---------------------------------------------------------------- arcs

int Machine::OpenList() {
  // A list still running finishes its own segment and ends: the new list
  // starts only when it is closed.
  for (auto& m : motions_) m.fromList = false;
  listOpen_ = true;
  list_.clear();
  listNext_ = 0;
  return 0;
}

int Machine::SetEllipseRatio(double ratio) {
  if (!std::isfinite(ratio) || ratio < 0 || ratio > 1000) return kBadArgument;
  ellipseRatio_ = ratio == 0 ? 1 : ratio;  // 0: a circle
  return 0;
}

int Machine::Arc(int axis1, int axis2, double centre1, double centre2, double degrees, Speed speed) {
  if (!ValidAxis(axis1) || !ValidAxis(axis2) || axis1 == axis2 || !DistanceOk(centre1) || !DistanceOk(centre2) ||
      !std::isfinite(degrees) || std::fabs(degrees) > kMaxDegrees)
    return kBadArgument;
  if (centre1 == 0 && centre2 == 0) return kBadArgument;  // no radius
  ArcSegment s;
  s.axis1 = axis1;
  s.axis2 = axis2;
  s.c1 = centre1;
  s.c2 = centre2;
  s.degrees = degrees;
  s.ratio = ellipseRatio_;
  s.speed = speed;
  s.start = vectorStart_;
  s.top = speed == Speed::Constant ? vectorCon_ : vectorTop_;
  s.accel = vectorAccel_;
  if (!(std::min({s.top, A(axis1).maxSpeed, A(axis2).maxSpeed}) > 0)) return kBadArgument;
  if (listOpen_) {
    if (list_.size() >= 4096) return kBadArgument;
    list_.push_back(s);
    return 0;
  }
  const int r = Validate(&axis1, 1) != 0 ? Validate(&axis1, 1) : Validate(&axis2, 1);
  if (r != 0) return r;
  StartArc(s, false, nowUs_, 0);
  return 0;
}

int Machine::StartArc(const ArcSegment& s, bool fromList, std::int64_t baseUs, double t) {
  const int slot = FreeSlot(s.axis1 - 1);
  if (slot < 0) return kBusy;
  Axis& a1 = A(s.axis1);
  Axis& a2 = A(s.axis2);
  Motion& m = M(slot);
  m = Motion{};
  m.path = Path::Arc;
  m.count = 2;
  m.axes = {s.axis1 - 1, s.axis2 - 1, 0, 0};
  m.cx = a1.x + s.c1;
  m.cy = a2.x + s.c2;
  m.ratio = s.ratio;
  const double dx = -s.c1, dy = -s.c2 / s.ratio;
  m.radius = std::hypot(dx, dy);
  m.phi0 = std::atan2(dy, dx);
  m.sense = s.degrees >= 0 ? 1 : -1;
  const double sweep = std::fabs(s.degrees) * std::numbers::pi / 180.0;
  m.length = m.radius * sweep;
  const double phiEnd = m.phi0 + m.sense * sweep;
  m.target = {m.cx + m.radius * std::cos(phiEnd), m.cy + m.ratio * m.radius * std::sin(phiEnd), 0, 0};
  m.origin = {a1.x, a2.x, 0, 0};
  if (!(m.length > 0)) return 0;
  m.active = true;
  m.fromList = fromList;
  m.speedKind = s.speed;
  const double top = std::min({s.top, a1.maxSpeed, a2.maxSpeed});
  m.startSpeed = std::min(s.start, top);
  m.topSpeed = top;
  m.accel = s.accel;
  m.creep = m.startSpeed;
  m.profile = s.speed == Speed::Constant ? Profile::Constant(m.length, top)
                                         : Profile::Ramp(m.length, m.startSpeed, m.startSpeed, top, s.accel);
  m.baseUs = baseUs;
  m.planTime = m.lastTime = t;
  a1.motion = a2.motion = slot;
  ++a1.commands;
  ++a2.commands;
  CheckConditions(m);
  return 0;
}

void Machine::StartNextListSegment(std::int64_t baseUs, double t) {
  while (listNext_ < list_.size()) {
    const ArcSegment s = list_[listNext_++];
    const int r = Validate(&s.axis1, 1) != 0 ? Validate(&s.axis1, 1) : Validate(&s.axis2, 1);
    if (r != 0) break;
    StartArc(s, true, baseUs, t);
    if (A(s.axis1).motion >= 0) return;
  }
  list_.clear();
  listNext_ = 0;
}

int Machine::CloseList() {
  if (!listOpen_) return kNoList;
  listOpen_ = false;
  if (list_.empty()) return 0;
  const ArcSegment& first = list_.front();
  int r = Validate(&first.axis1, 1);
  if (r == 0) r = Validate(&first.axis2, 1);
  if (r != 0) {
    list_.clear();
    return r;
  }
  StartNextListSegment(nowUs_, 0);
  return 0;
}

// Stops the interpolation list and any arc running.
int Machine::StopList(bool sudden) {
  listOpen_ = false;
  list_.clear();
  listNext_ = 0;
  for (auto& m : motions_)
    if (m.active && (m.fromList || m.path == Path::Arc)) {
      m.fromList = false;
      Stop(m.axes[0] + 1, sudden);
    }
  return 0;
}

// ---------------------------------------------------------------- positions

int Machine::ResetPosition(int axis) {
  if (!ValidAxis(axis)) return kBadArgument;
  A(axis).zero = A(axis).x;
  return 0;
}

int Machine::SetPosition(int axis, double position) {
  if (!ValidAxis(axis) || !DistanceOk(position)) return kBadArgument;
  A(axis).zero = A(axis).x - position;
  return 0;
}

int Machine::Position(int axis, double* position) const {
  if (!ValidAxis(axis)) return kBadArgument;
  if (position) *position = A(axis).x - A(axis).zero;
  return 0;
}

bool Machine::HasEncoder(int axis) const {
  if (!ValidAxis(axis) || model_ == ModelA) return false;
  return model_ == ModelB || (axis - 1) % 4 < 2;
}

int Machine::Encoder(int axis, std::int32_t* count) const {
  if (!HasEncoder(axis)) return kBadArgument;
  const double v = std::clamp(A(axis).enc - A(axis).encZero, -9e18, 9e18);
  // A 32-bit counter wraps round.
  const auto whole = static_cast<std::int64_t>(std::llround(v));
  if (count) *count = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
  return 0;
}

int Machine::ResetEncoder(int axis) {
  if (!HasEncoder(axis)) return kBadArgument;
  A(axis).encZero = A(axis).enc;
  return 0;
}

double Machine::Rate(int axis) const {
  if (!ValidAxis(axis)) return -1.0;
  const Axis& a = A(axis);
  if (a.motion < 0) return 0;
  const Motion& m = motions_[static_cast<std::size_t>(a.motion)];
  for (int k = 0; k < m.count; ++k)
    if (m.axes[static_cast<std::size_t>(k)] == axis - 1) return std::fabs(VelocityOf(m, k, m.lastTime));
  return 0;
}

int Machine::Direction(int axis) const {
  if (!ValidAxis(axis)) return kNoReading;
  const Axis& a = A(axis);
  if (a.motion < 0) return 0;
  const Motion& m = motions_[static_cast<std::size_t>(a.motion)];
  for (int k = 0; k < m.count; ++k)
    if (m.axes[static_cast<std::size_t>(k)] == axis - 1) {
      if (m.path == Path::Line) return static_cast<int>(Sign(m.unit[static_cast<std::size_t>(k)]));
      return static_cast<int>(Sign(VelocityOf(m, k, m.lastTime)));
    }
  return 0;
}

int Machine::Done(int axis) const {
  if (!ValidAxis(axis)) return kBadArgument;
  return A(axis).motion >= 0 ? 1 : 0;
}

int Machine::CommandCount(int axis) const {
  if (!ValidAxis(axis)) return kBadArgument;
  return A(axis).commands;
}

int Machine::ResetCommandCount(int axis) {
  if (!ValidAxis(axis)) return kBadArgument;
  A(axis).commands = 0;
  return 0;
}

// ---------------------------------------------------------------- general I/O

int Machine::InputBit(int card, int bit) const {
  if (!ValidCard(card) || bit < 1 || bit > kInputs) return -1;
  const auto c = static_cast<std::size_t>(card - 1), b = static_cast<std::size_t>(bit - 1);
  if (forcedInputs_[c][b] >= 0) return forcedInputs_[c][b];
  return description_.loopback ? outputs_[c][b] : 0;
}

int Machine::OutputBit(int card, int bit, int level) {
  if (!ValidCard(card) || bit < 1 || bit > kOutputs || !Level01(level)) return kBadArgument;
  outputs_[static_cast<std::size_t>(card - 1)][static_cast<std::size_t>(bit - 1)] = level;
  return 0;
}

int Machine::InputByte(int card, int index) const {
  if (!ValidCard(card) || index < 0 || index > 2) return -1;
  int value = 0;
  for (int b = 0; b < 8; ++b) {
    const int bit = index * 8 + b + 1;
    if (bit <= kInputs && InputBit(card, bit) == 1) value |= 1 << b;
  }
  return value;
}

int Machine::OutputByte(int card, int index, int value) {
  if (!ValidCard(card) || index < 0 || index > 2 || value < 0 || value > 255) return kBadArgument;
  for (int b = 0; b < 8; ++b) OutputBit(card, index * 8 + b + 1, (value >> b) & 1);
  return 0;
}

// ---------------------------------------------------------------- sim controls

int Machine::TruePosition(int axis, double* position) const {
  if (!ValidAxis(axis) || position == nullptr) return kBadArgument;
  *position = A(axis).x - A(axis).zero;
  return 0;
}

int Machine::TrueSpeed(int axis, double* speed) const {
  if (!ValidAxis(axis) || speed == nullptr) return kBadArgument;
  *speed = Rate(axis);
  return 0;
}

int Machine::ForceSignal(int axis, int signal, int state) {
  if (!ValidAxis(axis) || signal < 0 || signal > 4 || state < -1 || state > 1) return kBadArgument;
  A(axis).forced[static_cast<std::size_t>(signal)] = state;
  CheckAllMotions();
  return 0;
}

int Machine::SetEncoderBehaviour(int axis, double countsPerPulse, double scaleError, double lostPer10000) {
  if (!ValidAxis(axis) || !std::isfinite(countsPerPulse) || countsPerPulse <= 0 || countsPerPulse > 1000 ||
      !std::isfinite(scaleError) || scaleError <= -0.5 || scaleError >= 0.5 || !std::isfinite(lostPer10000) ||
      lostPer10000 < 0 || lostPer10000 > 10000)
    return kBadArgument;
  Axis& a = A(axis);
  a.d.countsPerPulse = countsPerPulse;
  a.d.scaleError = scaleError;
  a.d.lostPer10000 = lostPer10000;
  a.travelled = 0;
  a.lost = 0;
  return 0;
}

int Machine::ForceInput(int card, int bit, int state) {
  if (!ValidCard(card) || bit < 1 || bit > kInputs || state < -1 || state > 1) return kBadArgument;
  forcedInputs_[static_cast<std::size_t>(card - 1)][static_cast<std::size_t>(bit - 1)] = state;
  return 0;
}

}  // namespace sim
