#pragma once
// Editing the program through its listing: the list box's handlers, the
// main frame's Add, Insert, Modify and Delete, and storing a command made in
// the program input dialog by EditMode. The program and its listing always
// change together, in the same call; nothing changes while the program runs
// (message 11), since the tick reads the program then.

#include <cstdint>
#include <string>
#include <vector>

#include "program/MotionCommand.h"

inline constexpr int kEditAdd = 0;
inline constexpr int kEditModify = 1;
inline constexpr int kEditInsert = 2;

// Set by the main frame's commands before the program input dialog opens.
extern int EditMode;

// The list box's right click and double click: false, with message 11,
// while the program runs; otherwise the caller shows the popup menu or
// opens the dialog (the double click sets EditMode to modify).
bool ProgramListRightClick();
bool ProgramListDoubleClick();
// The list box's Delete key: message 11 while the program runs, else Delete.
void ProgramListDeleteKey();

// The main frame's commands; true when the dialog is to open.
bool BeginAddCommand();     // EditMode add
bool BeginInsertCommand();  // EditMode insert
bool BeginModifyCommand();  // message 6 on an empty program, else EditMode modify

// Opening the dialog in modify mode: copies the selected entry into
// EditCommand; message 2 and false without a selected row.
bool LoadSelectedForModify();

// Delete: removes the selected entry and row (message 3 without one); no row
// is selected afterwards.
void DeleteSelectedCommand();

// Where an insert goes when no row is selected.
enum class InsertWithoutSelection {
  Refuse,  // home and switch-output pages: message 4, nothing stored
  AtTop,   // point-to-point and linear pages: before row 0
};

// Stores `commands` in order by EditMode at the current selection: add
// appends; insert puts command k at s + 1 + k (or at k / refused without a
// selection) and keeps the selection on s; modify replaces entry s by the
// first command and selects row s again. Each row shows ListingText.
// Returns the number of entries stored.
int StoreCommands(const std::vector<MotionCommand>& commands, InsertWithoutSelection rule);

// The usual single store of EditCommand.
int StoreEditCommand(InsertWithoutSelection rule);
