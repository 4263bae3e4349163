#pragma once
// The event journal in the window program: the user's journal file, the
// events of other threads written on the windows' thread, and the notice
// for a journal that cannot be written.

#include <QString>
#include <string>

namespace ui {

// Opens the journal for the windows' thread (the calling one), making its
// folder when missing, and has the other threads' events written on it.
// `path` empty: the user's journal ($XDG_STATE_HOME/tessor/journal.jsonl).
void OpenWindowJournal(const std::string& path = {});

// The status bar's notice when the journal cannot be written, in `language`
// (English for any but Chinese).
QString JournalFailureText(const std::string& why, int language);

}  // namespace ui
