#pragma once
// The File menu's recent files: up to four program files, the one most
// recently opened or saved first. The windows keep the list in the
// application's settings store and show it; the file commands fill it.

#include <cstddef>
#include <string>
#include <vector>

class RecentFileList {
 public:
  static constexpr std::size_t kMaxEntries = 4;

  // Puts `path` first; an equal entry further down goes, and so does the
  // oldest beyond four. An empty path is no file.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  // Replaces the list with stored entries, in order: empty and repeated
  // ones are dropped, four at most are kept.
  void Assign(const std::vector<std::string>& paths);
  void Clear() { entries_.clear(); }

  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

extern RecentFileList RecentFiles;
