#pragma once
// CCardDriver: the one door to the cards. It holds the bindings of the three
// models and the selected model, and every card call in Tessor is one of its
// operations, named after the export it calls.
//
// Dispatch: the operation calls the selected model's export of the same name
// with the arguments in the same order and returns the library's result.
// When the model's list lacks the export, or `model` is outside 0-2, nothing
// is called and the result is CARD_UNSUPPORTED. The exceptions are noted at
// the operations.
//
// Distances are doubles. For ORVA and ORVB each distance is rounded to whole
// pulses, halves away from zero (2.5 -> 3, -2.5 -> -3); ORVC gets it
// unchanged. Whole-pulse positions from ORVA and ORVB come back as doubles.
//
// A model whose library is missing, or lacks auto_set or init_board, has no
// entries: auto_set and init_board then answer 0 (no axes, no cards, which
// card initialisation reports), every other operation CARD_UNSUPPORTED. An
// entry missing from an otherwise usable library answers CARD_UNSUPPORTED.

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

#include "card/CardAbi.h"
#include "card/CardLibs.h"

// The selected model lacks the operation; nothing was called.
inline constexpr int CARD_UNSUPPORTED = -100;

// A distance for ORVA or ORVB that is NaN, infinite, or whose rounded value
// does not fit a 32-bit integer. Such a move is not converted and not sent:
// nothing is called, not even for the other axes of the same move.
inline constexpr int CARD_BAD_DISTANCE = -101;

namespace card {

static_assert(std::is_same_v<cardabi::Int, int>, "the driver's integers are the libraries' 32-bit integers");

// A distance as the caller gives it: converted for the model at the call.
struct Distance {
  double value;
};

// `x` rounded to the nearest whole pulse, halves away from zero; nothing when
// `x` is not finite or the result does not fit a 32-bit integer.
inline std::optional<int> WholePulses(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double rounded = std::round(x);
  if (rounded < static_cast<double>(std::numeric_limits<int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<int>::max())) {
    return std::nullopt;
  }
  return static_cast<int>(rounded);
}

// An export name usable as a template argument, so the entry index of every
// model is found at compile time.
template <std::size_t N>
struct ExportName {
  char text[N]{};
  consteval ExportName(const char (&name)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
  }
  constexpr std::string_view view() const { return {text, N - 1}; }
};

// Picks one of cardabi::Signatures' function types for a model.
namespace sig {
#define TESSOR_CARD_SIGNATURE(name) \
  template <typename S>             \
  using name = typename S::name;  // NOLINT(bugprone-macro-parentheses)
TESSOR_CARD_SIGNATURE(auto_set)
TESSOR_CARD_SIGNATURE(init_board)
TESSOR_CARD_SIGNATURE(set_maxspeed)
TESSOR_CARD_SIGNATURE(set_conspeed)
TESSOR_CARD_SIGNATURE(set_profile)
TESSOR_CARD_SIGNATURE(set_vector_conspeed)
TESSOR_CARD_SIGNATURE(set_vector_profile)
TESSOR_CARD_SIGNATURE(reset_pos)
TESSOR_CARD_SIGNATURE(reset_enc_pos)
TESSOR_CARD_SIGNATURE(set_outmode)
TESSOR_CARD_SIGNATURE(set_home_mode)
TESSOR_CARD_SIGNATURE(set_getpos_mode)
TESSOR_CARD_SIGNATURE(set_encoder_mode)
TESSOR_CARD_SIGNATURE(enable_sd)
TESSOR_CARD_SIGNATURE(enable_el)
TESSOR_CARD_SIGNATURE(enable_org)
TESSOR_CARD_SIGNATURE(enable_alm)
TESSOR_CARD_SIGNATURE(set_sd_logic)
TESSOR_CARD_SIGNATURE(set_el_logic)
TESSOR_CARD_SIGNATURE(set_org_logic)
TESSOR_CARD_SIGNATURE(set_alm_logic)
TESSOR_CARD_SIGNATURE(move1)
TESSOR_CARD_SIGNATURE(move2)
TESSOR_CARD_SIGNATURE(move3)
TESSOR_CARD_SIGNATURE(move4)
TESSOR_CARD_SIGNATURE(vmove1)
TESSOR_CARD_SIGNATURE(vmove2)
TESSOR_CARD_SIGNATURE(vmove3)
TESSOR_CARD_SIGNATURE(vmove4)
TESSOR_CARD_SIGNATURE(open_list)
TESSOR_CARD_SIGNATURE(close_list)
TESSOR_CARD_SIGNATURE(set_ellipse_ratio)
TESSOR_CARD_SIGNATURE(arc)
TESSOR_CARD_SIGNATURE(stop1)
TESSOR_CARD_SIGNATURE(stop_list)
TESSOR_CARD_SIGNATURE(outport_bit)
TESSOR_CARD_SIGNATURE(checkin_bit)
TESSOR_CARD_SIGNATURE(get_rate)
TESSOR_CARD_SIGNATURE(get_abs_pos)
TESSOR_CARD_SIGNATURE(get_encoder)
TESSOR_CARD_SIGNATURE(query1)
TESSOR_CARD_SIGNATURE(get_lib_ver)
TESSOR_CARD_SIGNATURE(get_sys_ver)
TESSOR_CARD_SIGNATURE(get_card_ver)
TESSOR_CARD_SIGNATURE(move_pause)
TESSOR_CARD_SIGNATURE(move_resume)
TESSOR_CARD_SIGNATURE(enable_input_mode)
TESSOR_CARD_SIGNATURE(set_im_deadband)
TESSOR_CARD_SIGNATURE(set_steps_pr)
TESSOR_CARD_SIGNATURE(set_enc_thread)
#undef TESSOR_CARD_SIGNATURE
}  // namespace sig

template <typename P, typename A>
bool Sendable(const A& argument) {
  if constexpr (std::is_same_v<A, Distance> && std::is_same_v<P, int>) {
    return WholePulses(argument.value).has_value();
  } else {
    return true;
  }
}

template <typename P, typename A>
P Pass(const A& argument) {
  if constexpr (std::is_same_v<A, Distance>) {
    static_assert(std::is_same_v<P, int> || std::is_same_v<P, double>, "a distance goes to a distance parameter");
    if constexpr (std::is_same_v<P, int>) {
      return *WholePulses(argument.value);
    } else {
      return argument.value;
    }
  } else {
    static_assert(std::is_same_v<P, A>, "arguments reach the library with the types of its signature");
    return argument;
  }
}

template <typename F>
struct ResultOf;
template <typename R, typename... P>
struct ResultOf<R(P...)> {
  using type = R;
};

// What an operation of signature Sig returns (the same for every model).
template <template <typename> class Sig>
using Result = typename ResultOf<Sig<cardabi::SignaturesA>>::type;

// Converts the arguments for the library and calls it; a move with a distance
// that cannot be sent is not called at all.
template <typename R, typename... P, typename... A>
R Invoke(R (*function)(P...), A... arguments) {
  static_assert(sizeof...(P) == sizeof...(A), "argument count of the export");
  if constexpr ((std::is_same_v<A, Distance> || ...)) {
    if (!(Sendable<P>(arguments) && ...)) return static_cast<R>(CARD_BAD_DISTANCE);
  }
  return function(Pass<P>(arguments)...);
}

}  // namespace card

class CCardDriver {
 public:
  // Loads and binds the three libraries, A then B then C (released C, B, A).
  // Tests build a driver of their own to bind other libraries, after
  // pointing platform::SetModuleFolderForTesting elsewhere.
  CCardDriver();
  virtual ~CCardDriver();
  CCardDriver(const CCardDriver&) = delete;
  CCardDriver& operator=(const CCardDriver&) = delete;

  // 0 ORVA, 1 ORVB, 2 ORVC. ORVB until card initialisation sets it. Atomic
  // because the status tick dispatches on it from its own thread; the driver
  // holds no other state and no lock (the libraries accept calls from both).
  std::atomic<std::int32_t> model{1};
  CCardLibA libA;
  CCardLibB libB;
  CCardLibC libC;

  // Number of axes and number of cards; 0 when the library is not usable.
  int auto_set() const { return Call<"auto_set", card::sig::auto_set, 0>(); }
  int init_board() const { return Call<"init_board", card::sig::init_board, 0>(); }

  // Speeds of the next move.
  int set_maxspeed(int axis, double speed) const { return Call<"set_maxspeed", card::sig::set_maxspeed>(axis, speed); }
  int set_conspeed(int axis, double speed) const { return Call<"set_conspeed", card::sig::set_conspeed>(axis, speed); }
  int set_profile(int axis, double startSpeed, double maxSpeed, double acceleration) const {
    return Call<"set_profile", card::sig::set_profile>(axis, startSpeed, maxSpeed, acceleration);
  }
  int set_vector_conspeed(double speed) const {
    return Call<"set_vector_conspeed", card::sig::set_vector_conspeed>(speed);
  }
  int set_vector_profile(double startSpeed, double maxSpeed, double acceleration) const {
    return Call<"set_vector_profile", card::sig::set_vector_profile>(startSpeed, maxSpeed, acceleration);
  }

  // Axis set-up.
  int reset_pos(int axis) const { return Call<"reset_pos", card::sig::reset_pos>(axis); }
  int reset_enc_pos(int axis) const { return Call<"reset_enc_pos", card::sig::reset_enc_pos>(axis); }  // ORVB
  int set_outmode(int axis, int mode, int level) const {
    return Call<"set_outmode", card::sig::set_outmode>(axis, mode, level);
  }
  int set_home_mode(int axis, int mode) const { return Call<"set_home_mode", card::sig::set_home_mode>(axis, mode); }
  int set_getpos_mode(int axis, int mode) const {
    return Call<"set_getpos_mode", card::sig::set_getpos_mode>(axis, mode);
  }
  int set_encoder_mode(int axis, int mode, int multiplier, int countMode) const {
    return Call<"set_encoder_mode", card::sig::set_encoder_mode>(axis, mode, multiplier, countMode);
  }
  int enable_sd(int axis, int flag) const { return Call<"enable_sd", card::sig::enable_sd>(axis, flag); }
  int enable_el(int axis, int flag) const { return Call<"enable_el", card::sig::enable_el>(axis, flag); }
  int enable_org(int axis, int flag) const { return Call<"enable_org", card::sig::enable_org>(axis, flag); }
  int enable_alm(int axis, int flag) const { return Call<"enable_alm", card::sig::enable_alm>(axis, flag); }  // ORVC
  int set_sd_logic(int axis, int level) const { return Call<"set_sd_logic", card::sig::set_sd_logic>(axis, level); }
  int set_el_logic(int axis, int level) const { return Call<"set_el_logic", card::sig::set_el_logic>(axis, level); }
  int set_org_logic(int axis, int level) const { return Call<"set_org_logic", card::sig::set_org_logic>(axis, level); }
  int set_alm_logic(int axis, int level) const { return Call<"set_alm_logic", card::sig::set_alm_logic>(axis, level); }

  // Relative point-to-point moves, (axis, distance) pairs in the caller's order.
  int con_pmove(int a1, double d1) const { return Call<"con_pmove", card::sig::move1>(a1, D(d1)); }
  int fast_pmove(int a1, double d1) const { return Call<"fast_pmove", card::sig::move1>(a1, D(d1)); }
  int con_pmove2(int a1, double d1, int a2, double d2) const {
    return Call<"con_pmove2", card::sig::move2>(a1, D(d1), a2, D(d2));
  }
  int fast_pmove2(int a1, double d1, int a2, double d2) const {
    return Call<"fast_pmove2", card::sig::move2>(a1, D(d1), a2, D(d2));
  }
  int con_pmove3(int a1, double d1, int a2, double d2, int a3, double d3) const {
    return Call<"con_pmove3", card::sig::move3>(a1, D(d1), a2, D(d2), a3, D(d3));
  }
  int fast_pmove3(int a1, double d1, int a2, double d2, int a3, double d3) const {
    return Call<"fast_pmove3", card::sig::move3>(a1, D(d1), a2, D(d2), a3, D(d3));
  }
  int con_pmove4(int a1, double d1, int a2, double d2, int a3, double d3, int a4, double d4) const {
    return Call<"con_pmove4", card::sig::move4>(a1, D(d1), a2, D(d2), a3, D(d3), a4, D(d4));
  }
  int fast_pmove4(int a1, double d1, int a2, double d2, int a3, double d3, int a4, double d4) const {
    return Call<"fast_pmove4", card::sig::move4>(a1, D(d1), a2, D(d2), a3, D(d3), a4, D(d4));
  }

  // Linear interpolation, pairs as the point-to-point moves.
  int con_line2(int a1, double d1, int a2, double d2) const {
    return Call<"con_line2", card::sig::move2>(a1, D(d1), a2, D(d2));
  }
  int fast_line2(int a1, double d1, int a2, double d2) const {
    return Call<"fast_line2", card::sig::move2>(a1, D(d1), a2, D(d2));
  }
  int con_line3(int a1, double d1, int a2, double d2, int a3, double d3) const {
    return Call<"con_line3", card::sig::move3>(a1, D(d1), a2, D(d2), a3, D(d3));
  }
  int fast_line3(int a1, double d1, int a2, double d2, int a3, double d3) const {
    return Call<"fast_line3", card::sig::move3>(a1, D(d1), a2, D(d2), a3, D(d3));
  }
  int con_line4(int a1, double d1, int a2, double d2, int a3, double d3, int a4, double d4) const {
    return Call<"con_line4", card::sig::move4>(a1, D(d1), a2, D(d2), a3, D(d3), a4, D(d4));
  }
  int fast_line4(int a1, double d1, int a2, double d2, int a3, double d3, int a4, double d4) const {
    return Call<"fast_line4", card::sig::move4>(a1, D(d1), a2, D(d2), a3, D(d3), a4, D(d4));
  }

  // Continuous moves until stopped, (axis, direction 1 or -1) pairs; home search.
  int con_vmove(int a1, int dir1) const { return Call<"con_vmove", card::sig::vmove1>(a1, dir1); }
  int fast_vmove(int a1, int dir1) const { return Call<"fast_vmove", card::sig::vmove1>(a1, dir1); }
  int con_vmove2(int a1, int dir1, int a2, int dir2) const {
    return Call<"con_vmove2", card::sig::vmove2>(a1, dir1, a2, dir2);
  }
  int fast_vmove2(int a1, int dir1, int a2, int dir2) const {
    return Call<"fast_vmove2", card::sig::vmove2>(a1, dir1, a2, dir2);
  }
  int con_vmove3(int a1, int dir1, int a2, int dir2, int a3, int dir3) const {
    return Call<"con_vmove3", card::sig::vmove3>(a1, dir1, a2, dir2, a3, dir3);
  }
  int fast_vmove3(int a1, int dir1, int a2, int dir2, int a3, int dir3) const {
    return Call<"fast_vmove3", card::sig::vmove3>(a1, dir1, a2, dir2, a3, dir3);
  }
  int con_vmove4(int a1, int dir1, int a2, int dir2, int a3, int dir3, int a4, int dir4) const {
    return Call<"con_vmove4", card::sig::vmove4>(a1, dir1, a2, dir2, a3, dir3, a4, dir4);
  }
  int fast_vmove4(int a1, int dir1, int a2, int dir2, int a3, int dir3, int a4, int dir4) const {
    return Call<"fast_vmove4", card::sig::vmove4>(a1, dir1, a2, dir2, a3, dir3, a4, dir4);
  }
  int fast_hmove(int a1, int dir1) const { return Call<"fast_hmove", card::sig::vmove1>(a1, dir1); }
  int fast_hmove4(int a1, int dir1, int a2, int dir2, int a3, int dir3, int a4, int dir4) const {
    return Call<"fast_hmove4", card::sig::vmove4>(a1, dir1, a2, dir2, a3, dir3, a4, dir4);
  }

  // Circular interpolation (ORVC): open_list, set_ellipse_ratio, an arc, close_list.
  int open_list() const { return Call<"open_list", card::sig::open_list>(); }
  int close_list() const { return Call<"close_list", card::sig::close_list>(); }
  int set_ellipse_ratio(double ratio) const { return Call<"set_ellipse_ratio", card::sig::set_ellipse_ratio>(ratio); }
  int arc_center(int axis1, int axis2, double centre1, double centre2, double angle) const {
    return Call<"arc_center", card::sig::arc>(axis1, axis2, centre1, centre2, angle);
  }
  int fast_arc_center(int axis1, int axis2, double centre1, double centre2, double angle) const {
    return Call<"fast_arc_center", card::sig::arc>(axis1, axis2, centre1, centre2, angle);
  }

  // Stops: at once, or decelerating; the _list forms stop an interpolation (ORVC).
  int sudden_stop(int axis) const { return Call<"sudden_stop", card::sig::stop1>(axis); }
  int decel_stop(int axis) const { return Call<"decel_stop", card::sig::stop1>(axis); }
  int sudden_stop_list() const { return Call<"sudden_stop_list", card::sig::stop_list>(); }
  int decel_stop_list() const { return Call<"decel_stop_list", card::sig::stop_list>(); }

  // General inputs and outputs. checkin_bit gives -1 for a model outside 0-2.
  int outport_bit(int cardNumber, int bit, int level) const {
    return Call<"outport_bit", card::sig::outport_bit>(cardNumber, bit, level);
  }
  int checkin_bit(int cardNumber, int bit) const {
    return Call<"checkin_bit", card::sig::checkin_bit, CARD_UNSUPPORTED, -1>(cardNumber, bit);
  }

  // Speed in pulses per second; -100.0 when unsupported.
  double get_rate(int axis) const { return Call<"get_rate", card::sig::get_rate>(axis); }

  // Command position in pulses. For ORVA and ORVB the library fills whole
  // pulses, converted to the double; if it leaves them unwritten, a caller's
  // value that was a whole number of pulses stays as it was.
  int get_abs_pos(int axis, double* position) const;

  // Encoder count (ORVB, ORVC). ORVA, a model outside 0-2 and, on ORVC, the
  // axes without an encoder input (axis % 4 neither 1 nor 2: axes 3, 4, 7, 8)
  // answer 0 without a call and leave the count untouched.
  int get_encoder(int axis, int* count) const;

  // Axis state: 0 idle / other moving; limits 1, -1, 2, 0; inputs 1 or 0; direction.
  int check_done(int axis) const { return Call<"check_done", card::sig::query1>(axis); }
  int check_limit(int axis) const { return Call<"check_limit", card::sig::query1>(axis); }
  int check_home(int axis) const { return Call<"check_home", card::sig::query1>(axis); }
  int check_SD(int axis) const { return Call<"check_SD", card::sig::query1>(axis); }
  int check_alarm(int axis) const { return Call<"check_alarm", card::sig::query1>(axis); }
  int get_cur_dir(int axis) const { return Call<"get_cur_dir", card::sig::query1>(axis); }

  // Versions for the About box.
  int get_lib_ver(int* major, int* minor, int* release) const {
    return Call<"get_lib_ver", card::sig::get_lib_ver>(major, minor, release);
  }
  int get_sys_ver(int* major, int* minor, int* release) const {
    return Call<"get_sys_ver", card::sig::get_sys_ver>(major, minor, release);
  }
  int get_card_ver(int cardNumber, int* type, int* major, int* minor, int* release) const {
    return Call<"get_card_ver", card::sig::get_card_ver>(cardNumber, type, major, minor, release);
  }

  // Carried for ORVC; nothing calls them yet.
  int move_pause(int value) const { return Call<"move_pause", card::sig::move_pause>(value); }
  int move_resume(int value) const { return Call<"move_resume", card::sig::move_resume>(value); }
  int enable_input_mode(int axis, int flag) const {
    return Call<"enable_input_mode", card::sig::enable_input_mode>(axis, flag);
  }
  int set_im_deadband(int axis, int band) const {
    return Call<"set_im_deadband", card::sig::set_im_deadband>(axis, band);
  }
  int set_steps_pr(int axis, int steps) const { return Call<"set_steps_pr", card::sig::set_steps_pr>(axis, steps); }
  int set_enc_thread(int axis, int threshold) const {
    return Call<"set_enc_thread", card::sig::set_enc_thread>(axis, threshold);
  }

 private:
  static card::Distance D(double distance) { return card::Distance{distance}; }

  // body(entry) with the entry of `Name` in `lib`, typed for its model;
  // CARD_UNSUPPORTED when the model's list lacks the export, `missing` when
  // the library does not provide it.
  template <card::ExportName Name, template <typename> class Sig, typename Lib, typename Body>
  static card::Result<Sig> WithEntry(const Lib& lib, const Body& body, int missing) {
    using F = Sig<typename Lib::Signatures>;
    using R = card::Result<Sig>;
    constexpr int index = Lib::IndexOf(Name.view());
    if constexpr (index < 0) {
      return static_cast<R>(CARD_UNSUPPORTED);
    } else {
      F* entry = lib.template Entry<F>(static_cast<std::size_t>(index));
      if (entry == nullptr) return static_cast<R>(missing);
      return static_cast<R>(body(entry));
    }
  }

  // The dispatch rule for every operation.
  template <card::ExportName Name, template <typename> class Sig, int Missing = CARD_UNSUPPORTED,
            int OutsideModels = CARD_UNSUPPORTED, typename... A>
  card::Result<Sig> Call(A... arguments) const {
    using R = card::Result<Sig>;
    const auto body = [&](auto* entry) { return card::Invoke(entry, arguments...); };
    switch (model.load(std::memory_order_relaxed)) {
      case 0:
        return WithEntry<Name, Sig>(libA, body, Missing);
      case 1:
        return WithEntry<Name, Sig>(libB, body, Missing);
      case 2:
        return WithEntry<Name, Sig>(libC, body, Missing);
      default:
        return static_cast<R>(OutsideModels);
    }
  }
};

extern CCardDriver CardDriver;
