// Any bytes as a .knl file: the load ends, bounded by the file, and every
// row of the listing shows its entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "../support/FuzzFolder.h"

#include "operator/OperatorPort.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"

namespace {
class CountingPort : public NullOperatorPort {
 public:
  void ListAppend(std::string_view) override { ++rows; }
  void ListClear() override { rows = 0; }
  std::size_t rows = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CountingPort port;
  SetOperatorPort(&port);
  static const std::string path = FuzzFolder() + "tessor-fuzz-knl-" + std::to_string(getpid()) + ".knl";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  OpenProgramFile(path);
  // Each entry needs at least one line of its own.
  if (MotionProgram.size() > size / 4 + 1 || port.rows != MotionProgram.size()) std::abort();
  for (const MotionCommand& c : MotionProgram) (void)ListingText(c);
  return 0;
}
