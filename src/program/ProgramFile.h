#pragma once
// Program files (.knl): section "Command Save", "CommandNo", then 22 keys per
// entry in a fixed order, read back strictly forward. And the four file
// commands New, Open, Save and Save As of the main frame.

#include <cstddef>
#include <string>

// The file Save writes without asking: set by the Save dialog, by Open and
// by Save As, so Save always writes the file being worked on; empty at
// start and after New.
extern std::string SavePath;
// The path the main frame's status bar shows.
extern std::string ShownPath;

// The question before a changed program is put aside (New, Open, a recent
// file, quitting): "Save changes to the program?" with Yes, No and Cancel.
// Yes saves as Save does, No lets the edits go, Cancel keeps everything.
// True when the action may go on: nothing was changed, No, or Yes and the
// program was written (a cancelled or failed Save goes no further).
bool ConfirmDiscardChanges();

// New: refused with message 9 while a motion runs. Otherwise forgets
// SavePath, empties the program and its listing, repaints and resets
// EditCommand. True when the program was emptied: the caller then also
// empties the drawn path of the live status bar.
bool ProgramFileNew();

// Open: the file chooser, then OpenProgramFile. Refused with message 9
// while a motion runs (the tick may be reading the program). True when the
// program was emptied (as for New).
bool ProgramFileOpen();

// Opens entry `index` of the recent files as Open does, without the
// chooser. A file that no longer exists is said so, leaves the list and
// changes nothing else. True when the program was emptied (as for New).
bool ProgramFileOpenRecent(std::size_t index);

// Save: writes SavePath, or asks for a file when there is none. A file
// written joins the recent files and leaves the program unchanged.
void ProgramFileSave();

// Save As: asks for a file, writes it and works on it from then on.
void ProgramFileSaveAs();

// Empties the program and its listing and loads `path` into them (an
// unreadable file leaves an empty program). Entries are taken only while
// the file supplies them. Sets ShownPath; sets SavePath to `path` when the
// file could be read (it then joins the recent files) and empties it
// otherwise, so that Save asks. The program is unchanged afterwards.
void OpenProgramFile(const std::string& path);

// Writes the whole program to `path` (atomically); true on success.
bool WriteProgramFile(const std::string& path);
