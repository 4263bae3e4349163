#pragma once
// G-code (CAM output) into a motion program: X, Y and Z become axes 1, 2
// and 3 of card 1. Feed moves become constant-speed rows at F/60 mm/s,
// rapid moves the fast forms at the rapid speed, arcs and helices chords
// within a tolerance, dwells the delay of the row before them.
//
// No drift: every target is an absolute position in whole pulses, rounded
// once, and each row's distance is the difference of two such targets, so
// the program ends where the G-code ends, to the pulse, however many rows
// it has. The program starts with the axes at the G-code's origin.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program/MotionCommand.h"

// What the converter needs to know of X, Y and Z (axes 1-3 of card 1): the
// axis's Unit code, which must be millimetres, and its PulseEquivalent.
struct GcodeAxis {
  int unit = 0;
  double equivalent = 0.0;  // mm per pulse
};
using GcodeAxes = std::array<GcodeAxis, 3>;

struct SpindleOutput {
  int card = 1;
  int port = 1;
};

struct GcodeOptions {
  double rapid = 20.0;                   // mm/s; start-up a tenth, acceleration five times per second
  double tolerance = 0.01;               // mm: how far a chord may stand from its arc
  std::optional<SpindleOutput> spindle;  // M3/M4 set it, M5 clears it; none: skipped
};

// Bounds of the option values the runner and the window accept.
inline constexpr double kMinTolerance = 0.0001;
inline constexpr double kMaxTolerance = 10.0;
inline constexpr double kMaxRapid = 100000.0;
inline constexpr int kMaxOutputPort = 24;

// More rows than this are refused (each one takes some 160 bytes).
inline constexpr std::size_t kMaxImportRows = 4'000'000;

enum class GcodeProblem {
  NotSupported,      // word: "G28", "T1", "#1", "[1+2]", "/"
  NoFeedRate,        // a feed move before any F
  MissingNumber,     // word: the letter
  Twice,             // word: the letter or code given twice on a line
  Conflict,          // word and other: two codes that exclude each other
  AxisNeedsMotion,   // word: an axis letter without G0-G3 in effect
  NeedsArc,          // word: I, J or R without G2 or G3
  ArcNeedsCentre,    // word: G2 or G3 with an end but neither I, J nor R
  NeedsDwell,        // word: P without G4
  DwellNeedsTime,    // G4 without P
  NotWith,           // word cannot share its line with other
  BadFeed,           // word: F that is not above 0
  BadDwell,          // word: P below 0
  DwellFirst,        // G4 before any row
  AxisUnit,          // axis (1-3) set up in `unit`, not in mm
  AxisEquivalent,    // axis (1-3) with a pulse equivalent that is not a positive number
  OutOfRange,        // word: a target or a distance beyond the cards' 32-bit pulses
  SpeedTooHigh,      // value mm/s on axis reaches the cards' 2000000 pulses/s
  RadiusTooShort,    // an R arc whose end is farther than 2R from its start
  RadiusFullCircle,  // an R arc that ends where it starts
  EndOffCircle,      // an I/J arc whose end is not on its circle (or no radius)
  CommentOpen,       // "(" without ")"
  TooManyRows,       // more than kMaxImportRows
  Cancelled,         // the progress callback said stop
};

struct GcodeError {
  std::size_t line = 0;  // from 1
  GcodeProblem problem = GcodeProblem::NotSupported;
  std::string word;
  std::string other;
  int axis = 0;
  int unit = 0;
  double value = 0.0;
};

// One per code skipped (M3, M4, M5 without a spindle output, M7, M8, M9,
// S): the first line that has it and how many times it came.
struct GcodeWarning {
  std::size_t line = 0;
  std::string word;
  std::size_t count = 0;
};

struct GcodeConversion {
  std::vector<MotionCommand> rows;
  std::vector<GcodeWarning> warnings;
  std::size_t lines = 0;              // lines of the text
  std::array<std::int64_t, 3> end{};  // where X, Y and Z end, in pulses
  std::optional<GcodeError> error;    // set: no program
};

// Called now and then with the lines read so far and the lines of the
// text; false stops the conversion (error Cancelled). May be empty.
using GcodeProgress = std::function<bool(std::size_t linesRead, std::size_t lines)>;

GcodeConversion ConvertGcode(std::string_view text, const GcodeAxes& axes, const GcodeOptions& options,
                             const GcodeProgress& progress = {});

// "line N: ..." in English (0) or Chinese (1); English for another language.
std::string GcodeErrorText(const GcodeError& error, int language);
std::string GcodeWarningText(const GcodeWarning& warning, int language);

// "CARD:PORT" of --spindle-output: card 1 or 2, port 1-24.
std::optional<SpindleOutput> ParseSpindleOutput(std::string_view text);

// Reads a whole G-code file; false with `why` (the system's reason) when it
// cannot be read.
bool ReadGcodeFile(const std::string& path, std::string& text, std::string& why);

// Puts an imported program in place of the current one: not saved, no
// path, Save asks for a file. The listing is emptied; the caller fills it
// (AppendImportedRows), at once or in parts. Refused with message 9 while a
// motion runs.
bool TakeImportedProgram(std::vector<MotionCommand> rows);
// Appends the listing rows of entries [first, first + count) of the program.
void AppendImportedRows(std::size_t first, std::size_t count);
