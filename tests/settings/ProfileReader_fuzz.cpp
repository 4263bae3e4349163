// Any bytes as a settings file: every read kind, from the top and onward.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include <unistd.h>

#include "../support/FuzzFolder.h"

#include "settings/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = FuzzFolder() + "tessor-fuzz-profile-" + std::to_string(getpid()) + ".cfg";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CProfileFile file;
  if (file.OpenRead(path) != 0) return 0;
  std::string text;
  std::int32_t value = 0;
  double real = 0;
  // Keys drawn from the input itself reach the matching branches.
  const std::string key(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
  for (const std::string& k : {std::string("CommandNo"), std::string("Unit[3]"), key, std::string()}) {
    file.ReadString(k, text);
    file.ReadInt(k, value);
    file.ReadDouble(k, real);
    for (int i = 0; i < 4; ++i) {
      file.ReadNextInt(k, value);
      file.ReadNextDouble(k, real);
    }
  }
  file.Close();
  return 0;
}
