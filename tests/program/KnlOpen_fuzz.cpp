// Any bytes as a .knl file: the load ends, bounded by the file, and every
// row of the listing shows its entry; every value reads as strtol and strtod
// read it, and the program saved again is laid out as "%d" and "%lf" lay it
// out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "../support/FuzzFolder.h"
#include "../support/NumberReference.h"

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

// Inputs starting with '#' are read as a recipe of program-file lines, so
// that short runs reach counts, entries and slots that raw bytes seldom
// spell: each following byte pair picks a key (with its entry and slot)
// and a value.
std::string FromRecipe(const std::uint8_t* data, std::size_t size) {
  static const char* const kNames[] = {"CommandNo", "iCodeType", "dbDelayTime", "dbLowSpd",
                                       "dbHighSpd", "dbAccSpd",  "iAxes",       "dbDis"};
  static const char* const kValues[] = {"", "0", "1", "-1", "2147483647", "99999999999", "33619968",
                                        "67248128", "50331909", "1e308", "nan", "-2.5", " 7", "x"};
  std::string text = "\r\n[Command Save]\r\n\r\n";
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    const unsigned pick = data[i];
    const unsigned name = pick % 8;
    const unsigned entry = (pick / 8) % 4;
    const unsigned slot = (pick / 32) % 4;
    text += "[";
    text += kNames[name];
    if (name == 1 || name == 2) text += "[" + std::to_string(entry) + "]";
    if (name >= 3) text += "[" + std::to_string(entry) + std::to_string(slot) + "]";
    text += "]=";
    text += kValues[data[i + 1] % (sizeof kValues / sizeof kValues[0])];
    text += "\r\n";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CountingPort port;
  SetOperatorPort(&port);
  static const std::string path = FuzzFolder() + "tessor-fuzz-knl-" + std::to_string(getpid()) + ".knl";
  const std::string bytes = size > 0 && data[0] == '#' ? FromRecipe(data, size)
                                                       : std::string(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  OpenProgramFile(path);
  // Each entry needs at least one line of its own.
  if (MotionProgram.size() > bytes.size() / 4 + 1 || port.rows != MotionProgram.size()) std::abort();
  for (const MotionCommand& c : MotionProgram) (void)ListingText(c);
  if (!reference::FirstDifference(bytes).empty()) std::abort();
  static const std::string copy = path + ".saved";
  if (!WriteProgramFile(copy)) std::abort();
  std::ifstream saved(copy, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  if (written != reference::ProgramFileText(MotionProgram)) std::abort();
  return 0;
}
