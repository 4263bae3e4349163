#pragma once
// Where fuzz targets put their scratch files: memory-backed when the system
// has it, since every input is written and read back.

#include <string>

#include <unistd.h>

inline std::string FuzzFolder() { return access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/"; }
