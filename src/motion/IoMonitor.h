#pragma once
// The I/O monitor's rules: which LED state each card reading shows, the
// output level memory that the output buttons switch, and the signal
// functions that the enable boxes switch. The panel only moves the states
// into its LEDs and buttons.

#include <array>

// LED states: red, green, blue (the LED is disabled).
namespace led {
inline constexpr int kRed = 0;
inline constexpr int kGreen = 1;
inline constexpr int kBlue = 2;
}  // namespace led

inline constexpr int kGeneralInputs = 18;
inline constexpr int kGeneralOutputs = 24;

// What the LEDs of one card show; the readings update it in place, so a
// reading that leaves an LED as it was keeps its entry.
struct IoInputStates {
  std::array<int, kGeneralInputs> general{};  // inputs 1-18
  int alarm = led::kRed;                      // the card's first axis
  std::array<int, 4> limitPlus{};             // rows 1-4: the card's axes
  std::array<int, 4> limitMinus{};
  std::array<int, 4> origin{};
  std::array<int, 4> slowdown{};
};

// A general input read as 0 is green, 1 red, -1 blue; anything else keeps
// `shown`.
int GeneralInputState(int reading, int shown);
// Origin, slow-down and alarm inputs by their logic level: a level other
// than 0 and 1 keeps `shown`; reading 1 gives 1 - level, 0 gives level,
// anything else blue.
int SignalInputState(int reading, int level, int shown);
// The two limit LEDs from check_limit (1 positive, -1 negative, 2 both, 0
// none), each raw state XOR the level; another reading makes both blue; a
// level other than 0 and 1 keeps both.
void LimitInputStates(int reading, int level, int& plus, int& minus);

// Reads card `card` (1 or 2; axes 4 x (card - 1) + 1 ...): the general
// inputs 1-18, then the alarm of the first axis, the limits, origins and
// slow-downs of the four axes, with each axis's logic levels.
void ReadIoInputs(int card, IoInputStates& states);

constexpr std::array<int, kGeneralOutputs> OutputsOff() {
  std::array<int, kGeneralOutputs> levels{};
  for (int& level : levels) level = 1;
  return levels;
}

// The output level memory: one level per output number, shared by both
// cards; 1 (shown red, "OFF") until the first click.
struct IoMonitorRecord {
  std::array<int, kGeneralOutputs> OutputLevel = OutputsOff();

  void Reset();
};
extern IoMonitorRecord IoMonitor;

// Output button `output` (1-24) on card `card`: level 1 becomes 0 and 0
// becomes 1, sent with outport_bit; any other level does nothing. Returns
// the level the button shows now.
int OutputButton(int card, int output);

// The enable boxes: origin, limit and slow-down of row 1-4 (the card's
// axes), and the alarm of the card's first axis. The result is not looked
// at: a model without the function answers CARD_UNSUPPORTED.
enum class SignalFunction { Origin, Limit, SlowDown, Alarm };
void SignalEnableBox(SignalFunction function, int row, int card, bool on);
