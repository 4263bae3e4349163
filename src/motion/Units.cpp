#include "motion/Units.h"

#include <cmath>

#include "card/CardDriver.h"
#include "program/CommandCodes.h"
#include "settings/SysParams.h"

EquivalentsRecord Equivalents;

namespace {

int AxesOfCards(int cardCount) {
  if (cardCount == 1) return 4;
  if (cardCount == 2) return 8;
  return 0;
}

bool InTables(int axis) { return axis >= 1 && axis <= kEquivalentEntries; }

std::size_t Index(int axis) { return static_cast<std::size_t>(axis - 1); }

}  // namespace

void EquivalentsRecord::Reset() {
  for (std::size_t i = 0; i < kEquivalentEntries; ++i) {
    PulseEquivalent[i] = 0.0;
    FeedbackEquivalent[i] = 0.0;
    FeedbackAvailable[i] = 0;
  }
}

double ToPulses(int unitCode, double equivalent, double value) {
  switch (unitCode) {
    case unit::kMillimetre:
    case unit::kDegree:
      return value / equivalent;
    case unit::kMicrometre:
      return value / equivalent * 0.001;
    default:
      return value;
  }
}

double ToUnits(int unitCode, double equivalent, double pulses) {
  switch (unitCode) {
    case unit::kMillimetre:
    case unit::kDegree:
      return pulses * equivalent;
    case unit::kMicrometre:
      return pulses * equivalent * 1000.0;
    default:
      return pulses;
  }
}

double LiveCommandUnits(int axis, double pulses) {
  if (!InTables(axis)) return pulses;
  const auto a = static_cast<std::size_t>(axis - 1);
  return ToUnits(SysParams.Unit[a], Equivalents.PulseEquivalent[a], pulses);
}

double LiveSpeedUnits(int axis, double pulsesPerSecond) { return LiveCommandUnits(axis, pulsesPerSecond); }

double LiveFeedbackUnits(int axis, std::int32_t counts) {
  if (counts == 0) return 0.0;
  if (!InTables(axis)) return counts;
  const auto a = static_cast<std::size_t>(axis - 1);
  // EncFreq 0 from a damaged file would divide by zero: counts then.
  const int frequency = SysParams.EncFreq[a] != 0 ? SysParams.EncFreq[a] : 1;
  return ToUnits(SysParams.Unit[a], Equivalents.FeedbackEquivalent[a], static_cast<double>(counts) / frequency);
}

bool SpeedOutOfRange(int axis, double speed) {
  double pulses = speed;
  if (InTables(axis)) {
    const std::size_t i = Index(axis);
    pulses = ToPulses(SysParams.Unit[i], Equivalents.PulseEquivalent[i], speed);
  }
  return pulses >= kMaxPulseRate;  // false for NaN
}

void ComputeEquivalents(int cardCount) {
  const int axes = AxesOfCards(cardCount);
  for (int axis = 1; axis <= axes; ++axis) {
    CardDriver.set_encoder_mode(axis, 1, SysParams.EncFreq[Index(axis)], 1);
  }
  const int model = SysParams.Ctrler;
  for (std::size_t i = 0; i < kEquivalentEntries; ++i) {
    const double encFreq = static_cast<double>(SysParams.EncFreq[i]);
    if (SysParams.Equip[i] == 0) {
      Equivalents.PulseEquivalent[i] = SysParams.Guide[i] / SysParams.MotorPulse[i] / SysParams.MotorRatio[i];
      Equivalents.FeedbackEquivalent[i] = encFreq * SysParams.FeedBack[i] * 0.001;
    } else if (SysParams.Equip[i] == 1) {
      Equivalents.PulseEquivalent[i] = 360.0 / SysParams.MotorPulse[i] / SysParams.MotorRatio[i];
      Equivalents.FeedbackEquivalent[i] = 360.0 / (SysParams.FeedBack[i] / encFreq);
    }
    const int axis = static_cast<int>(i) + 1;
    const bool feedback = SysParams.FeedBack[i] > 0.0;
    switch (model) {
      case 0:
        Equivalents.FeedbackAvailable[i] = 0;
        break;
      case 1:
        Equivalents.FeedbackAvailable[i] = feedback ? 1 : 0;
        break;
      case 2:
        // Encoder inputs only on the first two axes of each card.
        Equivalents.FeedbackAvailable[i] = (feedback && (axis % 4 == 1 || axis % 4 == 2)) ? 1 : 0;
        break;
      default:
        break;
    }
  }
  if (model == 0) SysParams.Input = 0;
}

void ApplyAxisSettings(int cardCount) {
  const int axes = cardCount == 1 ? 4 : 8;
  for (int axis = 1; axis <= axes; ++axis) {
    const std::size_t i = Index(axis);
    CardDriver.set_getpos_mode(axis, 1);
    CardDriver.set_alm_logic(axis, SysParams.AlarmEffLev[i]);
    CardDriver.set_outmode(axis, SysParams.PulseType[i], 1);
    CardDriver.set_el_logic(axis, SysParams.ElEffLev[i]);
    CardDriver.set_org_logic(axis, SysParams.OrgEffLev[i]);
    CardDriver.set_sd_logic(axis, SysParams.SdEffLev[i]);
    CardDriver.set_home_mode(axis, SysParams.HomeType[i]);
  }
}

AxisConversions AxisConversions::Current() {
  AxisConversions c;
  for (std::size_t i = 0; i < c.unit.size(); ++i) {
    c.unit[i] = SysParams.Unit[i];
    c.equivalent[i] = Equivalents.PulseEquivalent[i];
  }
  return c;
}

double AxisConversions::ToPulses(int axis, double value) const {
  if (!InTables(axis)) return value;
  return ::ToPulses(unit[Index(axis)], equivalent[Index(axis)], value);
}

std::optional<VectorSpeeds> VectorSpeedsOf(const MotionCommand& c, const AxisConversions& conversions) {
  int n = 0;
  bool fast = false;
  if (c.iCodeType == code::kArc || c.iCodeType == code::kFastArc) {
    n = 2;
    fast = c.iCodeType == code::kFastArc;
  } else {
    const CommandCodeInfo* info = FindProgramCode(c.iCodeType);
    if (info == nullptr || info->kind != CommandKind::Linear) return std::nullopt;
    n = info->axes;
    fast = info->fast;
  }
  double sum = 0.0;
  for (int k = 0; k < n; ++k) sum += c.dbDis[k] * c.dbDis[k];
  const double length = std::sqrt(sum);
  // A zero or unmeasurable path has no direction to split the speed by.
  if (!(length > 0.0) || !std::isfinite(length)) return std::nullopt;

  // The path speed `speeds[0]` split over the axes, each in its pulses.
  auto norm = [&](const double (&speeds)[4]) {
    double squares = 0.0;
    for (int k = 0; k < n; ++k) {
      const double p = conversions.ToPulses(c.iAxes[k], speeds[0] * (c.dbDis[k] / length));
      squares += p * p;
    }
    return std::sqrt(squares);
  };
  VectorSpeeds v;
  v.fast = fast;
  v.start = norm(c.dbLowSpd);
  if (fast) {
    v.maximum = norm(c.dbHighSpd);
    v.acceleration = norm(c.dbAccSpd);
  }
  if (!std::isfinite(v.start) || !std::isfinite(v.maximum) || !std::isfinite(v.acceleration)) return std::nullopt;
  return v;
}

void SetVectorSpeed(const MotionCommand& c) {
  const std::optional<VectorSpeeds> v = VectorSpeedsOf(c, AxisConversions::Current());
  if (!v) return;
  if (v->fast) {
    CardDriver.set_vector_profile(v->start, v->maximum, v->acceleration);
  } else {
    CardDriver.set_vector_conspeed(v->start);
  }
}

std::string_view UnitLengthText(int unitCode) {
  switch (unitCode) {
    case unit::kPulse:
      return "P";
    case unit::kMillimetre:
      return "mm";
    case unit::kMicrometre:
      return "μm";
    case unit::kDegree:
      return "°";
    default:
      return {};
  }
}

std::string_view UnitSpeedText(int unitCode) {
  switch (unitCode) {
    case unit::kPulse:
      return "P/s";
    case unit::kMillimetre:
      return "mm/s";
    case unit::kMicrometre:
      return "μm/s";
    case unit::kDegree:
      return "°/s";
    default:
      return {};
  }
}

std::optional<UnitLabels> UnitLabelsForCard(int card) {
  if (card != 1 && card != 2) return std::nullopt;
  static constexpr std::string_view kNames[2][4] = {{"X", "Y", "Z", "T"}, {"A", "B", "C", "D"}};
  UnitLabels labels{};
  const auto c = static_cast<std::size_t>(card - 1);
  for (std::size_t k = 0; k < 4; ++k) {
    labels.axisName[k] = kNames[c][k];
    const int u = SysParams.Unit[c * 4 + k];
    if (u < 0 || u > 3) continue;
    labels.speedText[k] = UnitSpeedText(u);
    labels.lengthText[k] = UnitLengthText(u);
  }
  return labels;
}

GcodeAxes GcodeImportAxes() {
  GcodeAxes axes;
  for (std::size_t k = 0; k < axes.size(); ++k) axes[k] = {SysParams.Unit[k], Equivalents.PulseEquivalent[k].load()};
  return axes;
}
