#pragma once
// What the window benchmarks share: how long to measure, the process's
// processor time so far, and the simulated cards without their trace.

#include <sys/resource.h>

#include <cstdlib>

#include "platform/DynamicLibrary.h"

// TESSOR_BENCH_SECONDS, or `fallback` when it is not a positive number.
inline int MeasureSeconds(int fallback) {
  const char* text = std::getenv("TESSOR_BENCH_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : fallback;
  return seconds > 0 ? seconds : fallback;
}

// User and system time of the whole process, in seconds.
inline double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The card trace is for tests; a real card keeps none.
inline void TraceOff(const char* baseName) {
  platform::ModuleHandle module = platform::LoadModule(baseName);
  auto enable = reinterpret_cast<int (*)(int)>(platform::FindExport(module, "sim_trace_enable"));
  if (enable != nullptr) enable(0);
  platform::ReleaseModule(module);
}
