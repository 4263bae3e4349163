#include "program/RecentFiles.h"

#include <algorithm>

RecentFileList RecentFiles;

void RecentFileList::Add(const std::string& path) {
  if (path.empty()) return;
  Remove(path);
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

void RecentFileList::Remove(const std::string& path) { std::erase(entries_, path); }

void RecentFileList::Assign(const std::vector<std::string>& paths) {
  entries_.clear();
  for (const std::string& path : paths) {
    if (entries_.size() == kMaxEntries) break;
    if (path.empty() || std::find(entries_.begin(), entries_.end(), path) != entries_.end()) continue;
    entries_.push_back(path);
  }
}
