#pragma once
// How a card moves one axis through a point-to-point move from rest: at the
// constant speed, or from the start-up speed up to the maximum speed at the
// acceleration, on at the maximum, and back down to the start-up speed,
// where the pulse train stops (a triangle when the distance is too short to
// reach the maximum). Distances are magnitudes in pulses, speeds pulses per
// second, times seconds from the start of the move.

#include <array>

class MotionProfile {
 public:
  MotionProfile() = default;

  // set_conspeed's speed over `length`.
  static MotionProfile Constant(double length, double speed);
  // set_profile's start-up speed, maximum speed and acceleration over
  // `length`. A start-up speed above the maximum starts at the maximum; an
  // acceleration that is 0 or not finite runs at the maximum throughout.
  static MotionProfile Ramped(double length, double startSpeed, double maxSpeed, double acceleration);

  // A move whose speed is not a positive finite number has no timing of
  // its own: it counts as done at once.
  double Length() const { return length_; }
  double Duration() const { return duration_; }

  // Travel after `t` seconds: 0 up to the start, Length() from Duration().
  double DistanceAt(double t) const;
  // Speed after `t` seconds (0 outside the move).
  double SpeedAt(double t) const;
  // The first time the travel reaches `distance` (0 for none, Duration()
  // for the whole length or more).
  double TimeAt(double distance) const;

 private:
  // A stretch of constant acceleration.
  struct Phase {
    double start = 0.0;     // time it begins
    double distance = 0.0;  // travel when it begins
    double speed = 0.0;     // speed when it begins
    double accel = 0.0;
  };
  void Append(double duration, double speed, double accel);
  int PhaseAt(double t) const;

  std::array<Phase, 3> phases_{};
  int count_ = 0;
  double length_ = 0.0;
  double duration_ = 0.0;
};
