#pragma once
// The user's own folders and what this process may do in a folder.

#include <string>

namespace platform {

// The user's configuration folder, ending in '/': $XDG_CONFIG_HOME when it
// is an absolute path, else ".config/" in the home folder ($HOME when it is
// an absolute path, else the user's entry in the password database). Empty
// when no home folder is known.
std::string UserConfigFolder();

// The user's state folder (histories, journals), ending in '/':
// $XDG_STATE_HOME when it is an absolute path, else ".local/state/" in the
// home folder. Empty when no home folder is known.
std::string UserStateFolder();

// Whether `folder` is a folder in which this process may create files.
bool FolderWritable(const std::string& folder);

// Whether `path` is a folder (a link to one counts).
bool IsFolder(const std::string& path);

// Makes `folder` and the missing folders above it, readable by the user
// only. True when it is a folder afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace platform
