#pragma once
// The simulator's own exports of one loaded card library, for tests: reset
// the machine and read the trace of card calls.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"

class SimLibrary {
 public:
  // The sim_ exports of `module`; Usable() is false when any is missing.
  explicit SimLibrary(platform::ModuleHandle module);

  bool Usable() const;
  void Reset() const;  // machine back to its description, trace cleared
  void ClearTrace() const;
  std::vector<std::string> Trace() const;  // oldest first
  void SetManualClock(bool on) const;
  void Advance(std::int64_t microseconds) const;
  double AxisPosition(int axis) const;

 private:
  int (*reset_)() = nullptr;
  int (*traceClear_)() = nullptr;
  int (*traceSize_)() = nullptr;
  int (*traceEntry_)(int, char*, int) = nullptr;
  int (*setManualClock_)(int) = nullptr;
  int (*advance_)(std::int64_t) = nullptr;
  int (*axisPosition_)(int, double*) = nullptr;
};
