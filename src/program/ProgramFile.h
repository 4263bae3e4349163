#pragma once
// Program files (.knl): section "Command Save", "CommandNo", then 22 keys per
// entry in a fixed order, read back strictly forward. And the four file
// commands New, Open, Save and Save As of the main frame.

#include <string>

// The file Save writes without asking: set by the Save dialog, by Open and
// by Save As, so Save always writes the file being worked on; empty at
// start and after New.
extern std::string SavePath;
// The path the main frame's status bar shows.
extern std::string ShownPath;

// New: refused with message 9 while a motion runs. Otherwise forgets
// SavePath, empties the program and its listing, repaints and resets
// EditCommand. True when the program was emptied: the caller then also
// empties the drawn path of the live status bar.
bool ProgramFileNew();

// Open: the file chooser, then OpenProgramFile. Refused with message 9
// while a motion runs (the tick may be reading the program). True when the
// program was emptied (as for New).
bool ProgramFileOpen();

// Save: writes SavePath, or asks for a file when there is none.
void ProgramFileSave();

// Save As: asks for a file, writes it and works on it from then on.
void ProgramFileSaveAs();

// Empties the program and its listing and loads `path` into them (an
// unreadable file leaves an empty program). Entries are taken only while
// the file supplies them. Sets ShownPath; sets SavePath to `path` when the
// file could be read and empties it otherwise, so that Save asks.
void OpenProgramFile(const std::string& path);

// Writes the whole program to `path` (atomically); true on success.
bool WriteProgramFile(const std::string& path);
