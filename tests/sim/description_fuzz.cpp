// Any text given as a machine description parses or is refused, never
// crashes, and what parses is a machine the simulator can run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sim::MachineDescription d;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (sim::ParseDescription(text, d, error)) {
    if (d.cards < 0 || d.cards > 2) __builtin_trap();  // 0: no card answers
    for (const auto& a : d.axes)
      if (!(a.negLimit < a.posLimit) || !(a.travelMin < a.travelMax) || !(a.indexPeriod > 0)) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
