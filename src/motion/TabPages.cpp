#include "motion/TabPages.h"

namespace {

constexpr std::int32_t kPtoPBase = 0x02010000;  // per axis
constexpr std::int32_t kFastBit = 0x4000;
constexpr std::int32_t kContinuousBit = 0x0100;

}  // namespace

std::optional<PtoPModes> PtoPModesOfCode(std::int32_t code) {
  for (int n = 1; n <= 4; ++n) {
    for (int speed = 0; speed <= 1; ++speed) {
      for (int motion = 0; motion <= 1; ++motion) {
        if (code == n * kPtoPBase + speed * kFastBit + motion * kContinuousBit) return PtoPModes{speed, motion, n};
      }
    }
  }
  return std::nullopt;
}

std::optional<LinearModes> LinearModesOfCode(std::int32_t code) {
  switch (code) {
    case code::kConstLine2:
      return LinearModes{0, 2};
    case code::kFastLine2:
      return LinearModes{1, 2};
    case code::kConstLine3:
      return LinearModes{0, 3};
    case code::kFastLine3:
      return LinearModes{1, 3};
    case code::kConstLine4:
      return LinearModes{0, 4};
    case code::kFastLine4:
      return LinearModes{1, 4};
    default:
      return std::nullopt;
  }
}

std::optional<int> CircularSpeedModeOfCode(std::int32_t code) {
  if (code == code::kArc) return 0;
  if (code == code::kFastArc) return 1;
  return std::nullopt;
}

bool ShowPtoPRecord(const MotionCommand& record, PtoPTabValues& page) {
  for (int k = 0; k < 4; ++k) {
    page.axis[k] = record.iAxes[k];
    page.distance[k] = record.dbDis[k];
    page.acceleration[k] = record.dbAccSpd[k];
    page.maxSpeed[k] = record.dbHighSpd[k];
    page.startSpeed[k] = record.dbLowSpd[k];
  }
  const std::optional<PtoPModes> modes = PtoPModesOfCode(record.iCodeType);
  if (!modes) return false;
  page.speedMode = modes->speedMode;
  page.motionMode = modes->motionMode;
  page.axisCount = modes->axisCount;
  return true;
}

bool ShowLinearRecord(const MotionCommand& record, LinearTabValues& page) {
  for (int k = 0; k < 4; ++k) page.axis[k] = record.iAxes[k];
  page.vectorStart = record.dbLowSpd[0];
  page.vectorMax = record.dbHighSpd[0];
  page.vectorAcc = record.dbAccSpd[0];
  for (int k = 0; k < 4; ++k) page.distance[k] = record.dbDis[k];
  const std::optional<LinearModes> modes = LinearModesOfCode(record.iCodeType);
  if (!modes) return false;
  page.speedMode = modes->speedMode;
  page.axisCount = modes->axisCount;
  return true;
}

bool ShowCircularRecord(const MotionCommand& record, CircularTabValues& page) {
  page.axis[0] = record.iAxes[0];
  page.axis[1] = record.iAxes[1];
  page.vectorStart = record.dbLowSpd[0];
  page.vectorMax = record.dbHighSpd[0];
  page.vectorAcc = record.dbAccSpd[0];
  page.centre[0] = record.dbDis[0];
  page.centre[1] = record.dbDis[1];
  page.angle = record.dbDis[2];
  page.ellipseRatio = record.dbDis[3];
  const std::optional<int> speedMode = CircularSpeedModeOfCode(record.iCodeType);
  if (!speedMode) return false;
  page.speedMode = *speedMode;
  return true;
}

PtoPTabEnables PtoPTabFieldsEnabled(const PtoPTabValues& page) {
  PtoPTabEnables on{};
  const bool countValid = page.axisCount >= 1 && page.axisCount <= 4;
  const int n = countValid ? page.axisCount : 1;
  const bool high = countValid && page.speedMode == 1;
  for (int k = 0; k < 4; ++k) {
    const bool used = k < n;
    on.axis[k] = used;
    on.distance[k] = used;
    on.startSpeed[k] = used;
    on.maxSpeed[k] = used && high;
    on.acceleration[k] = used && high;
  }
  return on;
}

LinearTabEnables LinearTabFieldsEnabled(LinearTabValues& page) {
  if (page.axisCount != 2 && page.axisCount != 3) page.axisCount = 4;
  LinearTabEnables on{};
  for (int k = 0; k < 4; ++k) {
    on.axis[k] = k < page.axisCount;
    on.distance[k] = k < page.axisCount;
  }
  on.vectorStart = true;
  on.vectorMax = page.speedMode != 0;
  on.vectorAcc = page.speedMode != 0;
  return on;
}

std::optional<bool> CircularProfileEnabled(int speedMode) {
  if (speedMode == 0) return false;
  if (speedMode == 1) return true;
  return std::nullopt;
}
