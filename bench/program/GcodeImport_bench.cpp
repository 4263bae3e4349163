// G-code import: 1,000,000 lines of CAM-like output (lines, arcs, rapids,
// comments) converted into a program, under 2 s on the reference machine.
//
//   build/bin/bench_gcode_import --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <string>

#include "program/GcodeImport.h"

namespace {

// A pocket's worth of moves, repeated: every tenth line an arc, a comment
// now and then, rapids between passes.
std::string CamOutput(std::size_t lines) {
  std::string text = "%\n(pocket)\nG21 G90 G17 G94\nF900\n";
  std::size_t n = 4;
  for (std::size_t i = 0; n < lines; ++i, ++n) {
    const double x = static_cast<double>(i % 400) * 0.05;
    const double y = static_cast<double>((i / 400) % 400) * 0.05;
    char line[96];
    if (i % 10 == 9) {
      std::snprintf(line, sizeof line, "G2 X%.4f Y%.4f I0.0250 J0.0000\n", x, y);  // a half circle
    } else if (i % 400 == 0) {
      std::snprintf(line, sizeof line, "G0 X%.4f Y%.4f Z1.0000 (next pass)\n", x, y);
    } else if (i % 400 == 1) {
      std::snprintf(line, sizeof line, "G1 Z-0.5000\n");
    } else {
      std::snprintf(line, sizeof line, "N%zu G1 X%.4f Y%.4f\n", n, x, y);
    }
    text += line;
  }
  return text;
}

void BM_ConvertGcode(benchmark::State& state) {
  const std::string text = CamOutput(static_cast<std::size_t>(state.range(0)));
  const GcodeAxes axes{GcodeAxis{1, 0.00125}, GcodeAxis{1, 0.00125}, GcodeAxis{1, 0.00125}};
  std::size_t rows = 0;
  for (auto _ : state) {
    const GcodeConversion c = ConvertGcode(text, axes, {});
    if (c.error) state.SkipWithError("the G-code was refused");
    rows = c.rows.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ConvertGcode)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
