#include "settings/CardSettings.h"

#include <cstddef>

#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"

namespace {

// Parameter index of column `column` of card `card` (valid cards only).
std::size_t IndexOf(int card, int column) { return static_cast<std::size_t>(4 * card + column); }

bool ValidCard(int card) { return card == 0 || card == 1; }

// A stored value as the entry index of a list of `count` entries; a value
// without an entry selects nothing.
int EntryOf(int value, int count) { return value >= 0 && value < count ? value : -1; }

constexpr int kUnitCirDegree = 3;

}  // namespace

int FirstAxisOfCard(int card) { return ValidCard(card) ? 4 * card + 1 : 0; }

int RotaryUnitEntry(int unitCir) {
  if (unitCir == 0) return 0;
  if (unitCir == kUnitCirDegree) return 1;
  return -1;
}

int EncFreqEntry(int encFreq) {
  if (encFreq == 1) return 0;
  if (encFreq == 4) return 1;
  return -1;
}

int UnitCirOfEntry(int entry) {
  if (entry == 0) return 0;
  if (entry == 1) return kUnitCirDegree;
  return -1;
}

int EncFreqOfEntry(int entry) { return entry == 0 ? 1 : 4; }

void LoadEquipmentCard(int card, int ctrler, EquipmentCardValues& values) {
  values.checkTime = SysParams.CheckTime;
  if (!ValidCard(card)) {
    values.motorPulse.fill(0.0);
    values.guide.fill(0.0);
    values.motorRatio.fill(0.0);
    values.feedBack.fill(0.0);
    values.error.fill(0.0);
    return;
  }
  if (card == 0) {
    values.realTime = EntryOf(SysParams.Input, 2);
    if (const int entry = RotaryUnitEntry(SysParams.UnitCir); entry >= 0) values.rotaryUnit = entry;
    if (const int entry = EntryOf(SysParams.UnitLine, 3); entry >= 0) values.linearUnit = entry;
  }
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    const auto c = static_cast<std::size_t>(k);
    values.equipMode[c] = EntryOf(SysParams.Equip[i], 2);
    values.motorPulse[c] = SysParams.MotorPulse[i];
    values.guide[c] = SysParams.Guide[i];
    values.motorRatio[c] = SysParams.MotorRatio[i];
    values.feedBack[c] = SysParams.FeedBack[i];
    values.error[c] = SysParams.Error[i];
    if (ctrler != 0) {
      if (const int entry = EncFreqEntry(SysParams.EncFreq[i]); entry >= 0) values.encFreq[c] = entry;
    }
  }
}

void StoreEquipmentCard(int card, const EquipmentCardValues& values) {
  if (ValidCard(card)) {
    if (card == 0) {
      if (const int unitCir = UnitCirOfEntry(values.rotaryUnit); unitCir >= 0) SysParams.UnitCir = unitCir;
      if (values.linearUnit >= 0 && values.linearUnit <= 2) SysParams.UnitLine = values.linearUnit;
      SysParams.Input = values.realTime;
    }
    for (int k = 0; k < kCardColumns; ++k) {
      const std::size_t i = IndexOf(card, k);
      const auto c = static_cast<std::size_t>(k);
      SysParams.Equip[i] = values.equipMode[c];
      SysParams.MotorPulse[i] = values.motorPulse[c];
      SysParams.MotorRatio[i] = values.motorRatio[c];
      SysParams.Guide[i] = values.guide[c];
      SysParams.FeedBack[i] = values.feedBack[c];
      SysParams.Error[i] = values.error[c];
      // Disabled lists (ORVA, the last two columns of ORVC) are stored too.
      SysParams.EncFreq[i] = EncFreqOfEntry(values.encFreq[c]);
    }
  }
  DeriveUnits();
  SysParams.CheckTime = values.checkTime;
}

void DeriveUnits() {
  for (int i = 0; i < kAxisEntries; ++i) {
    if (SysParams.Equip[i] == 0) {
      SysParams.Unit[i] = SysParams.UnitLine;
    } else if (SysParams.Equip[i] == 1) {
      SysParams.Unit[i] = SysParams.UnitCir;
    }
  }
}

int HomeModeCount(int ctrler) {
  switch (ctrler) {
    case 1:
      return 2;
    case 2:
      return 6;
    default:
      return 0;
  }
}

std::vector<std::string> HomeModeListTexts(int ctrler, int language) {
  std::vector<std::string> texts;
  if (language != kLangEnglish && language != kLangChinese) return texts;
  for (int mode = 0; mode < HomeModeCount(ctrler); ++mode) {
    texts.push_back((language == kLangEnglish ? "Mode " : "模式 ") + std::to_string(mode));
  }
  return texts;
}

void LoadOtherCard(int card, OtherCardValues& values, int homeModeCount) {
  if (!ValidCard(card)) return;
  const std::size_t a = IndexOf(card, 0);
  values.alarm = EntryOf(SysParams.AlarmEffLev[a], 2);
  values.decel = EntryOf(SysParams.SdEffLev[a], 2);
  values.origin = EntryOf(SysParams.OrgEffLev[a], 2);
  values.limit = EntryOf(SysParams.ElEffLev[a], 2);
  values.pulseType = EntryOf(SysParams.PulseType[a], 2);
  values.homeMode = EntryOf(SysParams.HomeType[a], homeModeCount);
}

void StoreOtherCard(int card, const OtherCardValues& values) {
  if (!ValidCard(card)) return;
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    SysParams.AlarmEffLev[i] = values.alarm;
    SysParams.ElEffLev[i] = values.limit;
    SysParams.SdEffLev[i] = values.decel;
    SysParams.OrgEffLev[i] = values.origin;
    SysParams.HomeType[i] = values.homeMode;
    SysParams.PulseType[i] = values.pulseType;
  }
}

int DirectionEntry(int dir) {
  if (dir == 1) return 0;
  if (dir == -1) return 1;
  return -1;
}

int DirOfEntry(int entry) { return entry == 0 ? 1 : -1; }

void LoadHomeCard(int card, HomeCardValues& values) {
  if (!ValidCard(card)) {
    values.startSpeed.fill(0.0);
    values.maxSpeed.fill(0.0);
    values.acceleration.fill(0.0);
    values.compensation.fill(0.0);
    return;
  }
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    const auto c = static_cast<std::size_t>(k);
    if (const int entry = DirectionEntry(SysParams.Dir[i]); entry >= 0) values.direction[c] = entry;
    values.startSpeed[c] = SysParams.LowSpd[i];
    values.maxSpeed[c] = SysParams.HighSpd[i];
    values.acceleration[c] = SysParams.AccSpd[i];
    values.compensation[c] = SysParams.Expiation[i];
  }
}

void StoreHomeCard(int card, const HomeCardValues& values) {
  if (!ValidCard(card)) return;
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    const auto c = static_cast<std::size_t>(k);
    SysParams.Dir[i] = DirOfEntry(values.direction[c]);
    SysParams.LowSpd[i] = values.startSpeed[c];
    SysParams.HighSpd[i] = values.maxSpeed[c];
    SysParams.AccSpd[i] = values.acceleration[c];
    SysParams.Expiation[i] = values.compensation[c];
  }
}

void LoadJogCard(int card, JogCardValues& values) {
  if (!ValidCard(card)) {
    values.startSpeed.fill(0.0);
    values.maxSpeed.fill(0.0);
    values.acceleration.fill(0.0);
    values.distance.fill(0.0);
    return;
  }
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    const auto c = static_cast<std::size_t>(k);
    values.distance[c] = SysParams.PMoveSetStep[i];
    values.startSpeed[c] = SysParams.PMoveSetLowSpd[i];
    values.acceleration[c] = SysParams.PMoveSetAccSpd[i];
    values.maxSpeed[c] = SysParams.PMoveSetHighSpd[i];
  }
}

void StoreJogCard(int card, const JogCardValues& values) {
  if (!ValidCard(card)) return;
  for (int k = 0; k < kCardColumns; ++k) {
    const std::size_t i = IndexOf(card, k);
    const auto c = static_cast<std::size_t>(k);
    SysParams.PMoveSetLowSpd[i] = values.startSpeed[c];
    SysParams.PMoveSetHighSpd[i] = values.maxSpeed[c];
    SysParams.PMoveSetAccSpd[i] = values.acceleration[c];
    SysParams.PMoveSetStep[i] = values.distance[c];
  }
}
