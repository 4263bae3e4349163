#include "motion/SettingsChange.h"

#include <thread>

#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/Units.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "program/RunGuard.h"
#include "settings/ProfileFile.h"
#include "settings/SysParams.h"

namespace {

constexpr int kMessageSpeed = 1;
// "Please stop the motion first!": the save waits for the motion to end.
constexpr int kMessageStopFirst = 9;

// Holds SettingsChanging for one change.
class SettingsChangeScope {
 public:
  SettingsChangeScope() { RunControl.SettingsChanging.store(true); }
  ~SettingsChangeScope() { RunControl.SettingsChanging.store(false); }
  SettingsChangeScope(const SettingsChangeScope&) = delete;
  SettingsChangeScope& operator=(const SettingsChangeScope&) = delete;
};

// Message 1 for the first column out of range; false then.
bool SpeedsInRange(int card, const std::array<double, kCardColumns>& maxSpeed) {
  if (FirstSpeedOutOfRange(card, maxSpeed) < 0) return true;
  ShowOperatorMessage(kMessageSpeed);
  return false;
}

int Save(std::string_view dialog, int card, const std::function<void()>& change) {
  if (!ChangeSettings(change)) return 0;
  SaveSysParams();  // reads the record only; the tick may go on meanwhile
  JournalSettingsSaved(dialog, card);
  return 1;
}

}  // namespace

void JournalSettingsSaved(std::string_view dialog, int card) {
  const std::string& file = SysParamsPath;
  if (card == 0 || card == 1) {
    journal::Record(journal::kind::kSettings,
                    {{"dialog", dialog}, {"card", card + 1}, {"file", file}, {"ok", ProfileFile.LastWriteCommitted()}});
  } else {
    journal::Record(journal::kind::kSettings,
                    {{"dialog", dialog}, {"file", file}, {"ok", ProfileFile.LastWriteCommitted()}});
  }
}

bool ChangeSettings(const std::function<void()>& change) {
  if (AnyMotionBusy()) {
    ShowOperatorMessage(kMessageStopFirst);
    return false;
  }
  SettingsChangeScope scope;
  // A tick that began before the scope ends its steps in microseconds,
  // unless it waits for a box on this thread: then a motion was running
  // when the box came, and the save is refused rather than waited for.
  while (RunControl.TickInStep.load()) {
    if (PendingTickMessages() > 0) {
      ShowOperatorMessage(kMessageStopFirst);
      return false;
    }
    std::this_thread::yield();
  }
  change();
  return true;
}

int FirstSpeedOutOfRange(int card, const std::array<double, kCardColumns>& maxSpeed) {
  const int first = FirstAxisOfCard(card);
  if (first == 0) return -1;
  for (int k = 0; k < kCardColumns; ++k) {
    if (SpeedOutOfRange(first + k, maxSpeed[static_cast<std::size_t>(k)])) return k;
  }
  return -1;
}

int SaveEquipmentSetting(int card, const EquipmentCardValues& values) {
  return Save("Equipment Setting", card, [&] { StoreEquipmentCard(card, values); });
}

int SaveOtherSetting(int card, const OtherCardValues& values) {
  return Save("Other Setting", card, [&] { StoreOtherCard(card, values); });
}

int SaveHomeSetting(int card, const HomeCardValues& values) {
  if (!SpeedsInRange(card, values.maxSpeed)) return 0;
  return Save("Home Setting", card, [&] { StoreHomeCard(card, values); });
}

int SaveJogSetting(int card, const JogCardValues& values) {
  if (!SpeedsInRange(card, values.maxSpeed)) return 0;
  return Save("Point to Point Setting", card, [&] { StoreJogCard(card, values); });
}
