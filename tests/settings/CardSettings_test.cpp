// What the setting dialogs show of a card and what their Save writes to the
// parameters: which axes, which globals, the stored codes of list entries
// and the units that follow the stage type.

#include "settings/CardSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

class CardSettingsTest : public testing::Test {
 protected:
  void SetUp() override { SysParams.SetDefaults(); }
};

EquipmentCardValues SomeEquipment() {
  EquipmentCardValues v;
  v.checkTime = 0.5;
  v.realTime = 1;
  v.linearUnit = 2;
  v.rotaryUnit = 1;
  v.equipMode = {0, 1, 0, 1};
  v.motorPulse = {1000, 2000, 3000, 4000};
  v.guide = {1, 2, 3, 4};
  v.motorRatio = {5, 6, 7, 8};
  v.feedBack = {0.1, 0.2, 0.3, 0.4};
  v.error = {9, 10, 11, 12};
  v.encFreq = {0, 1, -1, 0};
  return v;
}

TEST_F(CardSettingsTest, CardsStartAtAxesOneAndFive) {
  EXPECT_EQ(FirstAxisOfCard(0), 1);
  EXPECT_EQ(FirstAxisOfCard(1), 5);
  EXPECT_EQ(FirstAxisOfCard(-1), 0);
  EXPECT_EQ(FirstAxisOfCard(2), 0);
}

TEST_F(CardSettingsTest, EquipmentSaveOfTheSecondCardWritesAxesFiveToEightAndNoGlobalButCheckTime) {
  SysParams.UnitLine = 1;
  SysParams.UnitCir = 0;
  SysParams.Input = 0;
  SysParams.MotorPulse[0] = 123;
  StoreEquipmentCard(1, SomeEquipment());
  EXPECT_EQ(SysParams.UnitLine, 1);
  EXPECT_EQ(SysParams.UnitCir, 0);
  EXPECT_EQ(SysParams.Input, 0);
  EXPECT_EQ(SysParams.CheckTime, 0.5);
  EXPECT_EQ(SysParams.MotorPulse[0], 123);
  EXPECT_THAT(SysParams.MotorPulse,
              testing::ElementsAreArray({123.0, 3200.0, 3200.0, 3200.0, 1000.0, 2000.0, 3000.0, 4000.0, 3200.0, 3200.0,
                                         3200.0, 3200.0, 3200.0, 3200.0, 3200.0, 3200.0}));
  EXPECT_EQ(SysParams.Equip[5], 1);
  EXPECT_EQ(SysParams.Guide[6], 3);
  EXPECT_EQ(SysParams.MotorRatio[7], 8);
  EXPECT_EQ(SysParams.FeedBack[4], 0.1);
  EXPECT_EQ(SysParams.Error[7], 12);
  // The first entry is multiplier 1; any other (or none) is 4.
  EXPECT_EQ(SysParams.EncFreq[4], 1);
  EXPECT_EQ(SysParams.EncFreq[5], 4);
  EXPECT_EQ(SysParams.EncFreq[6], 4);
  EXPECT_EQ(SysParams.EncFreq[7], 1);
  // Units follow the stage type with the unchanged global units.
  EXPECT_EQ(SysParams.Unit[4], 1);
  EXPECT_EQ(SysParams.Unit[5], 0);
}

TEST_F(CardSettingsTest, UnitsFollowStageTypeAndTheUnitOfEachKind) {
  StoreEquipmentCard(0, SomeEquipment());  // micron for linear, angle for rotary
  EXPECT_EQ(SysParams.UnitLine, 2);
  EXPECT_EQ(SysParams.UnitCir, 3);
  EXPECT_EQ(SysParams.Input, 1);
  EXPECT_THAT((std::vector<int>{SysParams.Unit[0], SysParams.Unit[1], SysParams.Unit[2], SysParams.Unit[3]}),
              ElementsAre(2, 3, 2, 3));
  // Every axis follows, those of the other card too; an unknown stage
  // keeps its unit.
  SysParams.Equip[9] = 1;
  SysParams.Equip[10] = 7;
  SysParams.Unit[10] = 1;
  DeriveUnits();
  EXPECT_EQ(SysParams.Unit[4], 2);
  EXPECT_EQ(SysParams.Unit[9], 3);
  EXPECT_EQ(SysParams.Unit[10], 1);
}

TEST_F(CardSettingsTest, AUnitListWithoutSelectionLeavesItsUnit) {
  SysParams.UnitLine = 1;
  SysParams.UnitCir = 3;
  EquipmentCardValues v = SomeEquipment();
  v.linearUnit = -1;
  v.rotaryUnit = -1;
  v.realTime = -1;
  StoreEquipmentCard(0, v);
  EXPECT_EQ(SysParams.UnitLine, 1);
  EXPECT_EQ(SysParams.UnitCir, 3);
  EXPECT_EQ(SysParams.Input, -1);  // stored as the list's index, as Save always did
}

TEST_F(CardSettingsTest, EquipmentSaveOfNoCardStillDerivesUnitsAndTakesTheCheckTime) {
  SysParams.Equip[2] = 1;
  SysParams.UnitCir = 3;
  StoreEquipmentCard(-1, SomeEquipment());
  EXPECT_EQ(SysParams.MotorPulse[0], 3200.0);
  EXPECT_EQ(SysParams.UnitLine, 0);
  EXPECT_EQ(SysParams.Unit[2], 3);
  EXPECT_EQ(SysParams.CheckTime, 0.5);
}

TEST_F(CardSettingsTest, EquipmentLoadShowsTheCardAndLeavesListsWithoutAnEntryForTheStoredValue) {
  SysParams.CheckTime = 2.5;
  SysParams.Input = 1;
  SysParams.UnitLine = 2;
  SysParams.UnitCir = 3;
  SysParams.Equip[4] = 1;
  SysParams.Equip[5] = 9;
  SysParams.MotorPulse[6] = 10000;
  SysParams.EncFreq[4] = 1;
  SysParams.EncFreq[5] = 2;  // no entry: the list stays
  EquipmentCardValues v;
  v.realTime = 0;
  v.linearUnit = 1;
  v.rotaryUnit = 0;
  v.encFreq = {1, 1, 1, 1};
  LoadEquipmentCard(1, 1, v);
  EXPECT_EQ(v.checkTime, 2.5);
  // The whole program's values are shown with the first card only.
  EXPECT_EQ(v.realTime, 0);
  EXPECT_EQ(v.linearUnit, 1);
  EXPECT_EQ(v.rotaryUnit, 0);
  EXPECT_THAT(v.equipMode, ElementsAre(1, -1, 0, 0));
  EXPECT_EQ(v.motorPulse[2], 10000);
  EXPECT_THAT(v.encFreq, ElementsAre(0, 1, 1, 1));

  LoadEquipmentCard(0, 1, v);
  EXPECT_EQ(v.realTime, 1);
  EXPECT_EQ(v.linearUnit, 2);
  EXPECT_EQ(v.rotaryUnit, 1);

  SysParams.UnitLine = 5;
  SysParams.UnitCir = 1;
  SysParams.Input = 4;
  LoadEquipmentCard(0, 1, v);
  EXPECT_EQ(v.linearUnit, 2);
  EXPECT_EQ(v.rotaryUnit, 1);
  EXPECT_EQ(v.realTime, -1);
}

TEST_F(CardSettingsTest, OrvaNeverShowsTheStoredMultiplierSoSaveStoresFour) {
  for (int i = 0; i < 4; ++i) SysParams.EncFreq[i] = 1;
  EquipmentCardValues v;
  v.encFreq.fill(1);
  LoadEquipmentCard(0, 0, v);
  EXPECT_THAT(v.encFreq, ElementsAre(1, 1, 1, 1));
  StoreEquipmentCard(0, v);
  EXPECT_EQ(SysParams.EncFreq[0], 4);
  EXPECT_EQ(SysParams.EncFreq[3], 4);
}

TEST_F(CardSettingsTest, EquipmentLoadOfNoCardClearsTheColumns) {
  EquipmentCardValues v = SomeEquipment();
  SysParams.CheckTime = 1.5;
  LoadEquipmentCard(-1, 1, v);
  EXPECT_THAT(v.motorPulse, ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(v.guide, ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(v.motorRatio, ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(v.feedBack, ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(v.error, ElementsAre(0, 0, 0, 0));
  EXPECT_EQ(v.checkTime, 1.5);
}

TEST_F(CardSettingsTest, EntriesAndStoredCodes) {
  EXPECT_EQ(RotaryUnitEntry(0), 0);
  EXPECT_EQ(RotaryUnitEntry(3), 1);
  EXPECT_EQ(RotaryUnitEntry(1), -1);
  EXPECT_EQ(UnitCirOfEntry(0), 0);
  EXPECT_EQ(UnitCirOfEntry(1), 3);
  EXPECT_EQ(UnitCirOfEntry(-1), -1);
  EXPECT_EQ(EncFreqEntry(1), 0);
  EXPECT_EQ(EncFreqEntry(4), 1);
  EXPECT_EQ(EncFreqEntry(0), -1);
  EXPECT_EQ(EncFreqOfEntry(0), 1);
  EXPECT_EQ(EncFreqOfEntry(1), 4);
  EXPECT_EQ(EncFreqOfEntry(-1), 4);
  EXPECT_EQ(DirectionEntry(1), 0);
  EXPECT_EQ(DirectionEntry(-1), 1);
  EXPECT_EQ(DirectionEntry(0), -1);
  EXPECT_EQ(DirOfEntry(0), 1);
  EXPECT_EQ(DirOfEntry(1), -1);
  EXPECT_EQ(DirOfEntry(-1), -1);
}

TEST_F(CardSettingsTest, HomeModesByModel) {
  EXPECT_THAT(HomeModeListTexts(0, kLangEnglish), IsEmpty());
  EXPECT_THAT(HomeModeListTexts(1, kLangEnglish), ElementsAre("Mode 0", "Mode 1"));
  EXPECT_THAT(HomeModeListTexts(2, kLangChinese),
              ElementsAre("模式 0", "模式 1", "模式 2", "模式 3", "模式 4", "模式 5"));
  EXPECT_THAT(HomeModeListTexts(1, 2), IsEmpty());
  EXPECT_EQ(HomeModeCount(3), 0);
}

TEST_F(CardSettingsTest, OtherSettingShowsTheFirstAxisAndSavesAllFour) {
  SysParams.ElEffLev[4] = 1;
  SysParams.ElEffLev[5] = 0;
  SysParams.HomeType[4] = 5;
  SysParams.PulseType[4] = 0;
  OtherCardValues v;
  LoadOtherCard(1, v, 2);
  EXPECT_EQ(v.limit, 1);
  EXPECT_EQ(v.pulseType, 0);
  EXPECT_EQ(v.homeMode, -1) << "ORVB lists modes 0 and 1 only";
  EXPECT_EQ(v.origin, 1);  // the default level of the origin signal

  v.limit = 1;
  v.alarm = 1;
  v.homeMode = -1;
  StoreOtherCard(1, v);
  for (int i = 4; i < 8; ++i) {
    EXPECT_EQ(SysParams.ElEffLev[i], 1);
    EXPECT_EQ(SysParams.AlarmEffLev[i], 1);
    EXPECT_EQ(SysParams.HomeType[i], -1);
    EXPECT_EQ(SysParams.PulseType[i], 0);
  }
  EXPECT_EQ(SysParams.ElEffLev[0], 0);
  EXPECT_EQ(SysParams.ElEffLev[8], 0);

  OtherCardValues untouched;
  untouched.limit = 0;
  LoadOtherCard(-1, untouched, 2);
  EXPECT_EQ(untouched.limit, 0);
}

TEST_F(CardSettingsTest, HomeSettingColumnsAreTheCardsAxes) {
  HomeCardValues v;
  LoadHomeCard(1, v);
  v.direction[2] = 1;  // "-" on the third column of card 2: axis 7
  v.maxSpeed = {11, 12, 13, 14};
  v.compensation[3] = -4;
  StoreHomeCard(1, v);
  EXPECT_EQ(SysParams.Dir[6], -1);
  EXPECT_EQ(SysParams.Dir[4], 1);
  EXPECT_EQ(SysParams.HighSpd[4], 11);
  EXPECT_EQ(SysParams.HighSpd[7], 14);
  EXPECT_EQ(SysParams.HighSpd[0], 50);
  EXPECT_EQ(SysParams.Expiation[7], -4);

  SysParams.Dir[0] = 0;  // no entry: the list stays
  HomeCardValues shown;
  shown.direction = {1, 1, 1, 1};
  LoadHomeCard(0, shown);
  EXPECT_THAT(shown.direction, ElementsAre(1, 0, 0, 0));
  EXPECT_EQ(shown.startSpeed[0], 30);
  LoadHomeCard(5, shown);
  EXPECT_THAT(shown.maxSpeed, ElementsAre(0, 0, 0, 0));
  StoreHomeCard(5, v);  // no card: nothing written
  EXPECT_EQ(SysParams.HighSpd[0], 50);
}

TEST_F(CardSettingsTest, JogSettingColumnsAreTheCardsAxes) {
  JogCardValues v;
  v.startSpeed = {1, 2, 3, 4};
  v.maxSpeed = {5, 6, 7, 8};
  v.acceleration = {9, 10, 11, 12};
  v.distance = {13, 14, 15, 16};
  StoreJogCard(1, v);
  EXPECT_EQ(SysParams.PMoveSetLowSpd[4], 1);
  EXPECT_EQ(SysParams.PMoveSetHighSpd[5], 6);
  EXPECT_EQ(SysParams.PMoveSetAccSpd[6], 11);
  EXPECT_EQ(SysParams.PMoveSetStep[7], 16);
  EXPECT_EQ(SysParams.PMoveSetStep[3], 50);
  JogCardValues shown;
  LoadJogCard(1, shown);
  EXPECT_EQ(shown.distance, v.distance);
  EXPECT_EQ(shown.maxSpeed, v.maxSpeed);
  LoadJogCard(0, shown);
  EXPECT_THAT(shown.distance, ElementsAre(50, 50, 50, 50));
}

}  // namespace
