#include "motion/MotionProfile.h"

#include <algorithm>
#include <cmath>

namespace {

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

}  // namespace

void MotionProfile::Append(double duration, double speed, double accel) {
  if (!(duration > 0.0) || count_ >= static_cast<int>(phases_.size())) return;
  double distance = 0.0;
  if (count_ > 0) {
    const Phase& before = phases_[static_cast<std::size_t>(count_ - 1)];
    const double d = duration_ - before.start;
    distance = before.distance + before.speed * d + 0.5 * before.accel * d * d;
  }
  phases_[static_cast<std::size_t>(count_++)] = {duration_, distance, speed, accel};
  duration_ += duration;
}

MotionProfile MotionProfile::Constant(double length, double speed) {
  MotionProfile m;
  if (!(length > 0.0) || !std::isfinite(length)) return m;
  m.length_ = length;
  if (Positive(speed)) m.Append(length / speed, speed, 0.0);
  return m;
}

MotionProfile MotionProfile::Ramped(double length, double startSpeed, double maxSpeed, double acceleration) {
  if (!Positive(maxSpeed)) return Constant(length, 0.0);
  if (!Positive(acceleration)) return Constant(length, maxSpeed);
  MotionProfile m;
  if (!(length > 0.0) || !std::isfinite(length)) return m;
  m.length_ = length;
  const double a = acceleration;
  const double start = std::isfinite(startSpeed) ? std::clamp(startSpeed, 0.0, maxSpeed) : 0.0;
  // Up and down take the same distance; the peak is where they meet when
  // the move is too short for the maximum.
  const double peak = std::min(maxSpeed, std::sqrt(a * length + start * start));
  const double ramp = (peak - start) / a;
  const double rampDistance = (peak * peak - start * start) / (2.0 * a);
  const double cruise = std::max(0.0, length - 2.0 * rampDistance);
  m.Append(ramp, start, a);
  if (peak > 0.0) m.Append(cruise / peak, peak, 0.0);
  m.Append(ramp, peak, -a);
  return m;
}

int MotionProfile::PhaseAt(double t) const {
  int i = count_ - 1;
  while (i > 0 && phases_[static_cast<std::size_t>(i)].start > t) --i;
  return i;
}

double MotionProfile::DistanceAt(double t) const {
  if (!(t > 0.0)) return 0.0;
  if (t >= duration_) return length_;
  const Phase& p = phases_[static_cast<std::size_t>(PhaseAt(t))];
  const double dt = t - p.start;
  return std::min(length_, p.distance + p.speed * dt + 0.5 * p.accel * dt * dt);
}

double MotionProfile::SpeedAt(double t) const {
  if (count_ == 0 || t < 0.0 || t >= duration_) return 0.0;
  const Phase& p = phases_[static_cast<std::size_t>(PhaseAt(t))];
  return std::max(0.0, p.speed + p.accel * (t - p.start));
}

double MotionProfile::TimeAt(double distance) const {
  if (!(distance > 0.0)) return 0.0;
  if (distance >= length_ || count_ == 0) return duration_;
  int i = count_ - 1;
  while (i > 0 && phases_[static_cast<std::size_t>(i)].distance > distance) --i;
  const Phase& p = phases_[static_cast<std::size_t>(i)];
  const double end = i + 1 < count_ ? phases_[static_cast<std::size_t>(i) + 1].start : duration_;
  // distance - p.distance = v dt + a dt^2 / 2, in the form that stays
  // exact as a goes to 0 and never takes the later root when braking.
  const double rest = distance - p.distance;
  const double root = std::sqrt(std::max(0.0, p.speed * p.speed + 2.0 * p.accel * rest));
  const double sum = p.speed + root;
  const double dt = sum > 0.0 ? 2.0 * rest / sum : end - p.start;
  return std::min(end, p.start + dt);
}
