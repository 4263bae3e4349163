#include "motion/PathPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "motion/EngineInternal.h"
#include "motion/MotionProfile.h"
#include "motion/PathPlot.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int64_t kTickMicroseconds = 5000;
// Far beyond any real move (some 158 years of ticks), and safe to multiply
// by the tick's microseconds.
constexpr std::int64_t kMaxTicks = std::int64_t{1} << 40;
// How often a long computation looks whether it should stop.
constexpr int kStopCheckRows = 256;
constexpr int kStopCheckSteps = 4096;

// Time of tick k after a move was issued, as the card's clock counts it.
double TickTime(std::int64_t k) { return static_cast<double>(k * kTickMicroseconds) * 1e-6; }

// How one row moves axes 1 and 2, in absolute pulses: each on a profile
// (a line's axes share one), or straight to the end for a home row.
struct PlanMove {
  enum class Kind { Timed, Jump };
  Kind kind = Kind::Timed;
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
  // Position = start + share * profile travel, as the card moves an axis.
  std::array<MotionProfile, 2> profile{};
  std::array<double, 2> share{};
};

// The speeds the cards hold from earlier rows, as far as they matter to a
// line: each axis's maximum caps the line's speed.
struct HeldSpeeds {
  std::array<double, 16> maximum;  // set_maxspeed; infinite: not known
  std::optional<VectorSpeeds> constant, fast;

  HeldSpeeds() { maximum.fill(kInf); }
  void SetMaximum(int axis, double speed) {
    if (axis >= 1 && axis <= 16 && std::isfinite(speed) && speed >= 0.0) {
      maximum[static_cast<std::size_t>(axis - 1)] = speed;
    }
  }
  double Maximum(int axis) const {
    return axis >= 1 && axis <= 16 ? maximum[static_cast<std::size_t>(axis - 1)] : kInf;
  }
};

// The distance the card is sent for one slot: nothing when the driver or
// the card refuses it (then nothing of the move is sent).
std::optional<double> SentDistance(const PathPlanInput& in, int axis, double value) {
  const double pulses = in.conversions.ToPulses(axis, value);
  const std::optional<int> whole = card::WholePulses(pulses);
  if (!whole) return std::nullopt;
  return in.wholePulses ? static_cast<double>(*whole) : pulses;
}

void SetMaxima(const PathPlanInput& in, const MotionCommand& row, int n, bool fast, HeldSpeeds& speeds) {
  for (int k = 0; k < n; ++k) {
    speeds.SetMaximum(row.iAxes[k], in.conversions.ToPulses(row.iAxes[k], fast ? row.dbHighSpd[k] : row.dbLowSpd[k]));
  }
}

void SetHomeMaximum(const PathPlanInput& in, int axis, HeldSpeeds& speeds) {
  if (axis < 1 || axis > 16) return;
  speeds.SetMaximum(axis, in.conversions.ToPulses(axis, in.homeHighSpeed[static_cast<std::size_t>(axis - 1)]));
}

// The speeds the cards hold when a pass begins, taken to be those the
// program itself leaves set (the pass before, or the last run); an axis
// the program never sets is not capped.
HeldSpeeds SpeedsLeftBy(const PathPlanInput& in) {
  HeldSpeeds speeds;
  const MotionCommand* lastConstant = nullptr;
  const MotionCommand* lastFast = nullptr;
  for (const MotionCommand& row : in.rows) {
    int n = 0;
    switch (engine::ClassifyCode(row.iCodeType, &n)) {
      case engine::CodeKind::ConstPtoP:
        SetMaxima(in, row, std::min(n, 4), false, speeds);
        break;
      case engine::CodeKind::FastPtoP:
        SetMaxima(in, row, std::min(n, 4), true, speeds);
        break;
      case engine::CodeKind::ConstLine:
        lastConstant = &row;
        break;
      case engine::CodeKind::FastLine:
        lastFast = &row;
        break;
      case engine::CodeKind::Home1:
        SetHomeMaximum(in, row.iAxes[0], speeds);
        break;
      default:
        break;
    }
  }
  if (lastConstant) speeds.constant = VectorSpeedsOf(*lastConstant, in.conversions);
  if (lastFast) speeds.fast = VectorSpeedsOf(*lastFast, in.conversions);
  return speeds;
}

// What one row sets and moves, in the order ExecuteCommand sends it.
class RowWalker {
 public:
  // `timed`: the moves' profiles are wanted too (not only where they end).
  RowWalker(const PathPlanInput& in, bool timed) : in_(in), timed_(timed) {
    if (timed_) speeds_ = SpeedsLeftBy(in);
  }

  // Follows `row` from (x, y): true with `move` when it moves axis 1 or 2.
  bool Row(const MotionCommand& row, double x, double y, PlanMove& move) {
    int n = 0;
    const engine::CodeKind kind = engine::ClassifyCode(row.iCodeType, &n);
    n = std::min(n, 4);
    move = PlanMove{};
    move.x0 = move.x1 = x;
    move.y0 = move.y1 = y;
    switch (kind) {
      case engine::CodeKind::ConstPtoP:
      case engine::CodeKind::FastPtoP:
        return PointToPoint(row, n, kind == engine::CodeKind::FastPtoP, move);
      case engine::CodeKind::ConstLine:
      case engine::CodeKind::FastLine:
        return Line(row, n, move);
      case engine::CodeKind::Home1:
        return Home(row, move);
      default:
        return false;
    }
  }

 private:
  double Pulses(int axis, double value) const { return in_.conversions.ToPulses(axis, value); }

  // The distances sent, or nothing when the move is refused.
  std::optional<std::array<double, 4>> Distances(const MotionCommand& row, int n) const {
    std::array<double, 4> sent{};
    for (int k = 0; k < n; ++k) {
      const std::optional<double> d = SentDistance(in_, row.iAxes[k], row.dbDis[k]);
      if (!d) return std::nullopt;
      sent[static_cast<std::size_t>(k)] = *d;
    }
    return sent;
  }

  // Places slot k's distance on axis 1 or 2 of the move.
  static std::optional<std::size_t> Place(const MotionCommand& row, int k, double d, PlanMove& move) {
    if (d == 0.0) return std::nullopt;
    if (row.iAxes[k] == 1) {
      move.x1 = move.x0 + d;
      return 0;
    }
    if (row.iAxes[k] == 2) {
      move.y1 = move.y0 + d;
      return 1;
    }
    return std::nullopt;
  }

  bool PointToPoint(const MotionCommand& row, int n, bool fast, PlanMove& move) {
    if (timed_) SetMaxima(in_, row, n, fast, speeds_);
    const auto sent = Distances(row, n);
    if (!sent) return false;
    bool moves = false;
    for (int k = 0; k < n; ++k) {
      const double d = (*sent)[static_cast<std::size_t>(k)];
      const auto i = Place(row, k, d, move);
      if (!i) continue;
      moves = true;
      if (!timed_) continue;
      // Each axis on its own profile, from its own speeds.
      const int axis = row.iAxes[k];
      const double low = Pulses(axis, row.dbLowSpd[k]);
      move.profile[*i] =
          fast ? MotionProfile::Ramped(std::fabs(d), low, Pulses(axis, row.dbHighSpd[k]), Pulses(axis, row.dbAccSpd[k]))
               : MotionProfile::Constant(std::fabs(d), low);
      move.share[*i] = d / std::fabs(d);
    }
    return moves;
  }

  bool Line(const MotionCommand& row, int n, PlanMove& move) {
    const bool fast = engine::ClassifyCode(row.iCodeType) == engine::CodeKind::FastLine;
    if (timed_) {
      if (const std::optional<VectorSpeeds> v = VectorSpeedsOf(row, in_.conversions)) {
        (fast ? speeds_.fast : speeds_.constant) = v;
      }
    }
    const auto sent = Distances(row, n);
    if (!sent) return false;
    double squares = 0.0;
    for (int k = 0; k < n; ++k) squares += (*sent)[static_cast<std::size_t>(k)] * (*sent)[static_cast<std::size_t>(k)];
    const double length = std::sqrt(squares);
    MotionProfile profile;
    if (timed_) {
      // The vector speed, capped so that no axis runs above its own maximum.
      const std::optional<VectorSpeeds>& held = fast ? speeds_.fast : speeds_.constant;
      double top = held ? (fast ? held->maximum : held->start) : 0.0;
      for (int k = 0; k < n; ++k) {
        const double share = std::fabs((*sent)[static_cast<std::size_t>(k)]) / length;
        if (share > 0.0) top = std::min(top, speeds_.Maximum(row.iAxes[k]) / share);
      }
      profile = fast && held ? MotionProfile::Ramped(length, held->start, top, held->acceleration)
                             : MotionProfile::Constant(length, top);
    }
    bool moves = false;
    for (int k = 0; k < n; ++k) {
      const double d = (*sent)[static_cast<std::size_t>(k)];
      const auto i = Place(row, k, d, move);
      if (!i) continue;
      moves = true;
      move.profile[*i] = profile;
      move.share[*i] = d / length;
    }
    return moves;
  }

  bool Home(const MotionCommand& row, PlanMove& move) {
    const int axis = row.iAxes[0];
    if (timed_) SetHomeMaximum(in_, axis, speeds_);
    // The search's own path depends on the switch; it ends at the origin.
    if (!engine::HomeSearchDirection(row.dbDis[0])) return false;
    move.kind = PlanMove::Kind::Jump;
    if (axis == 1) {
      move.x1 = 0.0;
    } else if (axis == 2) {
      move.y1 = 0.0;
    } else {
      return false;
    }
    return move.x1 != move.x0 || move.y1 != move.y0;
  }

  const PathPlanInput& in_;
  const bool timed_;
  HeldSpeeds speeds_;
};

// Calls visit(move) for every row that moves axis 1 or 2, in order (with
// profiles when `timed`). False when stopped.
template <class Visit>
bool WalkProgramPath(const PathPlanInput& in, bool timed, const std::stop_token& stop, Visit visit) {
  RowWalker walker(in, timed);
  PlanMove move;
  double x = in.startX, y = in.startY;
  std::size_t r = 0;
  for (const MotionCommand& row : in.rows) {
    if (++r % kStopCheckRows == 0 && stop.stop_requested()) return false;
    if (!walker.Row(row, x, y, move)) continue;
    if (!visit(move)) return false;
    x = move.x1;
    y = move.y1;
  }
  return true;
}

// The live plot's pixel of one axis for an absolute position, exactly as it
// maps what the card reports.
class AxisPixels {
 public:
  AxisPixels(double scale, double zero, double origin, bool upwards, bool whole)
      : scale_(scale), zero_(zero), origin_(origin), upwards_(upwards), whole_(whole) {}

  std::int32_t Pixel(double position) const {
    const double offset = Reported(position) - origin_;
    return PixelCoordinate(upwards_ ? zero_ - scale_ * offset : scale_ * offset + zero_);
  }

  // About where the pixel changes next, moving from `from` in direction
  // `dir`: a hint, the pixels themselves decide.
  double NextEdge(double from, int dir) const {
    const std::int32_t p = Pixel(from);
    // Pixels grow with the position along X and shrink along Y.
    const bool growing = (dir > 0) != upwards_;
    const double edge = growing ? static_cast<double>(p) + 1.0 : static_cast<double>(p);
    const double at = origin_ + (upwards_ ? (zero_ - edge) / scale_ : (edge - zero_) / scale_);
    // Whole pulses: the count past the edge is reported from half a pulse
    // before it.
    if (whole_) return (dir > 0 ? std::ceil(at) : std::floor(at)) - 0.5 * dir;
    return at;
  }

 private:
  double Reported(double position) const { return whole_ ? std::nearbyint(position) : position; }

  double scale_, zero_, origin_;
  bool upwards_, whole_;
};

struct Pixel {
  std::int32_t x = 0, y = 0;
  bool operator==(const Pixel&) const = default;
};

// Collects the segments between successive pixels, each distinct segment
// once.
class SegmentSink {
 public:
  SegmentSink(const PlotRect& frame, std::vector<PlotSegment>& out)
      : frame_(frame),
        width_(std::max<std::int64_t>(0, std::int64_t{frame.right} - frame.left + 1)),
        height_(std::max<std::int64_t>(0, std::int64_t{frame.bottom} - frame.top + 1)),
        out_(out) {
    if (width_ * height_ <= (std::int64_t{1} << 24)) steps_.assign(static_cast<std::size_t>(width_ * height_), 0);
  }

  void Add(Pixel from, Pixel to) {
    if (from == to || Seen(from, to)) return;
    out_.push_back({from.x, from.y, to.x, to.y});
  }

 private:
  bool Inside(Pixel p) const {
    return p.x >= frame_.left && p.y >= frame_.top && p.x - std::int64_t{frame_.left} < width_ &&
           p.y - std::int64_t{frame_.top} < height_;
  }

  bool Seen(Pixel a, Pixel b) {
    if (b.y < a.y || (b.y == a.y && b.x < a.x)) std::swap(a, b);
    const std::int64_t dx = std::int64_t{b.x} - a.x, dy = std::int64_t{b.y} - a.y;
    if (!Inside(a) || !Inside(b)) return false;
    if (dy <= 1 && dx >= -1 && dx <= 1 && !steps_.empty()) {
      // A step to a neighbour: one bit per direction and pixel.
      const int direction = dy == 0 ? 0 : static_cast<int>(dx + 2);
      const auto bit = static_cast<std::uint8_t>(1u << direction);
      std::uint8_t& cell = steps_[static_cast<std::size_t>((a.y - frame_.top) * width_ + (a.x - frame_.left))];
      if (cell & bit) return true;
      cell |= bit;
      return false;
    }
    const std::uint64_t key = (static_cast<std::uint64_t>(a.x - frame_.left) & 0xFFFF) |
                              (static_cast<std::uint64_t>(a.y - frame_.top) & 0xFFFF) << 16 |
                              (static_cast<std::uint64_t>(b.x - frame_.left) & 0xFFFF) << 32 |
                              (static_cast<std::uint64_t>(b.y - frame_.top) & 0xFFFF) << 48;
    if (width_ > 0xFFFF || height_ > 0xFFFF) return false;
    return !long_.insert(key).second;
  }

  PlotRect frame_;
  std::int64_t width_, height_;
  std::vector<PlotSegment>& out_;
  std::vector<std::uint8_t> steps_;
  std::unordered_set<std::uint64_t> long_;
};

class Tracer {
 public:
  Tracer(const AxisPixels& x, const AxisPixels& y, SegmentSink& sink, Pixel pen, std::stop_token stop)
      : x_(x), y_(y), sink_(sink), pen_(pen), stop_(std::move(stop)) {}

  bool Trace(const PlanMove& m) {
    if (m.kind == PlanMove::Kind::Timed) return Timed(m);
    MoveTo(At(m.x1, m.y1));
    return true;
  }

 private:
  Pixel At(double x, double y) const { return {x_.Pixel(x), y_.Pixel(y)}; }

  void MoveTo(Pixel p) {
    if (p == pen_) return;
    sink_.Add(pen_, p);
    pen_ = p;
  }

  bool Stopped() { return ++steps_ % kStopCheckSteps == 0 && stop_.stop_requested(); }

  // The positions read at every tick: one segment per tick that reaches a
  // new pixel. Ticks between are skipped: each axis moves one way, so the
  // time of its next pixel is found from its profile.
  bool Timed(const PlanMove& m) {
    const double duration = std::max(m.profile[0].Duration(), m.profile[1].Duration());
    std::int64_t last = 1;
    if (duration > 0.0) {
      const double ticks = std::ceil(duration / TickTime(1));
      last = ticks >= static_cast<double>(kMaxTicks) ? kMaxTicks
                                                     : std::max(std::int64_t{1}, static_cast<std::int64_t>(ticks));
      while (last < kMaxTicks && TickTime(last) < duration) ++last;
    }
    const std::array<double, 2> from{m.x0, m.y0}, to{m.x1, m.y1};
    auto position = [&](std::size_t i, std::int64_t k) {
      const double t = TickTime(k);
      // A finished move stands exactly on its target.
      if (t >= m.profile[i].Duration()) return to[i];
      return from[i] + m.share[i] * m.profile[i].DistanceAt(t);
    };
    auto pixelAt = [&](std::int64_t k) { return At(position(0, k), position(1, k)); };
    const std::array<const AxisPixels*, 2> axes{&x_, &y_};

    // Each axis moves one way, so once a tick's pixel differs from `here`,
    // so do all later ones: the first tick that reaches a new pixel is
    // found near the time the profiles give for it, then by halving.
    const Pixel final = pixelAt(last);
    std::int64_t k = 0;
    Pixel here = pixelAt(0);
    MoveTo(here);
    while (here != final) {
      if (Stopped()) return false;
      double next = kInf;
      for (std::size_t i = 0; i < 2; ++i) {
        const double now = position(i, k);
        if (now == to[i]) continue;
        const double edge = axes[i]->NextEdge(now, to[i] > from[i] ? 1 : -1);
        next = std::min(next, m.profile[i].TimeAt((edge - from[i]) / m.share[i]));
      }
      const double estimate = std::ceil(next / TickTime(1));
      const std::int64_t hint = std::clamp(
          estimate >= static_cast<double>(last) || !(estimate >= 0.0) ? last : static_cast<std::int64_t>(estimate),
          k + 1, last);
      auto moved = [&](std::int64_t tick) { return pixelAt(tick) != here; };
      std::int64_t same = k, differs = last;  // pixelAt(same) == here != pixelAt(differs)
      for (std::int64_t step = 1, probe = hint;; step *= 2) {
        if (moved(probe)) {
          differs = probe;
          probe = std::max(same, differs - step);
          if (probe == same || !moved(probe)) {
            same = std::max(same, probe);
            break;
          }
        } else {
          same = probe;
          probe = std::min(differs, same + step);
          if (probe == differs || moved(probe)) {
            differs = std::min(differs, probe);
            break;
          }
        }
      }
      while (differs - same > 1) {
        const std::int64_t middle = same + (differs - same) / 2;
        (moved(middle) ? differs : same) = middle;
      }
      k = differs;
      here = pixelAt(k);
      MoveTo(here);
    }
    return true;
  }

  const AxisPixels& x_;
  const AxisPixels& y_;
  SegmentSink& sink_;
  Pixel pen_;
  std::stop_token stop_;
  std::uint64_t steps_ = 0;
};

}  // namespace

PathPlanInput CurrentPlanInput(double startX, double startY) {
  PathPlanInput in;
  in.rows = MotionProgram;
  in.conversions = AxisConversions::Current();
  for (std::size_t i = 0; i < in.homeHighSpeed.size(); ++i) in.homeHighSpeed[i] = SysParams.HighSpd[i];
  in.startX = startX;
  in.startY = startY;
  in.wholePulses = CardDriver.model.load() != 2;
  return in;
}

std::pair<double, double> PlanPointBeforeRow(const PathPlanInput& input, std::size_t row) {
  PathPlanInput before = input;
  before.rows = input.rows.first(std::min(row, input.rows.size()));
  double x = input.startX, y = input.startY;
  WalkProgramPath(before, false, {}, [&](const PlanMove& m) {
    x = m.x1;
    y = m.y1;
    return true;
  });
  return {x - input.startX, y - input.startY};
}

PlanWindow ComputePlanWindow(const PathPlanInput& in) {
  PlanWindow w;
  WalkProgramPath(in, false, {}, [&](const PlanMove& m) {
    const double x = m.x1 - in.startX, y = m.y1 - in.startY;
    w.minX = std::min(w.minX, x);
    w.maxX = std::max(w.maxX, x);
    w.minY = std::min(w.minY, y);
    w.maxY = std::max(w.maxY, y);
    w.travelX += std::fabs(m.x1 - m.x0);
    w.travelY += std::fabs(m.y1 - m.y0);
    return true;
  });
  return w;
}

PlanFit FitPlan(const PlanWindow& window, const PlotRect& frame) {
  CPathPlot plot;
  plot.SetRect(frame);
  plot.FitWindow(window.minX, window.maxX, window.minY, window.maxY);
  PlanFit fit;
  fit.frame = frame;
  fit.scale = plot.Scale();
  fit.zero = plot.Map(0.0, 0.0);
  fit.steps = fit.scale * (window.travelX + window.travelY);
  return fit;
}

bool TracePlannedPath(const PathPlanInput& in, const PlanFit& fit, std::vector<PlotSegment>& out,
                      const std::stop_token& stop) {
  out.clear();
  if (fit.scale == 0.0) return true;  // no extent: nothing to draw
  const AxisPixels x(fit.scale, fit.zero.x, in.startX, false, in.wholePulses);
  const AxisPixels y(fit.scale, fit.zero.y, in.startY, true, in.wholePulses);
  SegmentSink sink(fit.frame, out);
  Tracer tracer(x, y, sink, {x.Pixel(in.startX), y.Pixel(in.startY)}, stop);
  return WalkProgramPath(in, true, stop, [&](const PlanMove& m) { return tracer.Trace(m); });
}

void PathPlanner::Start(std::vector<MotionCommand> rows, PathPlanInput input, const PlanFit& fit) {
  Cancel();
  {
    std::lock_guard lock(mutex_);
    busy_ = true;
  }
  worker_ = std::jthread([this, rows = std::move(rows), input, fit](const std::stop_token& stop) mutable {
    input.rows = rows;
    std::vector<PlotSegment> plan;
    const bool done = TracePlannedPath(input, fit, plan, stop);
    std::lock_guard lock(mutex_);
    if (done && !stop.stop_requested()) finished_ = std::move(plan);
    busy_ = false;
  });
}

void PathPlanner::Cancel() {
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  std::lock_guard lock(mutex_);
  busy_ = false;
  finished_.reset();
}

bool PathPlanner::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

std::optional<std::vector<PlotSegment>> PathPlanner::Take() {
  std::lock_guard lock(mutex_);
  std::optional<std::vector<PlotSegment>> plan = std::move(finished_);
  finished_.reset();
  return plan;
}
