#include "platform/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  // Relative values are invalid for these variables and are ignored.
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeFolder() {
  std::string home = AbsoluteEnv("HOME");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 4096);
  passwd entry{};
  passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (std::size_t{1} << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') return {};
  return found->pw_dir;
}

}  // namespace

std::string UserConfigFolder() {
  std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
  if (!config.empty()) return WithSlash(std::move(config));
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return WithSlash(home) + ".config/";
}

std::string UserStateFolder() {
  std::string state = AbsoluteEnv("XDG_STATE_HOME");
  if (!state.empty()) return WithSlash(std::move(state));
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return WithSlash(home) + ".local/state/";
}

bool FolderWritable(const std::string& folder) { return IsFolder(folder) && access(folder.c_str(), W_OK | X_OK) == 0; }

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::string path;
  std::size_t start = 0;
  while (start < folder.size()) {
    std::size_t slash = folder.find('/', start);
    if (slash == std::string::npos) slash = folder.size();
    path = folder.substr(0, slash);
    start = slash + 1;
    if (path.empty() || IsFolder(path)) continue;
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return IsFolder(folder);
}

}  // namespace platform
