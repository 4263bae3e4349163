#pragma once
// What the setting dialogs show of one card and how they write it back to
// SysParams: the machine description (Equipment Setting), the signal
// settings (Other Setting), the homing settings (Home Setting) and the jog
// settings (Point to Point Setting). A card is a card list entry: 0 the
// first card (axes 1-4), 1 the second (axes 5-8); columns are its four
// axes in order. List entries are indices, -1 for no selection.
//
// Loading leaves a list entry as it is where the Part of the dialog says a
// stored value without an entry leaves the list unchanged; storing writes
// the parameters only (saving the file and the guard against a running
// motion are the motion engine's SettingsChange).

#include <array>
#include <string>
#include <vector>

inline constexpr int kCardColumns = 4;

// The first axis of card entry `card`: 1 or 5; 0 for any other entry.
int FirstAxisOfCard(int card);

// --- Equipment Setting ------------------------------------------------------

struct EquipmentCardValues {
  // Whole-program values, shown and stored with card 1 only (CheckTime is
  // shown and stored with every card).
  double checkTime = 0.0;
  int realTime = -1;   // Input: 0 "No", 1 "Yes"
  int linearUnit = 0;  // UnitLine: 0 pulse, 1 mm, 2 micron
  int rotaryUnit = 1;  // UnitCir: entry 0 pulse (0), entry 1 angle (3)
  // Per column.
  std::array<int, kCardColumns> equipMode{};  // Equip: 0 linear stage, 1 rotary stage
  std::array<double, kCardColumns> motorPulse{};
  std::array<double, kCardColumns> guide{};
  std::array<double, kCardColumns> motorRatio{};
  std::array<double, kCardColumns> feedBack{};
  std::array<double, kCardColumns> error{};
  std::array<int, kCardColumns> encFreq{1, 1, 1, 1};  // entry 0 multiplier 1, entry 1 multiplier 4
};

// The list entries of the stored codes, -1 for a code without one.
int RotaryUnitEntry(int unitCir);  // 0 -> 0, 3 -> 1
int EncFreqEntry(int encFreq);     // 1 -> 0, 4 -> 1
// The stored codes of the list entries.
int UnitCirOfEntry(int entry);  // 0 -> 0, 1 -> 3, else -1 (leaves UnitCir)
int EncFreqOfEntry(int entry);  // the first entry 1, anything else 4

// Shows card `card` (0 or 1) in `values`: Check Time for every card; on
// card 1 Real-time, Linear and Rotary Motion Unit; the mechanics of the
// four columns; and, unless the model is ORVA (ctrler 0), the Feedback
// Frequency. A stored unit or multiplier without an entry leaves its list
// as it is. Any other card clears the columns' reals to 0.
void LoadEquipmentCard(int card, int ctrler, EquipmentCardValues& values);

// Save's writes: on card 1 UnitCir, UnitLine and Input; the four axes'
// Equip, MotorPulse, MotorRatio, Guide, FeedBack, Error and EncFreq; then
// every axis's Unit (DeriveUnits) and CheckTime. Any card other than 0 and
// 1 writes no axis and no global of card 1.
void StoreEquipmentCard(int card, const EquipmentCardValues& values);

// Unit of all 16 axes: UnitLine for a linear stage, UnitCir for a rotary
// one, unchanged for any other Equip.
void DeriveUnits();

// --- Other Setting ----------------------------------------------------------

struct OtherCardValues {
  int decel = -1;      // SdEffLev: 0 low level, 1 high level
  int limit = -1;      // ElEffLev
  int alarm = -1;      // AlarmEffLev
  int origin = -1;     // OrgEffLev
  int pulseType = -1;  // PulseType: 0 double pulse, 1 pulse/direction
  int homeMode = -1;   // HomeType: mode number
};

// The number of Home Mode entries by card model: none on ORVA, modes 0-1
// on ORVB, 0-5 on ORVC (none for an unknown model).
int HomeModeCount(int ctrler);
// Their texts: "Mode 0".. / "模式 0"..; empty for a language other than
// English and Chinese.
std::vector<std::string> HomeModeListTexts(int ctrler, int language);

// Shows the card's first axis's values, each as the entry index (a value
// without an entry is no selection); any other card changes nothing.
void LoadOtherCard(int card, OtherCardValues& values, int homeModeCount);
// Writes the six values (-1 for no selection) to the card's four axes.
void StoreOtherCard(int card, const OtherCardValues& values);

// --- Home Setting -----------------------------------------------------------

struct HomeCardValues {
  std::array<int, kCardColumns> direction{};  // entry 0 "+" (Dir 1), 1 "-" (Dir -1)
  std::array<double, kCardColumns> startSpeed{};
  std::array<double, kCardColumns> maxSpeed{};
  std::array<double, kCardColumns> acceleration{};
  std::array<double, kCardColumns> compensation{};
};

// Direction entry of a stored Dir: 1 -> 0, -1 -> 1, else -1 (unchanged).
int DirectionEntry(int dir);
// Dir of a direction entry: 1 for "+", -1 for any other selection.
int DirOfEntry(int entry);

// Any card other than 0 and 1 clears every real to 0.
void LoadHomeCard(int card, HomeCardValues& values);
void StoreHomeCard(int card, const HomeCardValues& values);

// --- Point to Point Setting (the jog) ---------------------------------------

struct JogCardValues {
  std::array<double, kCardColumns> startSpeed{};
  std::array<double, kCardColumns> maxSpeed{};
  std::array<double, kCardColumns> acceleration{};
  std::array<double, kCardColumns> distance{};
};

void LoadJogCard(int card, JogCardValues& values);
void StoreJogCard(int card, const JogCardValues& values);
