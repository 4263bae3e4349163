// Any bytes as sysparam.cfg: loading never crashes, and saving what was
// loaded gives a file that loads to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

#include "../support/FuzzFolder.h"

#include "settings/SysParams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = FuzzFolder() + "tessor-fuzz-sysparams-" + std::to_string(getpid()) + "/";
  static const bool made = [] {
    std::string command = "mkdir -p " + folder;
    return std::system(command.c_str()) == 0;
  }();
  if (!made) return 0;
  SetSysParamsFolder(folder);
  {
    std::ofstream out(folder + "sysparam.cfg", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  SysParams.Reset();
  LoadSysParams();
  // The round trip syncs to disk; one input in eight is enough for it.
  if (size % 8 != 0) return 0;
  const SysParamsRecord loaded = SysParams;
  SaveSysParams();
  SysParams.Reset();
  LoadSysParams();
  // Texts with line ends cannot survive a line format; everything else must.
  if (loaded.TitleNameChs.find_first_of("\r\n") == std::string::npos &&
      loaded.TitleNameEng.find_first_of("\r\n") == std::string::npos &&
      (SysParams.Ctrler != loaded.Ctrler || SysParams.LangVer != loaded.LangVer ||
       SysParams.Dir[15] != loaded.Dir[15] || SysParams.TitleNameEng != loaded.TitleNameEng)) {
    std::abort();
  }
  return 0;
}
