#pragma once
// Saving the setting dialogs (Equipment, Other, Home and Point to Point
// Setting) after the operator confirmed the save question. The parameters
// never change under a running motion or a tick step that reads them: a
// Save while any motion runs is refused with operator message 9 ("Please
// stop the motion first!"), and the writes wait for a tick in progress to
// end (the tick skips its steps while they are made).

#include <array>
#include <functional>
#include <string_view>

#include "settings/CardSettings.h"

// Journals a save of the parameters by `dialog` ("Equipment Setting",
// "Other Setting", "Home Setting", "Point to Point Setting", "Card Type") for `card`
// (0, 1; any other: no card), with whether sysparam.cfg took it.
void JournalSettingsSaved(std::string_view dialog, int card = -1);

// Runs `change`, which writes parameters the status tick reads, where no
// tick step reads them. False (nothing run) after message 9 while any
// motion runs, or while a tick waits for the operator to answer a box.
bool ChangeSettings(const std::function<void()>& change);

// The first column (0-3) of card `card` whose maximum speed converts with
// its axis's Unit and PulseEquivalent to 2000000 pulses/s or more; -1 when
// all four are in range or the card is neither 0 nor 1.
int FirstSpeedOutOfRange(int card, const std::array<double, kCardColumns>& maxSpeed);

// Each writes the card's values to SysParams and saves sysparam.cfg, and
// returns 1; 0 when refused after a message, with nothing written or saved.
// A card other than 0 and 1 writes no column (Equipment Setting still
// derives the units and takes the check time) and saves the file.
int SaveEquipmentSetting(int card, const EquipmentCardValues& values);
int SaveOtherSetting(int card, const OtherCardValues& values);
// These two check the maximum speeds of all four columns first: one out of
// range shows message 1 and nothing of the card is written.
int SaveHomeSetting(int card, const HomeCardValues& values);
int SaveJogSetting(int card, const JogCardValues& values);
