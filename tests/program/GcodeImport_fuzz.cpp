// Any bytes as G-code: the conversion ends with rows or with an error
// naming a line of the text, and the rows end where the converter says.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "program/CommandCodes.h"
#include "program/GcodeImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const GcodeAxes axes{GcodeAxis{1, 0.00125}, GcodeAxis{1, 0.001}, GcodeAxis{1, 0.0016}};
  GcodeOptions options;
  options.spindle = SpindleOutput{1, 3};
  options.tolerance = 1.0;  // coarse chords keep huge arcs within the fuzzer's memory
  const GcodeConversion c = ConvertGcode(text, axes, options);
  if (c.error) {
    if (c.error->line == 0 || c.error->line > c.lines || !c.rows.empty()) std::abort();
    return 0;
  }
  std::array<long long, 3> at{};
  for (const MotionCommand& row : c.rows) {
    const CommandCodeInfo* info = FindProgramCode(row.iCodeType);
    if (info == nullptr) std::abort();
    for (int k = 0; k < info->axes; ++k) {
      const auto axis = static_cast<std::size_t>(row.iAxes[k] - 1);
      if (axis > 2 || !std::isfinite(row.dbDis[k])) std::abort();
      at[axis] += std::llround(row.dbDis[k] / axes[axis].equivalent);
    }
  }
  for (std::size_t k = 0; k < 3; ++k) {
    if (at[k] != c.end[k]) std::abort();
  }
  return 0;
}
