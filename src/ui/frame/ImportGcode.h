#pragma once
// File -> Import G-code...: refused with message 9 while a motion runs; the
// unsaved-program question; the file chooser for G-code; the conversion on
// a thread of its own while the windows go on; then the imported program in
// place of the current one (unsaved, no path), its listing filled in parts.
// An import that takes a moment shows its progress in a dialog (with
// Cancel while the file is converted). Errors and skipped codes are said in
// a box in the program's language.

class QWidget;

// True when the program was replaced: the caller follows it (plot, recent
// files).
bool ImportGcodeProgram(QWidget* parent);
