#include "core/Profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {
namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

void Profile::Add(double duration, double speed, double accel) {
  if (!(duration > 0) || count_ >= static_cast<int>(pieces_.size())) return;
  Piece& p = pieces_[static_cast<std::size_t>(count_++)];
  p.start = duration_;
  p.distance = length_;
  p.speed = speed;
  p.accel = accel;
  duration_ += duration;
  if (std::isinf(duration)) {
    length_ = kInf;
  } else {
    length_ += speed * duration + 0.5 * accel * duration * duration;
  }
}

Profile Profile::Constant(double length, double speed) {
  Profile p;
  if (length > 0 && speed > 0) p.Add(std::isinf(length) ? kInf : length / speed, speed, 0);
  if (!std::isinf(length)) p.length_ = std::max(length, 0.0);
  return p;
}

Profile Profile::Ramp(double length, double current, double final, double top, double accel) {
  Profile p;
  if (!(length > 0) || !(top > 0)) return p;
  final = std::clamp(final, 0.0, top);
  current = std::max(current, 0.0);
  if (!(accel > 0) || std::isinf(accel)) return Constant(length, top);
  const double a = accel;
  const bool endless = std::isinf(length);
  if (current <= top) {
    double peak = top;
    if (!endless) peak = std::min(top, std::sqrt((2 * a * length + current * current + final * final) / 2));
    if (peak >= current) {
      const double up = (peak - current) / a;
      const double upDist = (peak * peak - current * current) / (2 * a);
      if (endless) {
        p.Add(up, current, a);
        p.Add(kInf, peak, 0);
        return p;
      }
      const double downDist = (peak * peak - final * final) / (2 * a);
      const double cruise = std::max(0.0, length - upDist - downDist);
      p.Add(up, current, a);
      if (peak > 0) p.Add(cruise / peak, peak, 0);
      p.Add((peak - final) / a, peak, -a);
      p.length_ = length;
      return p;
    }
  }
  // Faster than allowed (a slow-down, or a lower top speed): brake to the
  // top speed (or as far as the length allows), then as above.
  const double target = std::min(top, current);
  const double brakeDist = (current * current - target * target) / (2 * a);
  if (endless) {
    p.Add((current - target) / a, current, -a);
    p.Add(kInf, target, 0);
    return p;
  }
  const double finalDist = (target * target - final * final) / (2 * a);
  if (brakeDist + finalDist <= length) {
    p.Add((current - target) / a, current, -a);
    if (target > 0) p.Add((length - brakeDist - finalDist) / target, target, 0);
    p.Add((target - final) / a, target, -a);
  } else if ((current * current - final * final) / (2 * a) <= length) {
    const double d = (current * current - final * final) / (2 * a);
    p.Add((current - final) / a, current, -a);
    if (final > 0) p.Add((length - d) / final, final, 0);
  } else {
    // Too fast to reach the final speed: brake over the whole length, the
    // train stops at the target above the final speed.
    const double endSpeed = std::sqrt(std::max(0.0, current * current - 2 * a * length));
    p.Add((current - endSpeed) / a, current, -a);
  }
  p.length_ = length;
  return p;
}

Profile Profile::Stop(double current, double final, double accel) {
  Profile p;
  if (!(current > 0)) return p;
  if (!(accel > 0) || std::isinf(accel) || final >= current) return p;
  final = std::max(final, 0.0);
  p.Add((current - final) / accel, current, -accel);
  return p;
}

double Profile::Distance(double t) const {
  if (count_ == 0 || t <= 0) return 0;
  if (t >= duration_) return length_;
  int i = count_ - 1;
  while (i > 0 && pieces_[static_cast<std::size_t>(i)].start > t) --i;
  const Piece& p = pieces_[static_cast<std::size_t>(i)];
  const double dt = t - p.start;
  return std::min(length_, p.distance + p.speed * dt + 0.5 * p.accel * dt * dt);
}

double Profile::Speed(double t) const {
  if (count_ == 0 || t < 0 || t >= duration_) return 0;
  int i = count_ - 1;
  while (i > 0 && pieces_[static_cast<std::size_t>(i)].start > t) --i;
  const Piece& p = pieces_[static_cast<std::size_t>(i)];
  return std::max(0.0, p.speed + p.accel * (t - p.start));
}

}  // namespace sim
