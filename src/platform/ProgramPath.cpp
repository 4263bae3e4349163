#include "platform/ProgramPath.h"

#include <unistd.h>

#include <vector>

namespace platform {

std::string ProgramFilePath() {
  // readlink does not say how long the target is: grow until it fits.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() >= (size_t{1} << 24)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProgramFolder() {
  const std::string path = ProgramFilePath();
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

std::string InstalledLibraryFolder(std::string_view programFolder) {
  constexpr std::string_view kBin = "/bin/";
  if (!programFolder.ends_with(kBin)) return {};
  std::string folder(programFolder.substr(0, programFolder.size() - kBin.size() + 1));
  folder += kInstalledLibraryDir;
  folder += '/';
  return folder;
}

}  // namespace platform
