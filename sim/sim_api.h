#pragma once
// The simulator's own exports, present in libORVA.so, libORVB.so and
// libORVC.so beside the model's card exports. Each library holds a machine of
// its own. Tests and the headless runner find these with the platform's
// FindExport on the library's handle; nothing else in Tessor calls them.
//
// Every function returns 0 on success and a negative value on bad arguments
// unless said otherwise.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Puts the machine back to its description (the file found as the README
// says, or the built-in defaults): cards, axes at their start positions,
// speeds, logic levels, forced inputs and outputs cleared, the clock at 0 in
// real-time mode, the call trace cleared and enabled.
int sim_reset(void);

// Loads a machine description file (format in the README) and resets to it.
// On a bad file: a message on stderr, the built-in defaults, result -1.
// A null or empty path: the built-in defaults, result 0.
int sim_load_machine(const char* path);

// Clock. Real time (a steady clock) by default. In manual mode time stands
// still except for sim_advance_us, so results depend only on the calls made
// and the time advanced.
int sim_set_manual_clock(int on);
int sim_advance_us(int64_t microseconds);  // manual mode only; negative is refused
int64_t sim_now_us(void);                   // the machine's time since reset

// Call trace of the model's card exports (not of sim_ exports), in call
// order. An entry reads like "con_pmove2(1,3,2,-3)": integers in decimal,
// doubles in shortest round-trip form ("2.5", "3", "-0.25"), out-pointers as
// "*". The trace keeps the newest 1,000,000 entries.
int sim_trace_enable(int on);
int sim_trace_clear(void);
int sim_trace_size(void);  // entries held
// Copies entry `index` (0 = oldest held) NUL-terminated into `buffer`
// (truncated to `capacity` - 1 bytes); returns the entry's full length, or
// -1 for an index out of range.
int sim_trace_entry(int index, char* buffer, int capacity);

// The true state of an axis (1-8), in pulses, as doubles: the command
// position before any rounding to whole pulses, and the speed's magnitude.
int sim_axis_position(int axis, double* position);
int sim_axis_speed(int axis, double* speed);

// Sets what the command position of a standing or moving axis reads, as
// set_abs_pos would, without moving the stage (the switches stay where they
// are). NaN, infinity or beyond 2^31 pulses is refused.
int sim_set_position(int axis, double position);

// Forces an axis input regardless of position and logic: signal is one of
// the SIM_SIGNAL_ values, state 1 active, 0 inactive, -1 back to the machine.
enum {
  SIM_SIGNAL_POS_LIMIT = 0,
  SIM_SIGNAL_NEG_LIMIT = 1,
  SIM_SIGNAL_HOME = 2,
  SIM_SIGNAL_SLOWDOWN = 3,
  SIM_SIGNAL_ALARM = 4
};
int sim_force_signal(int axis, int signal, int state);

// Encoder behaviour of an axis: counts per pulse before the multiplier's
// effect, a relative scale error (0.001 = counts run 0.1 % long) and counts
// lost per 10,000 pulses travelled.
int sim_set_encoder(int axis, double countsPerPulse, double scaleError, double lostPer10000);

// Forces general input `bit` (1-18) of `card` (1-2): 1, 0, or -1 back to the
// machine (its loop-back or 0).
int sim_force_input(int card, int bit, int state);

#ifdef __cplusplus
}
#endif
