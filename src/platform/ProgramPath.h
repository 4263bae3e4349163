#pragma once
// The program's own path, of any length.

#include <string>

namespace platform {

// Full path of the running executable; empty when it cannot be read.
std::string ProgramFilePath();

// The executable's folder including the final '/'; empty when unknown.
std::string ProgramFolder();

}  // namespace platform
