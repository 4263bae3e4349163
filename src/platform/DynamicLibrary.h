#pragma once
// Loading the card libraries by base name and looking up their exports.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

using ModuleHandle = void*;

// Loads "lib" + base + ".so" from the first of these that holds the file:
// the program's own folder; for a program in "<prefix>/bin/", the folder
// "<prefix>/lib/tessor/" of an installed tree; the system loader's search
// path. The working directory is never searched. Returns null when the
// library cannot be loaded.
ModuleHandle LoadModule(std::string_view baseName);

// The folders LoadModule looks in before the loader's path, in order, each
// ending in '/'.
std::vector<std::string> ModuleFolders();

// Address of the export with exactly this name, or null.
void* FindExport(ModuleHandle module, const char* name);

// Releases a handle from LoadModule; null is ignored.
void ReleaseModule(ModuleHandle module);

// The file name LoadModule looks for: "lib" + base + ".so".
std::string ModuleFileName(std::string_view baseName);

// Tests point the "program's own folder" of LoadModule elsewhere (the
// installed-tree folder follows it); an empty folder restores the real one.
void SetModuleFolderForTesting(std::string folder);

}  // namespace platform
