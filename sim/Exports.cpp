// The exports of one simulated card library. Compiled once per model with
// SIM_MODEL 0 (ORVA), 1 (ORVB) or 2 (ORVC); each library holds a machine of
// its own. The version script of the library keeps exactly the model's
// export list and the sim_ exports visible; everything else is local.
//
// Results: see core/Machine.h (0 done, -1 bad argument, -2 alarm, -3 busy,
// -4 list operation out of place). Exports that do not reach the machine's
// behaviour (watchdog, position compare, gear, tangential follow, ...)
// check their axis or card and answer 0; their getters answer 0.

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "card/CardAbi.h"
#include "core/Machine.h"
#include "sim/sim_api.h"

#ifndef SIM_MODEL
#error "SIM_MODEL must be 0, 1 or 2"
#endif

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

using cardabi::Int;
using sim::Speed;
using sim::TraceArg;

namespace {

#if SIM_MODEL == 0
constexpr sim::Model kModel = sim::ModelA;
constexpr const char* kLibraryName = "libORVA.so";
using Dist = Int;
#elif SIM_MODEL == 1
constexpr sim::Model kModel = sim::ModelB;
constexpr const char* kLibraryName = "libORVB.so";
using Dist = Int;
#else
constexpr sim::Model kModel = sim::ModelC;
constexpr const char* kLibraryName = "libORVC.so";
using Dist = double;
#endif
using Sig = cardabi::Signatures<Dist>;

sim::Machine machine(kModel);

std::string LibraryPath() {
  Dl_info info{};
  if (dladdr(&machine, &info) != 0 && info.dli_fname != nullptr) return info.dli_fname;
  return {};
}

// Reads the machine description when the library is loaded.
struct Loader {
  Loader() { machine.ResetFromDefaultPlace(LibraryPath(), kLibraryName); }
} loader;

TraceArg I(Int v) { return {TraceArg::Int, v, 0}; }
TraceArg D(double v) { return {TraceArg::Real, 0, v}; }
[[maybe_unused]] TraceArg X(Int v) { return I(v); }
[[maybe_unused]] TraceArg X(double v) { return D(v); }
TraceArg P() { return {TraceArg::Out, 0, 0}; }

// Every card export: lock the machine, bring it to the present, trace.
class Call {
 public:
  Call(const char* name, std::initializer_list<TraceArg> args) : lock_(machine.Mutex()) {
    machine.Sync();
    machine.GetTrace().Record(name, args.begin(), static_cast<int>(args.size()));
  }

 private:
  std::lock_guard<std::mutex> lock_;
};

// Whole pulses for ORVA and ORVB: nearest, kept within 32 bits.
[[maybe_unused]] void Store(Int* out, double v) {
  if (!std::isfinite(v)) v = 0;
  *out = static_cast<Int>(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0));
}
[[maybe_unused]] void Store(double* out, double v) { *out = v; }

enum class Op { Move, Line, Continuous, Home };

template <std::size_t N, typename V>
Int Group(const char* name, Op op, Speed speed, const std::array<Int, N>& axes, const std::array<V, N>& values) {
  std::array<TraceArg, 2 * N> args{};
  for (std::size_t k = 0; k < N; ++k) {
    args[2 * k] = I(axes[k]);
    args[2 * k + 1] = X(values[k]);
  }
  std::lock_guard lock(machine.Mutex());
  machine.Sync();
  machine.GetTrace().Record(name, args.data(), static_cast<int>(args.size()));
  const int n = static_cast<int>(N);
  if constexpr (std::is_same_v<V, Int> && (N > 0)) {
    if (op == Op::Continuous || op == Op::Home) {
      std::array<int, N> dirs{};
      for (std::size_t k = 0; k < N; ++k) dirs[k] = values[k];
      return op == Op::Home ? machine.HomeSearch(axes.data(), dirs.data(), n, speed)
                            : machine.Continuous(axes.data(), dirs.data(), n, speed);
    }
  }
  std::array<double, N> d{};
  for (std::size_t k = 0; k < N; ++k) d[k] = static_cast<double>(values[k]);
  if (op == Op::Line) return machine.Line(axes.data(), d.data(), n, speed);
  if (op == Op::Move) return machine.Move(axes.data(), d.data(), n, speed);
  return sim::kBadArgument;
}

// An export that checks its axis and answers 0.
Int AxisOnly(int axis) { return machine.ValidAxis(axis) ? 0 : sim::kBadArgument; }
Int CardOnly(int card) { return machine.ValidCard(card) ? 0 : sim::kBadArgument; }

Int Versions(Int* a, Int* b, Int* c, Int va, Int vb, Int vc) {
  if (a == nullptr || b == nullptr || c == nullptr) return sim::kBadArgument;
  *a = va;
  *b = vb;
  *c = vc;
  return 0;
}

}  // namespace

// ============================================================== cards

SIM_EXPORT Int auto_set() {
  Call c("auto_set", {});
  return machine.AxisCount();
}
SIM_EXPORT Int init_board() {
  Call c("init_board", {});
  return machine.CardCount();
}
SIM_EXPORT Int get_max_axe() {
  Call c("get_max_axe", {});
  return machine.AxisCount();
}
SIM_EXPORT Int get_board_num() {
  Call c("get_board_num", {});
  return machine.CardCount();
}
// Axes of a card.
SIM_EXPORT Int get_axe(Int card) {
  Call c("get_axe", {I(card)});
  return machine.ValidCard(card) ? sim::kAxesPerCard : sim::kBadArgument;
}

// ============================================================== set-up

SIM_EXPORT Int set_outmode(Int axis, Int mode, Int level) {
  Call c("set_outmode", {I(axis), I(mode), I(level)});
  return machine.SetOutMode(axis, mode, level);
}
SIM_EXPORT Int set_home_mode(Int axis, Int mode) {
  Call c("set_home_mode", {I(axis), I(mode)});
  return machine.SetHomeMode(axis, mode);
}
SIM_EXPORT Int set_getpos_mode(Int axis, Int mode) {
  Call c("set_getpos_mode", {I(axis), I(mode)});
  return machine.SetGetposMode(axis, mode);
}
SIM_EXPORT Int set_encoder_mode(Int axis, Int mode, Int multiplier, Int countMode) {
  Call c("set_encoder_mode", {I(axis), I(mode), I(multiplier), I(countMode)});
  return machine.SetEncoderMode(axis, mode, multiplier, countMode);
}
SIM_EXPORT Int enable_sd(Int axis, Int flag) {
  Call c("enable_sd", {I(axis), I(flag)});
  return machine.Enable(axis, sim::SlowFunction, flag);
}
SIM_EXPORT Int enable_el(Int axis, Int flag) {
  Call c("enable_el", {I(axis), I(flag)});
  return machine.Enable(axis, sim::LimitFunction, flag);
}
SIM_EXPORT Int enable_org(Int axis, Int flag) {
  Call c("enable_org", {I(axis), I(flag)});
  return machine.Enable(axis, sim::HomeFunction, flag);
}
SIM_EXPORT Int enable_alm(Int axis, Int flag) {
  Call c("enable_alm", {I(axis), I(flag)});
  return machine.Enable(axis, sim::AlarmFunction, flag);
}
SIM_EXPORT Int set_sd_logic(Int axis, Int level) {
  Call c("set_sd_logic", {I(axis), I(level)});
  return machine.SetLogic(axis, sim::SlowFunction, level);
}
SIM_EXPORT Int set_el_logic(Int axis, Int level) {
  Call c("set_el_logic", {I(axis), I(level)});
  return machine.SetLogic(axis, sim::LimitFunction, level);
}
SIM_EXPORT Int set_org_logic(Int axis, Int level) {
  Call c("set_org_logic", {I(axis), I(level)});
  return machine.SetLogic(axis, sim::HomeFunction, level);
}
SIM_EXPORT Int set_alm_logic(Int axis, Int level) {
  Call c("set_alm_logic", {I(axis), I(level)});
  return machine.SetLogic(axis, sim::AlarmFunction, level);
}
// Direction output polarity (recorded; the simulated stage follows the command).
SIM_EXPORT Int set_dir(Int axis, Int dir) {
  Call c("set_dir", {I(axis), I(dir)});
  return machine.SetDir(axis, dir);
}
// Unit flag of the distances (ORVC: recorded, always pulses here).
SIM_EXPORT Int set_unit_flag(Int flag) {
  Call c("set_unit_flag", {I(flag)});
  return flag == 0 || flag == 1 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int set_unit(Int axis, double unit) {
  Call c("set_unit", {I(axis), D(unit)});
  return machine.ValidAxis(axis) && std::isfinite(unit) && unit > 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int get_unit(Int axis, double* unit) {
  Call c("get_unit", {I(axis), P()});
  if (!machine.ValidAxis(axis) || unit == nullptr) return sim::kBadArgument;
  *unit = 1.0;
  return 0;
}
SIM_EXPORT Int set_steps_pr(Int axis, Int steps) {
  Call c("set_steps_pr", {I(axis), I(steps)});
  return machine.ValidAxis(axis) && steps > 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int set_enc_thread(Int axis, Int threshold) {
  Call c("set_enc_thread", {I(axis), I(threshold)});
  return machine.ValidAxis(axis) && threshold >= 0 ? 0 : sim::kBadArgument;
}

// ============================================================== speeds

SIM_EXPORT Int set_maxspeed(Int axis, double speed) {
  Call c("set_maxspeed", {I(axis), D(speed)});
  return machine.SetMaxSpeed(axis, speed);
}
SIM_EXPORT Int set_conspeed(Int axis, double speed) {
  Call c("set_conspeed", {I(axis), D(speed)});
  return machine.SetConSpeed(axis, speed);
}
SIM_EXPORT double get_conspeed(Int axis) {
  Call c("get_conspeed", {I(axis)});
  return machine.ConSpeed(axis);
}
SIM_EXPORT Int set_profile(Int axis, double start, double top, double accel) {
  Call c("set_profile", {I(axis), D(start), D(top), D(accel)});
  return machine.SetProfile(axis, start, top, accel);
}
SIM_EXPORT Int get_profile(Int axis, double* start, double* top, double* accel) {
  Call c("get_profile", {I(axis), P(), P(), P()});
  return machine.GetProfile(axis, start, top, accel);
}
SIM_EXPORT Int set_vector_conspeed(double speed) {
  Call c("set_vector_conspeed", {D(speed)});
  return machine.SetVectorConSpeed(speed);
}
SIM_EXPORT Int set_vector_profile(double start, double top, double accel) {
  Call c("set_vector_profile", {D(start), D(top), D(accel)});
  return machine.SetVectorProfile(start, top, accel);
}
SIM_EXPORT double get_vector_conspeed() {
  Call c("get_vector_conspeed", {});
  return machine.VectorConSpeed();
}
SIM_EXPORT Int get_vector_profile(double* start, double* top, double* accel) {
  Call c("get_vector_profile", {P(), P(), P()});
  machine.GetVectorProfile(start, top, accel);
  return 0;
}
SIM_EXPORT double get_rate(Int axis) {
  Call c("get_rate", {I(axis)});
  return machine.Rate(axis);
}
// Changes the top speed of a running move (or the constant speed of a
// standing axis).
SIM_EXPORT Int change_speed(Int axis, double speed) {
  Call c("change_speed", {I(axis), D(speed)});
  return machine.ChangeSpeed(axis, speed);
}
SIM_EXPORT Int change_accel(Int axis, double accel) {
  Call c("change_accel", {I(axis), D(accel)});
  double s = 0, t = 0;
  if (machine.GetProfile(axis, &s, &t, nullptr) != 0) return sim::kBadArgument;
  return machine.SetProfile(axis, s, t, accel);
}
SIM_EXPORT Int set_ramp_flag(Int flag) {
  Call c("set_ramp_flag", {I(flag)});
  return flag == 0 || flag == 1 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int set_ramp(Int axis, Int flag) {
  Call c("set_ramp", {I(axis), I(flag)});
  return AxisOnly(axis);
}
SIM_EXPORT Int set_s_curve(Int axis, Int flag) {
  Call c("set_s_curve", {I(axis), I(flag)});
  return AxisOnly(axis);
}
SIM_EXPORT Int set_s_section(Int axis, double section) {
  Call c("set_s_section", {I(axis), D(section)});
  return machine.ValidAxis(axis) && std::isfinite(section) && section >= 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int c_set_vector_profile(double start, double top, double accel, double decel) {
  Call c("c_set_vector_profile", {D(start), D(top), D(accel), D(decel)});
  return machine.SetVectorProfile(start, top, accel);
}
SIM_EXPORT Int c_set_max_accel(double accel) {
  Call c("c_set_max_accel", {D(accel)});
  return std::isfinite(accel) && accel >= 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int c_set_multiple(double multiple) {
  Call c("c_set_multiple", {D(multiple)});
  return std::isfinite(multiple) && multiple > 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int c_set_curve_vertex(double vertex) {
  Call c("c_set_curve_vertex", {D(vertex)});
  return std::isfinite(vertex) ? 0 : sim::kBadArgument;
}

// ============================================================== moves

SIM_EXPORT Int con_pmove(Int a, Dist d) { return Group<1, Dist>("con_pmove", Op::Move, Speed::Constant, {a}, {d}); }
SIM_EXPORT Int fast_pmove(Int a, Dist d) { return Group<1, Dist>("fast_pmove", Op::Move, Speed::Profiled, {a}, {d}); }
SIM_EXPORT Int con_pmove2(Int a1, Dist d1, Int a2, Dist d2) {
  return Group<2, Dist>("con_pmove2", Op::Move, Speed::Constant, {a1, a2}, {d1, d2});
}
SIM_EXPORT Int fast_pmove2(Int a1, Dist d1, Int a2, Dist d2) {
  return Group<2, Dist>("fast_pmove2", Op::Move, Speed::Profiled, {a1, a2}, {d1, d2});
}
SIM_EXPORT Int con_pmove3(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3) {
  return Group<3, Dist>("con_pmove3", Op::Move, Speed::Constant, {a1, a2, a3}, {d1, d2, d3});
}
SIM_EXPORT Int fast_pmove3(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3) {
  return Group<3, Dist>("fast_pmove3", Op::Move, Speed::Profiled, {a1, a2, a3}, {d1, d2, d3});
}
SIM_EXPORT Int con_pmove4(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3, Int a4, Dist d4) {
  return Group<4, Dist>("con_pmove4", Op::Move, Speed::Constant, {a1, a2, a3, a4}, {d1, d2, d3, d4});
}
SIM_EXPORT Int fast_pmove4(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3, Int a4, Dist d4) {
  return Group<4, Dist>("fast_pmove4", Op::Move, Speed::Profiled, {a1, a2, a3, a4}, {d1, d2, d3, d4});
}
SIM_EXPORT Int con_line2(Int a1, Dist d1, Int a2, Dist d2) {
  return Group<2, Dist>("con_line2", Op::Line, Speed::Constant, {a1, a2}, {d1, d2});
}
SIM_EXPORT Int fast_line2(Int a1, Dist d1, Int a2, Dist d2) {
  return Group<2, Dist>("fast_line2", Op::Line, Speed::Profiled, {a1, a2}, {d1, d2});
}
SIM_EXPORT Int con_line3(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3) {
  return Group<3, Dist>("con_line3", Op::Line, Speed::Constant, {a1, a2, a3}, {d1, d2, d3});
}
SIM_EXPORT Int fast_line3(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3) {
  return Group<3, Dist>("fast_line3", Op::Line, Speed::Profiled, {a1, a2, a3}, {d1, d2, d3});
}
SIM_EXPORT Int con_line4(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3, Int a4, Dist d4) {
  return Group<4, Dist>("con_line4", Op::Line, Speed::Constant, {a1, a2, a3, a4}, {d1, d2, d3, d4});
}
SIM_EXPORT Int fast_line4(Int a1, Dist d1, Int a2, Dist d2, Int a3, Dist d3, Int a4, Dist d4) {
  return Group<4, Dist>("fast_line4", Op::Line, Speed::Profiled, {a1, a2, a3, a4}, {d1, d2, d3, d4});
}

#define SIM_DIRECTIONAL(NAME, OP, SPEED)                                                   \
  SIM_EXPORT Int NAME(Int a, Int d) { return Group<1, Int>(#NAME, OP, SPEED, {a}, {d}); }  \
  SIM_EXPORT Int NAME##2(Int a1, Int d1, Int a2, Int d2) {                                 \
    return Group<2, Int>(#NAME "2", OP, SPEED, {a1, a2}, {d1, d2});                        \
  }                                                                                        \
  SIM_EXPORT Int NAME##3(Int a1, Int d1, Int a2, Int d2, Int a3, Int d3) {                 \
    return Group<3, Int>(#NAME "3", OP, SPEED, {a1, a2, a3}, {d1, d2, d3});                \
  }                                                                                        \
  SIM_EXPORT Int NAME##4(Int a1, Int d1, Int a2, Int d2, Int a3, Int d3, Int a4, Int d4) { \
    return Group<4, Int>(#NAME "4", OP, SPEED, {a1, a2, a3, a4}, {d1, d2, d3, d4});        \
  }
SIM_DIRECTIONAL(con_vmove, Op::Continuous, Speed::Constant)
SIM_DIRECTIONAL(fast_vmove, Op::Continuous, Speed::Profiled)
SIM_DIRECTIONAL(con_hmove, Op::Home, Speed::Constant)
SIM_DIRECTIONAL(fast_hmove, Op::Home, Speed::Profiled)
#undef SIM_DIRECTIONAL

// Absolute moves (ORVC): to a command position.
SIM_EXPORT Int con_pmove_to(Int axis, double position) {
  Call c("con_pmove_to", {I(axis), D(position)});
  double now = 0;
  if (machine.Position(axis, &now) != 0 || !std::isfinite(position)) return sim::kBadArgument;
  const double d = position - now;
  return machine.Move(&axis, &d, 1, Speed::Constant);
}
SIM_EXPORT Int fast_pmove_to(Int axis, double position) {
  Call c("fast_pmove_to", {I(axis), D(position)});
  double now = 0;
  if (machine.Position(axis, &now) != 0 || !std::isfinite(position)) return sim::kBadArgument;
  const double d = position - now;
  return machine.Move(&axis, &d, 1, Speed::Profiled);
}
// Linear interpolation to absolute positions: `count` axes and positions.
static Int LineTo(Int count, const Int* axes, const double* positions, Speed speed) {
  if (count < 2 || count > 4 || axes == nullptr || positions == nullptr) return sim::kBadArgument;
  std::array<double, 4> d{};
  for (int k = 0; k < count; ++k) {
    double now = 0;
    if (machine.Position(axes[k], &now) != 0 || !std::isfinite(positions[k])) return sim::kBadArgument;
    d[static_cast<std::size_t>(k)] = positions[k] - now;
  }
  return machine.Line(axes, d.data(), count, speed);
}
SIM_EXPORT Int con_linen_to(Int count, const Int* axes, const double* positions) {
  Call c("con_linen_to", {I(count), P(), P()});
  return LineTo(count, axes, positions, Speed::Constant);
}
SIM_EXPORT Int fast_linen_to(Int count, const Int* axes, const double* positions) {
  Call c("fast_linen_to", {I(count), P(), P()});
  return LineTo(count, axes, positions, Speed::Profiled);
}
// Changes the distance of a running single-axis move (counted from where
// it started); -1 when the axis stands or the new distance lies behind it.
SIM_EXPORT Int change_pos(Int axis, Dist distance) {
  Call c("change_pos", {I(axis), X(distance)});
  return machine.ChangeTarget(axis, static_cast<double>(distance));
}

// ============================================================== stops

SIM_EXPORT Int sudden_stop(Int axis) {
  Call c("sudden_stop", {I(axis)});
  return machine.Stop(axis, true);
}
SIM_EXPORT Int decel_stop(Int axis) {
  Call c("decel_stop", {I(axis)});
  return machine.Stop(axis, false);
}
#define SIM_STOPS(NAME, SUDDEN)                            \
  SIM_EXPORT Int NAME##2(Int a1, Int a2) {                 \
    Call c(#NAME "2", {I(a1), I(a2)});                     \
    const int r = machine.Stop(a1, SUDDEN);                \
    return std::min(r, machine.Stop(a2, SUDDEN));          \
  }                                                        \
  SIM_EXPORT Int NAME##3(Int a1, Int a2, Int a3) {         \
    Call c(#NAME "3", {I(a1), I(a2), I(a3)});              \
    int r = machine.Stop(a1, SUDDEN);                      \
    r = std::min(r, machine.Stop(a2, SUDDEN));             \
    return std::min(r, machine.Stop(a3, SUDDEN));          \
  }                                                        \
  SIM_EXPORT Int NAME##4(Int a1, Int a2, Int a3, Int a4) { \
    Call c(#NAME "4", {I(a1), I(a2), I(a3), I(a4)});       \
    int r = machine.Stop(a1, SUDDEN);                      \
    r = std::min(r, machine.Stop(a2, SUDDEN));             \
    r = std::min(r, machine.Stop(a3, SUDDEN));             \
    return std::min(r, machine.Stop(a4, SUDDEN));          \
  }
SIM_STOPS(sudden_stop, true)
SIM_STOPS(decel_stop, false)
#undef SIM_STOPS
SIM_EXPORT Int sudden_stop_list() {
  Call c("sudden_stop_list", {});
  return machine.StopList(true);
}
SIM_EXPORT Int decel_stop_list() {
  Call c("decel_stop_list", {});
  return machine.StopList(false);
}
// Pause and resume (ORVC): answered, motions are not paused here.
SIM_EXPORT Int move_pause(Int value) {
  Call c("move_pause", {I(value)});
  return AxisOnly(value);
}
SIM_EXPORT Int move_resume(Int value) {
  Call c("move_resume", {I(value)});
  return AxisOnly(value);
}
SIM_EXPORT Int move_pause_list() {
  Call c("move_pause_list", {});
  return 0;
}
SIM_EXPORT Int move_resume_list() {
  Call c("move_resume_list", {});
  return 0;
}

// ============================================================== interpolation list

SIM_EXPORT Int open_list() {
  Call c("open_list", {});
  return machine.OpenList();
}
SIM_EXPORT Int close_list() {
  Call c("close_list", {});
  return machine.CloseList();
}
SIM_EXPORT Int add_list(Int kind) {
  Call c("add_list", {I(kind)});
  return sim::kNoList;
}
SIM_EXPORT Int start_lookahead() {
  Call c("start_lookahead", {});
  return 0;
}
SIM_EXPORT Int end_lookahead() {
  Call c("end_lookahead", {});
  return 0;
}
SIM_EXPORT Int set_ellipse_ratio(double ratio) {
  Call c("set_ellipse_ratio", {D(ratio)});
  return machine.SetEllipseRatio(ratio);
}
SIM_EXPORT Int arc_center(Int a1, Int a2, double c1, double c2, double angle) {
  Call c("arc_center", {I(a1), I(a2), D(c1), D(c2), D(angle)});
  return machine.Arc(a1, a2, c1, c2, angle, Speed::Constant);
}
SIM_EXPORT Int fast_arc_center(Int a1, Int a2, double c1, double c2, double angle) {
  Call c("fast_arc_center", {I(a1), I(a2), D(c1), D(c2), D(angle)});
  return machine.Arc(a1, a2, c1, c2, angle, Speed::Profiled);
}
// Arc to an end point (offsets from the start) about a centre (offsets
// from the start), direction 1 counter-clockwise, -1 clockwise: the angle
// between the two radii decides the sweep.
SIM_EXPORT Int arc_final(Int a1, Int a2, double e1, double e2, double c1, double c2, Int dir) {
  Call c("arc_final", {I(a1), I(a2), D(e1), D(e2), D(c1), D(c2), I(dir)});
  if ((dir != 1 && dir != -1) || !std::isfinite(e1) || !std::isfinite(e2)) return sim::kBadArgument;
  double sweep = (std::atan2(e2 - c2, e1 - c1) - std::atan2(-c2, -c1)) * 180.0 / 3.14159265358979323846;
  if (dir > 0 && sweep <= 0) sweep += 360;
  if (dir < 0 && sweep >= 0) sweep -= 360;
  return machine.Arc(a1, a2, c1, c2, sweep, Speed::Constant);
}
// Helical moves are not part of this machine.
SIM_EXPORT Int helical_move(Int a1, Int a2, Int a3, double c1, double c2, double angle, double height) {
  Call c("helical_move", {I(a1), I(a2), I(a3), D(c1), D(c2), D(angle), D(height)});
  return sim::kBadArgument;
}
// Dwell inside a list: accepted.
SIM_EXPORT Int delay_time(double seconds) {
  Call c("delay_time", {D(seconds)});
  return std::isfinite(seconds) && seconds >= 0 ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int check_delay_status() {
  Call c("check_delay_status", {});
  return 0;
}

// ============================================================== positions

SIM_EXPORT Int set_abs_pos(Int axis, Dist position) {
  Call c("set_abs_pos", {I(axis), X(position)});
  return machine.SetPosition(axis, static_cast<double>(position));
}
SIM_EXPORT Int reset_pos(Int axis) {
  Call c("reset_pos", {I(axis)});
  return machine.ResetPosition(axis);
}
SIM_EXPORT Int reset_enc_pos(Int axis) {
  Call c("reset_enc_pos", {I(axis)});
  return machine.ResetEncoder(axis);
}
SIM_EXPORT Int get_abs_pos(Int axis, Dist* position) {
  Call c("get_abs_pos", {I(axis), P()});
  double v = 0;
  if (position == nullptr || machine.Position(axis, &v) != 0) return sim::kBadArgument;
  Store(position, v);
  return 0;
}
// Position relative to the last reset_pos: the command position here.
SIM_EXPORT Int get_rel_pos(Int axis, Dist* position) {
  Call c("get_rel_pos", {I(axis), P()});
  double v = 0;
  if (position == nullptr || machine.Position(axis, &v) != 0) return sim::kBadArgument;
  Store(position, v);
  return 0;
}
SIM_EXPORT Int get_encoder(Int axis, Int* count) {
  Call c("get_encoder", {I(axis), P()});
  if (count == nullptr) return sim::kBadArgument;
  return machine.Encoder(axis, count);
}
// Motion commands accepted since reset_cmd_counter.
SIM_EXPORT Int get_cmd_counter(Int axis) {
  Call c("get_cmd_counter", {I(axis)});
  return machine.CommandCount(axis);
}
SIM_EXPORT Int reset_cmd_counter(Int axis) {
  Call c("reset_cmd_counter", {I(axis)});
  return machine.ResetCommandCount(axis);
}
SIM_EXPORT Int set_cmd_counter(Int axis, Int value) {
  Call c("set_cmd_counter", {I(axis), I(value)});
  return value == 0 ? machine.ResetCommandCount(axis) : AxisOnly(axis);
}

// ============================================================== state

SIM_EXPORT Int get_cur_dir(Int axis) {
  Call c("get_cur_dir", {I(axis)});
  return machine.Direction(axis);
}
SIM_EXPORT Int check_done(Int axis) {
  Call c("check_done", {I(axis)});
  return machine.Done(axis);
}
SIM_EXPORT Int check_limit(Int axis) {
  Call c("check_limit", {I(axis)});
  return machine.Limit(axis);
}
SIM_EXPORT Int check_home(Int axis) {
  Call c("check_home", {I(axis)});
  return machine.Reading(axis, sim::Home);
}
SIM_EXPORT Int check_SD(Int axis) {
  Call c("check_SD", {I(axis)});
  return machine.Reading(axis, sim::SlowDown);
}
SIM_EXPORT Int check_alarm(Int axis) {
  Call c("check_alarm", {I(axis)});
  return machine.Reading(axis, sim::AlarmInput);
}
// Bits: 0 moving, 1 positive limit, 2 negative limit, 3 home, 4 slow-down, 5 alarm.
SIM_EXPORT Int check_status(Int axis) {
  Call c("check_status", {I(axis)});
  return machine.Status(axis);
}
// What ended the last motion of an axis: 0 here (its own end or a stop).
SIM_EXPORT Int get_done_source(Int axis, Int* source) {
  Call c("get_done_source", {I(axis), P()});
  if (!machine.ValidAxis(axis) || source == nullptr) return sim::kBadArgument;
  *source = 0;
  return 0;
}
// Card chip check (ORVC): 0 for a present card.
SIM_EXPORT Int check_IC(Int card) {
  Call c("check_IC", {I(card)});
  return CardOnly(card);
}

// ============================================================== general I/O

SIM_EXPORT Int checkin_bit(Int card, Int bit) {
  Call c("checkin_bit", {I(card), I(bit)});
  return machine.InputBit(card, bit);
}
SIM_EXPORT Int outport_bit(Int card, Int bit, Int level) {
  Call c("outport_bit", {I(card), I(bit), I(level)});
  return machine.OutputBit(card, bit, level);
}
// Inputs 8 x index + 1 .. 8 x index + 8 as one byte (index 0-2).
SIM_EXPORT Int checkin_byte(Int card, Int index) {
  Call c("checkin_byte", {I(card), I(index)});
  return machine.InputByte(card, index);
}
SIM_EXPORT Int outport_byte(Int card, Int index, Int value) {
  Call c("outport_byte", {I(card), I(index), I(value)});
  return machine.OutputByte(card, index, value);
}
// Raw port access: a byte of card 1's general I/O by port number 0-2.
SIM_EXPORT Int Outport(Int port, Int value) {
  Call c("Outport", {I(port), I(value)});
  return machine.OutputByte(1, port, value);
}
SIM_EXPORT Int Inport(Int port) {
  Call c("Inport", {I(port)});
  return machine.InputByte(1, port);
}
// Special function registers: 0 (nothing pending).
SIM_EXPORT Int check_SFR(Int card) {
  Call c("check_SFR", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int check_sfr(Int card) {
  Call c("check_sfr", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int check_sfr_bit(Int card, Int bit) {
  Call c("check_sfr_bit", {I(card), I(bit)});
  return machine.ValidCard(card) && bit >= 0 && bit < 32 ? 0 : sim::kBadArgument;
}

// ============================================================== backlash

SIM_EXPORT Int set_backlash(Int axis, Int pulses) {
  Call c("set_backlash", {I(axis), I(pulses)});
  return machine.SetBacklash(axis, pulses);
}
SIM_EXPORT Int start_backlash(Int axis) {
  Call c("start_backlash", {I(axis)});
  return AxisOnly(axis);
}
SIM_EXPORT Int end_backlash(Int axis) {
  Call c("end_backlash", {I(axis)});
  return AxisOnly(axis);
}

// ============================================================== features outside this machine
// Accepted for a valid axis or card and otherwise without effect.

#define SIM_AXIS_FLAG(NAME)                 \
  SIM_EXPORT Int NAME(Int axis, Int flag) { \
    Call c(#NAME, {I(axis), I(flag)});      \
    return AxisOnly(axis);                  \
  }
SIM_AXIS_FLAG(enable_io_pos)
SIM_AXIS_FLAG(set_poscmp_source)
SIM_AXIS_FLAG(enable_lock_enc)
SIM_AXIS_FLAG(enable_gear)
SIM_AXIS_FLAG(enable_handwheel)
SIM_AXIS_FLAG(enable_softlimit)
SIM_AXIS_FLAG(set_softlimit)
SIM_AXIS_FLAG(enable_poserr_limit)
SIM_AXIS_FLAG(enable_input_mode)
SIM_AXIS_FLAG(set_im_deadband)
SIM_AXIS_FLAG(set_tan_flag)
SIM_AXIS_FLAG(set_tan_axis)
SIM_AXIS_FLAG(set_tan_io)
SIM_AXIS_FLAG(set_tan_map)
#undef SIM_AXIS_FLAG

SIM_EXPORT Int set_io_pos(Int axis, Int position) {
  Call c("set_io_pos", {I(axis), I(position)});
  return AxisOnly(axis);
}
SIM_EXPORT Int reset_locked_flag(Int axis) {
  Call c("reset_locked_flag", {I(axis)});
  return AxisOnly(axis);
}
SIM_EXPORT Int get_locked_flag(Int axis) {
  Call c("get_locked_flag", {I(axis)});
  return AxisOnly(axis);
}
SIM_EXPORT Int get_locked_encoder(Int axis, Int* count) {
  Call c("get_locked_encoder", {I(axis), P()});
  if (!machine.ValidAxis(axis) || count == nullptr) return sim::kBadArgument;
  *count = 0;
  return 0;
}
SIM_EXPORT Int set_softlimit_data(Int axis, double negative, double positive) {
  Call c("set_softlimit_data", {I(axis), D(negative), D(positive)});
  return machine.ValidAxis(axis) && std::isfinite(negative) && std::isfinite(positive) ? 0 : sim::kBadArgument;
}
SIM_EXPORT Int check_softlimit(Int axis) {
  Call c("check_softlimit", {I(axis)});
  return AxisOnly(axis);
}
SIM_EXPORT Int set_poserr_limit(Int axis, Int pulses) {
  Call c("set_poserr_limit", {I(axis), I(pulses)});
  return AxisOnly(axis);
}
SIM_EXPORT Int get_poserr_limit(Int axis, Int* pulses) {
  Call c("get_poserr_limit", {I(axis), P()});
  if (!machine.ValidAxis(axis) || pulses == nullptr) return sim::kBadArgument;
  *pulses = 0;
  return 0;
}
SIM_EXPORT Int set_watchdog_time(Int card, Int milliseconds) {
  Call c("set_watchdog_time", {I(card), I(milliseconds)});
  return CardOnly(card);
}
SIM_EXPORT Int reset_watchdog(Int card) {
  Call c("reset_watchdog", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int start_watchdog(Int card) {
  Call c("start_watchdog", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int stop_watchdog(Int card) {
  Call c("stop_watchdog", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int get_watchdog_status(Int card) {
  Call c("get_watchdog_status", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int enable_isr(Int card, Int flag) {
  Call c("enable_isr", {I(card), I(flag)});
  return CardOnly(card);
}
// The interrupt routine is never called here.
SIM_EXPORT Int set_isr_routine(void (*routine)()) {
  Call c("set_isr_routine", {P()});
  return routine == nullptr ? sim::kBadArgument : 0;
}
SIM_EXPORT Int set_isr_factor(Int card, Int factor) {
  Call c("set_isr_factor", {I(card), I(factor)});
  return CardOnly(card);
}
SIM_EXPORT Int get_isr_event(Int card) {
  Call c("get_isr_event", {I(card)});
  return CardOnly(card);
}
SIM_EXPORT Int set_tan_initpos(Int axis, double position) {
  Call c("set_tan_initpos", {I(axis), D(position)});
  return AxisOnly(axis);
}
SIM_EXPORT Int set_tan_profile(Int axis, double start, double top, double accel) {
  Call c("set_tan_profile", {I(axis), D(start), D(top), D(accel)});
  return AxisOnly(axis);
}
SIM_EXPORT Int set_tan_stopangle(Int axis, double degrees) {
  Call c("set_tan_stopangle", {I(axis), D(degrees)});
  return AxisOnly(axis);
}
SIM_EXPORT Int get_tan_lastpos(Int axis, double* position) {
  Call c("get_tan_lastpos", {I(axis), P()});
  if (!machine.ValidAxis(axis) || position == nullptr) return sim::kBadArgument;
  *position = 0;
  return 0;
}
SIM_EXPORT Int check_timer_num() {
  Call c("check_timer_num", {});
  return 0;
}
// Errors are answered in the results; the error register stays 0.
SIM_EXPORT Int get_err(Int index, Int* code) {
  Call c("get_err", {I(index), P()});
  if (code == nullptr) return sim::kBadArgument;
  *code = 0;
  return 0;
}
SIM_EXPORT Int get_last_err() {
  Call c("get_last_err", {});
  return 0;
}
SIM_EXPORT Int reset_err() {
  Call c("reset_err", {});
  return 0;
}

// ============================================================== versions

SIM_EXPORT Int get_lib_ver(Int* major, Int* minor, Int* release) {
  Call c("get_lib_ver", {P(), P(), P()});
  return Versions(major, minor, release, 1 + SIM_MODEL, 4, 2);
}
SIM_EXPORT Int get_sys_ver(Int* major, Int* minor, Int* release) {
  Call c("get_sys_ver", {P(), P(), P()});
  return Versions(major, minor, release, 5, 1, 0);
}
// Card type: 0xA1, 0xB1 or 0xC1 by model.
SIM_EXPORT Int get_card_ver(Int card, Int* type, Int* major, Int* minor, Int* release) {
  Call c("get_card_ver", {I(card), P(), P(), P(), P()});
  if (!machine.ValidCard(card) || type == nullptr) return sim::kBadArgument;
  const int r = Versions(major, minor, release, 2, 0, card);
  if (r == 0) *type = 0xA1 + 0x10 * SIM_MODEL;
  return r;
}

// ============================================================== the contract

#define SIM_CHECK(NAME, SIG) static_assert(std::is_same_v<decltype(NAME), Sig::SIG>, #NAME);
SIM_CHECK(auto_set, auto_set)
SIM_CHECK(init_board, init_board)
SIM_CHECK(set_maxspeed, set_maxspeed)
SIM_CHECK(set_conspeed, set_conspeed)
SIM_CHECK(set_profile, set_profile)
SIM_CHECK(set_vector_conspeed, set_vector_conspeed)
SIM_CHECK(set_vector_profile, set_vector_profile)
SIM_CHECK(reset_pos, reset_pos)
SIM_CHECK(reset_enc_pos, reset_enc_pos)
SIM_CHECK(set_outmode, set_outmode)
SIM_CHECK(set_home_mode, set_home_mode)
SIM_CHECK(set_getpos_mode, set_getpos_mode)
SIM_CHECK(set_encoder_mode, set_encoder_mode)
SIM_CHECK(enable_sd, enable_sd)
SIM_CHECK(enable_el, enable_el)
SIM_CHECK(enable_org, enable_org)
SIM_CHECK(enable_alm, enable_alm)
SIM_CHECK(set_sd_logic, set_sd_logic)
SIM_CHECK(set_el_logic, set_el_logic)
SIM_CHECK(set_org_logic, set_org_logic)
SIM_CHECK(set_alm_logic, set_alm_logic)
SIM_CHECK(con_pmove, move1)
SIM_CHECK(fast_pmove, move1)
SIM_CHECK(con_pmove2, move2)
SIM_CHECK(fast_pmove2, move2)
SIM_CHECK(con_line2, move2)
SIM_CHECK(fast_line2, move2)
SIM_CHECK(con_pmove3, move3)
SIM_CHECK(fast_pmove3, move3)
SIM_CHECK(con_line3, move3)
SIM_CHECK(fast_line3, move3)
SIM_CHECK(con_pmove4, move4)
SIM_CHECK(fast_pmove4, move4)
SIM_CHECK(con_line4, move4)
SIM_CHECK(fast_line4, move4)
SIM_CHECK(con_vmove, vmove1)
SIM_CHECK(fast_vmove, vmove1)
SIM_CHECK(fast_hmove, vmove1)
SIM_CHECK(con_vmove2, vmove2)
SIM_CHECK(fast_vmove2, vmove2)
SIM_CHECK(con_vmove3, vmove3)
SIM_CHECK(fast_vmove3, vmove3)
SIM_CHECK(con_vmove4, vmove4)
SIM_CHECK(fast_vmove4, vmove4)
SIM_CHECK(fast_hmove4, vmove4)
SIM_CHECK(open_list, open_list)
SIM_CHECK(close_list, close_list)
SIM_CHECK(set_ellipse_ratio, set_ellipse_ratio)
SIM_CHECK(arc_center, arc)
SIM_CHECK(fast_arc_center, arc)
SIM_CHECK(sudden_stop, stop1)
SIM_CHECK(decel_stop, stop1)
SIM_CHECK(sudden_stop_list, stop_list)
SIM_CHECK(decel_stop_list, stop_list)
SIM_CHECK(outport_bit, outport_bit)
SIM_CHECK(checkin_bit, checkin_bit)
SIM_CHECK(get_rate, get_rate)
SIM_CHECK(get_abs_pos, get_abs_pos)
SIM_CHECK(get_encoder, get_encoder)
SIM_CHECK(check_done, query1)
SIM_CHECK(check_limit, query1)
SIM_CHECK(check_home, query1)
SIM_CHECK(check_SD, query1)
SIM_CHECK(check_alarm, query1)
SIM_CHECK(get_cur_dir, query1)
SIM_CHECK(get_lib_ver, get_lib_ver)
SIM_CHECK(get_sys_ver, get_sys_ver)
SIM_CHECK(get_card_ver, get_card_ver)
SIM_CHECK(move_pause, move_pause)
SIM_CHECK(move_resume, move_resume)
SIM_CHECK(enable_input_mode, enable_input_mode)
SIM_CHECK(set_im_deadband, set_im_deadband)
SIM_CHECK(set_steps_pr, set_steps_pr)
SIM_CHECK(set_enc_thread, set_enc_thread)
#undef SIM_CHECK

// ============================================================== sim_ exports

namespace {
std::lock_guard<std::mutex> Lock() { return std::lock_guard<std::mutex>(machine.Mutex()); }
}  // namespace

SIM_EXPORT int sim_reset(void) {
  auto lock = Lock();
  machine.ResetFromDefaultPlace(LibraryPath(), kLibraryName);
  return 0;
}
SIM_EXPORT int sim_load_machine(const char* path) {
  auto lock = Lock();
  return machine.LoadFile(path, kLibraryName);
}
SIM_EXPORT int sim_set_manual_clock(int on) {
  auto lock = Lock();
  if (on != 0 && on != 1) return -1;
  return machine.SetManualClock(on == 1);
}
SIM_EXPORT int sim_advance_us(int64_t microseconds) {
  auto lock = Lock();
  return machine.AdvanceUs(microseconds);
}
SIM_EXPORT int64_t sim_now_us(void) {
  auto lock = Lock();
  machine.Sync();
  return machine.NowUs();
}
SIM_EXPORT int sim_trace_enable(int on) {
  auto lock = Lock();
  if (on != 0 && on != 1) return -1;
  machine.GetTrace().SetEnabled(on == 1);
  return 0;
}
SIM_EXPORT int sim_trace_clear(void) {
  auto lock = Lock();
  machine.GetTrace().Clear();
  return 0;
}
SIM_EXPORT int sim_trace_size(void) {
  auto lock = Lock();
  return static_cast<int>(machine.GetTrace().Size());
}
SIM_EXPORT int sim_trace_entry(int index, char* buffer, int capacity) {
  auto lock = Lock();
  std::string text;
  if (index < 0 || !machine.GetTrace().Entry(static_cast<std::size_t>(index), text)) return -1;
  if (buffer != nullptr && capacity > 0) {
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(capacity) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int>(text.size());
}
SIM_EXPORT int sim_axis_position(int axis, double* position) {
  auto lock = Lock();
  machine.Sync();
  return machine.TruePosition(axis, position);
}
SIM_EXPORT int sim_axis_speed(int axis, double* speed) {
  auto lock = Lock();
  machine.Sync();
  return machine.TrueSpeed(axis, speed);
}
SIM_EXPORT int sim_set_position(int axis, double position) {
  auto lock = Lock();
  machine.Sync();
  return machine.SetPosition(axis, position);
}
SIM_EXPORT int sim_force_signal(int axis, int signal, int state) {
  auto lock = Lock();
  machine.Sync();
  return machine.ForceSignal(axis, signal, state);
}
SIM_EXPORT int sim_set_encoder(int axis, double countsPerPulse, double scaleError, double lostPer10000) {
  auto lock = Lock();
  machine.Sync();
  return machine.SetEncoderBehaviour(axis, countsPerPulse, scaleError, lostPer10000);
}
SIM_EXPORT int sim_force_input(int card, int bit, int state) {
  auto lock = Lock();
  return machine.ForceInput(card, bit, state);
}
