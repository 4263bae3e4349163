#pragma once
// Speed profiles along a path: up to four pieces of constant acceleration.
// Distances in pulses (or pulses of path length), speeds in pulses per
// second, times in seconds from the start of the profile.

#include <array>

namespace sim {

struct Piece {
  double start = 0;     // time the piece begins
  double distance = 0;  // path travelled when it begins
  double speed = 0;     // speed when it begins
  double accel = 0;     // constant acceleration during the piece
};

class Profile {
 public:
  // Constant speed over `length` (may be infinite: runs until stopped).
  static Profile Constant(double length, double speed);
  // From speed `current` to the end of `length` (may be infinite), never
  // faster than `top`, ending at `final` speed (the pulse train then stops at
  // once, as a stepper drive does). A zero or infinite acceleration jumps
  // to `top`.
  static Profile Ramp(double length, double current, double final, double top, double accel);
  // Decelerate from `current` to `final` and stop.
  static Profile Stop(double current, double final, double accel);

  double Distance(double t) const;
  double Speed(double t) const;
  double Duration() const { return duration_; }  // infinite for endless moves
  double Length() const { return length_; }

 private:
  void Add(double duration, double speed, double accel);
  std::array<Piece, 4> pieces_{};
  int count_ = 0;
  double duration_ = 0;
  double length_ = 0;
};

}  // namespace sim
