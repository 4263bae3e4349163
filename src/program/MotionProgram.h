#pragma once
// The motion program in memory, the shared edit record and the code text by
// which every entry is shown in the program listing (row i shows entry i).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "program/MotionCommand.h"

// The program: entries in listing order. The tick reads it while the
// program runs; it is changed only while it does not.
extern std::vector<MotionCommand> MotionProgram;

// The one edit record the command pages fill and the file code passes
// every entry through.
extern MotionCommand EditCommand;

// Whether the program holds edits that no Open, Save, Save As or New has
// followed: the file commands and quitting ask before such edits are lost.
bool ProgramChanged();
// Moves on with every change of the program's entries (an edit, Open, New),
// so a view of the whole program (the planned path) knows to follow.
std::uint64_t ProgramRevision();
// An edit changed the entries.
void NoteProgramEdited();
// Open or New put a whole program in place: nothing of it is unsaved.
void NoteProgramReplaced();
// The program was written to its file.
void NoteProgramSaved();

// Code 0x02010000, axes 1-4, no delay, distances 50, start-up 20, maximum
// 50, acceleration 20.
MotionCommand DefaultEditCommand();
void ResetEditCommand();

// "X", "Y", "Z", "T" for axes 1-4, "A", "B", "C", "D" for 5-8, else empty.
std::string_view AxisLetter(std::int32_t axis);

// The code text of one of the sixteen codes ("G00 X50.00 FX20.00 M0.00");
// empty for any other code.
std::string FormatCodeText(const MotionCommand& command);

// The listing row of an entry: its code text, or for a code that is not one
// of the sixteen (a damaged or foreign file) a visible placeholder naming the
// code, so that row i still shows entry i.
std::string ListingText(const MotionCommand& command);

// Formats EditCommand as `code` and appends the row at the end of the
// listing (the placeholder for an unknown code).
void AppendCodeLine(std::int32_t code);

// The first entry (from 0) naming an axis outside 1..axisCount in a slot its
// code uses, or -1 when there is none. A switch output names a card and a
// port, not an axis, and a code that is not one of the sixteen names none.
std::ptrdiff_t FirstEntryWithMissingAxis(const std::vector<MotionCommand>& program, int axisCount);
