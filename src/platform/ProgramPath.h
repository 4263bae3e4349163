#pragma once
// The program's own path, of any length.

#include <string>
#include <string_view>

namespace platform {

// Full path of the running executable; empty when it cannot be read.
std::string ProgramFilePath();

// The executable's folder including the final '/'; empty when unknown.
std::string ProgramFolder();

// Where an installed program keeps its card libraries: "<prefix>/lib/tessor/"
// for a program in "<prefix>/bin/". Empty when `programFolder` (ending in
// '/') is not a folder named bin. Whether it exists is not checked.
std::string InstalledLibraryFolder(std::string_view programFolder);

// The same folder relative to the install prefix, as the installation lays it.
inline constexpr const char* kInstalledLibraryDir = "lib/tessor";

}  // namespace platform
