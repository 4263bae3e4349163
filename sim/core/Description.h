#pragma once
// The machine behind a simulated card library: cards, and per axis its
// travel, switches, encoder and wiring. Read from a description file (the
// format is in the README, section "Simulated cards"); the built-in defaults
// give a small stage on which every default jog, move and home search of
// the program ends within seconds.

#include <array>
#include <string>

namespace sim {

inline constexpr int kMaxCards = 2;
inline constexpr int kAxesPerCard = 4;
inline constexpr int kMaxAxes = kMaxCards * kAxesPerCard;
inline constexpr int kInputs = 18;
inline constexpr int kOutputs = 24;

// Positions in pulses of the machine's own scale (the command position
// starts equal to it and moves with it until reset_pos sets a new zero).
struct AxisDescription {
  double start = 0;                            // position at reset
  double travelMin = -1100, travelMax = 1100;  // hard ends of the mechanics
  double negLimit = -1000, posLimit = 1000;    // limit switches: active at and beyond
  double homeLow = 20, homeHigh = 220;         // home switch: active in [low, high)
  double slowNeg = -900, slowPos = 900;        // slow-down switches: active at and beyond
  double indexPeriod = 200;                    // encoder index marks at multiples of this
  double countsPerPulse = 1;                   // encoder counts per pulse, before the multiplier
  double scaleError = 0;                       // 0.001: counts run 0.1 % long
  double lostPer10000 = 0;                     // counts lost per 10,000 pulses travelled
  // Electrical level (0 low, 1 high) an input shows while its switch is
  // actuated; the other level while not. These match the program's default
  // signal levels.
  int wireLimit = 0, wireHome = 1, wireSlow = 0, wireAlarm = 0;
  bool alarm = false;  // the drive stands in alarm
};

struct MachineDescription {
  int cards = 1;  // 0: no card answers, as a computer without one
  bool loopback = false;  // output k drives input k (1-18)
  std::array<AxisDescription, kMaxAxes> axes{};
};

// Parses description text. On an error returns false and sets `error` to
// "line N: what is wrong"; `out` is then unspecified.
bool ParseDescription(const std::string& text, MachineDescription& out, std::string& error);

// Reads and parses a file (at most 1 MiB). False with a message on error.
bool LoadDescriptionFile(const std::string& path, MachineDescription& out, std::string& error);

}  // namespace sim
