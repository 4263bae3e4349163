#pragma once
// Set-up shared by the engine benchmarks: the simulated ORVB machine with
// two cards as the engine sees it, every axis in pulses.

#include <cstdint>
#include <cstdio>

#include "card/CardDriver.h"
#include "motion/Engine.h"
#include "motion/Units.h"
#include "platform/DynamicLibrary.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"

namespace enginebench {

// The sim_ exports the benchmarks use.
struct SimClock {
  explicit SimClock(const char* base) : module(platform::LoadModule(base)) {
    if (module == nullptr) return;
    reset = reinterpret_cast<int (*)()>(platform::FindExport(module, "sim_reset"));
    manual = reinterpret_cast<int (*)(int)>(platform::FindExport(module, "sim_set_manual_clock"));
    advance = reinterpret_cast<int (*)(std::int64_t)>(platform::FindExport(module, "sim_advance_us"));
    trace = reinterpret_cast<int (*)(int)>(platform::FindExport(module, "sim_trace_enable"));
    load = reinterpret_cast<int (*)(const char*)>(platform::FindExport(module, "sim_load_machine"));
  }
  bool Usable() const { return reset && manual && advance && trace && load; }

  // Two cards on long stages, so that a benchmark's moves never reach a
  // switch. Resets the machine to it.
  bool UseLongTwoCardMachine() const {
    const char* path = "/tmp/tessor-bench-machine.cfg";
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) return false;
    std::fputs("cards = 2\n[axis all]\ntravel = -1000000000 1000000000\nlimits = -900000000 900000000\n"
               "slowdown = -800000000 800000000\nhome = 700000000 700000100\n",
               f);
    std::fclose(f);
    const bool ok = load(path) == 0;
    std::remove(path);
    return ok;
  }
  platform::ModuleHandle module;
  int (*reset)() = nullptr;
  int (*manual)(int) = nullptr;
  int (*advance)(std::int64_t) = nullptr;
  int (*trace)(int) = nullptr;
  int (*load)(const char*) = nullptr;
};

// For the stand-alone benchmarks: the ORVB library's machine, or a line on
// stderr saying why not.
inline bool OpenBenchMachine(const SimClock& sim) {
  if (!sim.Usable()) {
    std::fprintf(stderr, "simulated ORVB library not found beside the benchmark\n");
    return false;
  }
  if (!sim.UseLongTwoCardMachine()) {
    std::fprintf(stderr, "machine description not loaded\n");
    return false;
  }
  sim.trace(0);  // the trace is for tests; a real card keeps none
  return true;
}

inline void PrepareMachine(int cards) {
  ResetEngineState();
  MotionProgram.clear();
  SysParams.SetDefaults();
  SysParams.LangVer = 0;
  SysParams.Ctrler = 1;
  SysParams.CheckTime = 0.0;
  for (int i = 0; i < 16; ++i) {
    SysParams.Unit[i] = 0;
    SysParams.FeedBack[i] = 0;
    SysParams.EncFreq[i] = 1;
  }
  CardDriver.model = 1;
  RunControl.CardCount = cards;
  ComputeEquivalents();
}

}  // namespace enginebench
