#pragma once
// The simulated machine behind one card library: one or two cards of four
// axes, each axis a stage with limit, home and slow-down switches, an alarm
// input and an encoder, and per card 18 general inputs and 24 outputs.
//
// Positions are kept in pulses as doubles. Motions are planned as speed
// profiles and evaluated at the machine's time, which is either a steady
// clock or a manual clock that moves only when told. Switch edges met on
// the way are found exactly (to far below a microsecond), so a run on the
// manual clock depends only on the calls and the time advanced.
//
// The Machine is not locked by itself: callers hold Mutex() around every use
// (the library's exports do).
//
// Results: 0 done; kBadArgument for an axis, card, bit or value out of range
// (nothing changes); kAlarm when an axis in alarm is told to move; kBusy
// when a moving axis is told to start another motion; kNoList for a list
// operation out of place.

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "core/Description.h"
#include "core/Profile.h"
#include "core/Trace.h"

namespace sim {

enum Model { ModelA = 0, ModelB = 1, ModelC = 2 };

inline constexpr int kBadArgument = -1;
inline constexpr int kAlarm = -2;
inline constexpr int kBusy = -3;
inline constexpr int kNoList = -4;
// check_limit and get_cur_dir for a bad axis (-1 is an answer there).
inline constexpr int kNoReading = -2;

// The per-axis inputs, in the order of the SIM_SIGNAL_ values.
enum Signal { PosLimit = 0, NegLimit = 1, Home = 2, SlowDown = 3, AlarmInput = 4 };
// The four signal functions that logic levels and enable flags address.
enum Function { LimitFunction = 0, HomeFunction = 1, SlowFunction = 2, AlarmFunction = 3 };

enum class Speed { Constant, Profiled };

class Machine {
 public:
  explicit Machine(Model model);

  std::mutex& Mutex() { return mutex_; }
  Trace& GetTrace() { return trace_; }

  // Brings the machine up to the clock's present (real-time mode); calls
  // made on the manual clock see the time last advanced to.
  void Sync();

  // Description and reset. `source` names where the description came from,
  // for messages.
  void Reset(const MachineDescription& description);
  // Finds the description as documented (environment variable, else the
  // file beside the library, else built-in) and resets to it. `libraryPath`
  // is the library's own file.
  void ResetFromDefaultPlace(const std::string& libraryPath, const std::string& libraryName);
  // A null/empty path: built-in defaults (result 0). A bad file: message
  // on stderr, built-in defaults, result -1.
  int LoadFile(const char* path, const std::string& libraryName);

  // Clock.
  int SetManualClock(bool on);
  int AdvanceUs(std::int64_t microseconds);
  std::int64_t NowUs() const { return nowUs_; }

  // Cards.
  int AxisCount() const { return cards_ * kAxesPerCard; }
  int CardCount() const { return cards_; }
  bool ValidAxis(int axis) const { return axis >= 1 && axis <= AxisCount(); }
  bool ValidCard(int card) const { return card >= 1 && card <= cards_; }

  // Speeds.
  int SetMaxSpeed(int axis, double speed);
  int SetConSpeed(int axis, double speed);
  int SetProfile(int axis, double start, double top, double accel);
  int SetVectorConSpeed(double speed);
  int SetVectorProfile(double start, double top, double accel);
  double ConSpeed(int axis) const;
  int GetProfile(int axis, double* start, double* top, double* accel) const;
  double VectorConSpeed() const { return vectorCon_; }
  void GetVectorProfile(double* start, double* top, double* accel) const;
  int ChangeSpeed(int axis, double speed);
  // New distance (from its start) for a running single-axis move, in its
  // direction and not behind where it stands.
  int ChangeTarget(int axis, double distance);

  // Axis set-up.
  int SetOutMode(int axis, int mode, int level);
  int SetHomeMode(int axis, int mode);
  int SetGetposMode(int axis, int mode);
  int SetEncoderMode(int axis, int mode, int multiplier, int countMode);
  int SetLogic(int axis, Function function, int level);
  int Enable(int axis, Function function, int flag);
  int SetDir(int axis, int dir);
  int SetBacklash(int axis, int pulses);

  // Motions. Arrays of `count` (1-4) axes with distances or directions.
  // Independent moves run each axis on its own profile; lines move all
  // axes on one straight line at the vector speed.
  int Move(const int* axes, const double* distances, int count, Speed speed);
  int Line(const int* axes, const double* distances, int count, Speed speed);
  int Continuous(const int* axes, const int* directions, int count, Speed speed);
  int HomeSearch(const int* axes, const int* directions, int count, Speed speed);
  int Stop(int axis, bool sudden);
  // Interpolation list: arcs between OpenList and CloseList run in order
  // when the list closes; an arc outside a list starts at once.
  int OpenList();
  int CloseList();
  int StopList(bool sudden);
  int SetEllipseRatio(double ratio);
  int Arc(int axis1, int axis2, double centre1, double centre2, double degrees, Speed speed);

  // Positions and state.
  int ResetPosition(int axis);
  int SetPosition(int axis, double position);
  int Position(int axis, double* position) const;  // command position
  int Encoder(int axis, std::int32_t* count) const;
  int ResetEncoder(int axis);
  bool HasEncoder(int axis) const;
  double Rate(int axis) const;  // |speed| in pulses/s, -1 for a bad axis
  int Direction(int axis) const;
  int Done(int axis) const;
  int Limit(int axis) const;
  int Reading(int axis, Signal signal) const;  // 1 active, 0 inactive (-1 bad axis)
  int Status(int axis) const;
  int CommandCount(int axis) const;
  int ResetCommandCount(int axis);

  // General I/O.
  int InputBit(int card, int bit) const;
  int OutputBit(int card, int bit, int level);
  int InputByte(int card, int index) const;
  int OutputByte(int card, int index, int value);

  // Test and demo controls.
  int TruePosition(int axis, double* position) const;
  int TrueSpeed(int axis, double* speed) const;
  int ForceSignal(int axis, int signal, int state);
  int SetEncoderBehaviour(int axis, double countsPerPulse, double scaleError, double lostPer10000);
  int ForceInput(int card, int bit, int state);

 private:
  enum class HomePhase { None, Search, Braking, BackOff, Approach, Index };
  enum class Path { Line, Arc };

  struct Motion {
    bool active = false;
    Path path = Path::Line;
    int count = 0;
    std::array<int, 4> axes{};  // 0-based
    std::array<double, 4> origin{};
    std::array<double, 4> unit{};
    std::array<double, 4> target{};
    double length = 0;  // total path length (infinite for endless moves)
    // Arc: centre, radius in the circle before scaling axis 2 by the ratio,
    // start angle and sense (+1 counter-clockwise).
    double cx = 0, cy = 0, radius = 0, ratio = 1, phi0 = 0, sense = 1;
    Profile profile;
    // Times are seconds after baseUs, the machine time at which the motion
    // was commanded, so a run repeats bit for bit whatever the clock read.
    std::int64_t baseUs = 0;
    double planTime = 0;  // s(t) = planDistance + profile.Distance(t - planTime)
    double planDistance = 0;
    double lastTime = 0;
    Speed speedKind = Speed::Constant;
    double startSpeed = 0, topSpeed = 0, accel = 0;
    bool slowed = false, stopping = false, fromList = false;
    HomePhase phase = HomePhase::None;
    int homeMode = 0, homeDir = 1;
    double creep = 0, indexMark = 0;
  };

  struct ArcSegment {
    int axis1 = 0, axis2 = 0;
    double c1 = 0, c2 = 0, degrees = 0, ratio = 1;
    Speed speed = Speed::Constant;
    double start = 0, top = 0, accel = 0;
  };

  struct Axis {
    AxisDescription d;
    double x = 0;     // machine position
    double zero = 0;  // command position = x - zero
    double enc = 0;   // encoder counts (with the multiplier)
    double encZero = 0;
    double travelled = 0;
    double lost = 0;
    int motion = -1;  // slot in motions_, -1 standing
    double maxSpeed = 0, conSpeed = 0, startSpeed = 0, topSpeed = 0, accel = 0;
    int homeMode = 0, outMode = 1, outLevel = 1, getposMode = 1, encMode = 1, encMultiplier = 1, encCount = 1, dir = 1,
        backlash = 0, commands = 0;
    std::array<int, 4> logic{};  // active level of each function's input
    std::array<int, 4> enabled{};
    std::array<int, 5> forced{};  // per Signal: -1 machine, 0, 1
  };

  Axis& A(int axis) { return axes_[static_cast<std::size_t>(axis - 1)]; }
  const Axis& A(int axis) const { return axes_[static_cast<std::size_t>(axis - 1)]; }
  Motion& M(int slot) { return motions_[static_cast<std::size_t>(slot)]; }

  void AdvanceTo(std::int64_t us);
  void AdvanceMotion(Motion& m, double t);
  double PathDistance(const Motion& m, double t) const;
  double PositionAt(const Motion& m, int k, double t) const;
  double VelocityOf(const Motion& m, int k, double t) const;
  double ArcStepEnd(const Motion& m, double ta, double tb) const;
  bool FindEvent(const Motion& m, double ta, double tb, double& te) const;
  void MoveTo(Motion& m, double t);
  void ApplyTravel(Axis& a, double dx);
  void Finish(Motion& m);
  void Halt(Motion& m);
  void CheckConditions(Motion& m);
  void CheckAllMotions();
  void Replan(Motion& m, double top);
  void RestartHome(Motion& m, int dir, HomePhase phase);
  int FreeSlot(int firstAxis) const;
  int StartLine(const int* axes0, const double* distances, int count, double start, double top, double accel,
                Speed speed, bool endless);
  int StartArc(const ArcSegment& s, bool fromList, std::int64_t baseUs, double t);
  void StartNextListSegment(std::int64_t baseUs, double t);
  bool Electrical(const Axis& a, Signal s) const;
  int ReadingOf(const Axis& a, Signal s) const;
  int Validate(const int* axes, int count) const;
  // Validate, plus directions of 1 or -1 and a speed above 0 on every axis.
  int ValidateEndless(const int* axes, const int* directions, int count, Speed speed) const;
  // The speed a single-axis motion of this kind runs at, capped by the maximum.
  static double TopSpeed(const Axis& a, Speed speed);

  std::mutex mutex_;
  Model model_;
  Trace trace_;
  MachineDescription description_;
  int cards_ = 1;
  std::array<Axis, kMaxAxes> axes_{};
  std::array<Motion, kMaxAxes> motions_{};
  double vectorCon_ = 0, vectorStart_ = 0, vectorTop_ = 0, vectorAccel_ = 0;
  double ellipseRatio_ = 1;
  bool listOpen_ = false;
  std::vector<ArcSegment> list_;
  std::size_t listNext_ = 0;
  std::array<std::array<int, kOutputs>, kMaxCards> outputs_{};
  std::array<std::array<int, kInputs>, kMaxCards> forcedInputs_{};
  // Clock.
  bool manual_ = false;
  std::int64_t nowUs_ = 0;
  std::chrono::steady_clock::time_point base_{};
};

}  // namespace sim
