#pragma once
// The per-tick trace as CSV, one writer for the runner's --csv and the
// scope's export, so that a spreadsheet or a script reads both alike:
//
//   tick,seconds,row,pass,command1,encoder1,speed1,command2,...
//   101,0.505000,1,1,25,100,50,0,0,0,...
//
// one line per tick: its number, the seconds since the trace began (six
// decimals), the row and pass it works on (0: none), then for each axis the
// command position (pulses), the encoder count and the speed (pulses/s),
// reals with up to 15 significant digits.

#include <cstdint>
#include <string>

#include "motion/Recording.h"

// The header line for axes 1..axes (1-8), with its line end.
std::string TickCsvHeader(int axes);
// Appends the line of `sample` (with its line end) to `out`, numbered
// `tick`, at `seconds`.
void AppendTickCsvLine(std::string& out, std::uint64_t tick, double seconds, const TickSample& sample, int axes);
