// Card initialisation and the start-up sequence.

#include <cstdio>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "motion/EngineJournal.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"

void InitCards() {
  CardDriver.model = SysParams.Ctrler;

  const int axes = CardDriver.auto_set();
  if (axes <= 0) ShowOperatorMessage(7);
  RunControl.AxisCount = axes;

  const int cards = CardDriver.init_board();
  if (cards <= 0) {
    ShowOperatorMessage(5);
  } else {
    char text[96];
    const int lang = CurrentLanguage();
    bool show = true;
    if (lang == kLangEnglish) {
      std::snprintf(text, sizeof text, "Card(s) = %d,Axis = %d", cards, axes);
    } else if (lang == kLangChinese) {
      std::snprintf(text, sizeof text, "卡数 = %d,轴数 = %d", cards, axes);
    } else {
      show = false;
    }
    if (show) Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
  }
  RunControl.CardCount = cards;
  JournalCards(SysParams.Ctrler, axes, cards);
}

void CompleteCardSetup() {
  InitCards();
  ComputeEquivalents();
  ApplyAxisSettings();
  SaveSysParams();
}

void RunStartUpSequence() {
  LoadSysParams();
  CompleteCardSetup();
}
