#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <vector>

#include "platform/ProgramPath.h"

namespace platform {
namespace {

std::mutex folderMutex;
std::string folderOverride;

std::string ModuleFolder() {
  {
    std::lock_guard lock(folderMutex);
    if (!folderOverride.empty()) return folderOverride;
  }
  return ProgramFolder();
}

}  // namespace

std::string ModuleFileName(std::string_view baseName) {
  std::string name = "lib";
  name += baseName;
  name += ".so";
  return name;
}

std::vector<std::string> ModuleFolders() {
  std::vector<std::string> folders;
  std::string folder = ModuleFolder();
  if (folder.empty()) return folders;
  if (folder.back() != '/') folder += '/';
  folders.push_back(folder);
  std::string installed = InstalledLibraryFolder(folder);
  if (!installed.empty()) folders.push_back(std::move(installed));
  return folders;
}

ModuleHandle LoadModule(std::string_view baseName) {
  if (baseName.empty() || baseName.find('/') != std::string_view::npos) return nullptr;
  const std::string file = ModuleFileName(baseName);
  // The first folder that holds the file decides: a library that is there
  // but does not load is not replaced by another one of the same name.
  for (const std::string& folder : ModuleFolders()) {
    const std::string path = folder + file;
    if (access(path.c_str(), F_OK) == 0) return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  // A name without a slash makes the loader search its own path only
  // (LD_LIBRARY_PATH, run paths, the cache, the system folders).
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

void ReleaseModule(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

void SetModuleFolderForTesting(std::string folder) {
  std::lock_guard lock(folderMutex);
  folderOverride = std::move(folder);
}

}  // namespace platform
