#pragma once
// The sim_ exports of one simulated card library, loaded as the driver
// loads it: reset, the manual clock, the call trace, forced signals and
// encoders. Header only; used by the engine and the window tests.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"

namespace testsupport {

// The sim_ exports of one simulated card library.
class Sim {
 public:
  explicit Sim(const char* baseName) : module_(platform::LoadModule(baseName)) {
    Find("sim_reset", reset_);
    Find("sim_set_manual_clock", manual_);
    Find("sim_advance_us", advance_);
    Find("sim_now_us", now_);
    Find("sim_trace_clear", traceClear_);
    Find("sim_trace_size", traceSize_);
    Find("sim_trace_entry", traceEntry_);
    Find("sim_axis_position", axisPosition_);
    Find("sim_force_signal", forceSignal_);
    Find("sim_set_encoder", setEncoder_);
    Find("sim_load_machine", loadMachine_);
    Find("sim_force_input", forceInput_);
    Find("sim_set_position", setPosition_);
  }
  ~Sim() { platform::ReleaseModule(module_); }
  Sim(const Sim&) = delete;
  Sim& operator=(const Sim&) = delete;

  bool Usable() const {
    return reset_ && manual_ && advance_ && now_ && traceClear_ && traceSize_ && traceEntry_ && axisPosition_ &&
           forceSignal_ && setEncoder_ && loadMachine_ && forceInput_ && setPosition_;
  }
  // Back to the machine description; `full` also drops a loaded file.
  void Reset(bool full = true) const {
    if (full) reset_();
    manual_(1);
    traceClear_();
  }
  void RealTime() const { manual_(0); }
  void Advance(std::int64_t us) const { advance_(us); }
  std::int64_t Now() const { return now_(); }
  void ClearTrace() const { traceClear_(); }
  std::vector<std::string> Trace() const {
    std::vector<std::string> entries;
    const int size = traceSize_();
    for (int i = 0; i < size; ++i) {
      char buffer[256];
      const int length = traceEntry_(i, buffer, static_cast<int>(sizeof buffer));
      if (length < 0) break;
      entries.emplace_back(buffer);
    }
    return entries;
  }
  double Position(int axis) const {
    double p = 0;
    axisPosition_(axis, &p);
    return p;
  }
  void Force(int axis, int signal, int state) const { forceSignal_(axis, signal, state); }
  void Encoder(int axis, double countsPerPulse, double scaleError, double lostPer10000) const {
    setEncoder_(axis, countsPerPulse, scaleError, lostPer10000);
  }
  int LoadMachine(const char* path) const { return loadMachine_(path); }
  void ForceInput(int card, int bit, int state) const { forceInput_(card, bit, state); }
  void SetPosition(int axis, double position) const { setPosition_(axis, position); }

 private:
  template <typename F>
  void Find(const char* name, F*& f) {
    f = module_ ? reinterpret_cast<F*>(platform::FindExport(module_, name)) : nullptr;
  }
  platform::ModuleHandle module_;
  int (*reset_)() = nullptr;
  int (*manual_)(int) = nullptr;
  int (*advance_)(std::int64_t) = nullptr;
  std::int64_t (*now_)() = nullptr;
  int (*traceClear_)() = nullptr;
  int (*traceSize_)() = nullptr;
  int (*traceEntry_)(int, char*, int) = nullptr;
  int (*axisPosition_)(int, double*) = nullptr;
  int (*forceSignal_)(int, int, int) = nullptr;
  int (*setEncoder_)(int, double, double, double) = nullptr;
  int (*loadMachine_)(const char*) = nullptr;
  int (*forceInput_)(int, int, int) = nullptr;
  int (*setPosition_)(int, double) = nullptr;
};

}  // namespace testsupport
