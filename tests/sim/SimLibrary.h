#pragma once
// Test access to one simulated card library, loaded as the driver loads it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "card/CardAbi.h"
#include "platform/DynamicLibrary.h"
#include "sim/sim_api.h"

namespace simtest {

class SimLibrary {
 public:
  explicit SimLibrary(const char* model) : model_(model), handle_(platform::LoadModule(model)) {}
  ~SimLibrary() { platform::ReleaseModule(handle_); }
  SimLibrary(const SimLibrary&) = delete;
  SimLibrary& operator=(const SimLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Model() const { return model_; }

  // The export `name` as a function of type F; fails the test when missing.
  template <typename F>
  F* Get(const char* name) const {
    void* p = platform::FindExport(handle_, name);
    EXPECT_NE(p, nullptr) << model_ << " lacks " << name;
    return reinterpret_cast<F*>(p);
  }
  bool Has(const char* name) const { return platform::FindExport(handle_, name) != nullptr; }

  // sim_ controls.
  int Reset() const { return Get<int()>("sim_reset")(); }
  int Load(const char* path) const { return Get<int(const char*)>("sim_load_machine")(path); }
  int Manual(int on) const { return Get<int(int)>("sim_set_manual_clock")(on); }
  int Advance(std::int64_t us) const { return Get<int(std::int64_t)>("sim_advance_us")(us); }
  std::int64_t Now() const { return Get<std::int64_t()>("sim_now_us")(); }
  // Advances in 5 ms ticks until `done` holds or `limitUs` has passed;
  // returns the time taken.
  template <typename Pred>
  std::int64_t RunUntil(Pred done, std::int64_t limitUs = 600'000'000) const {
    const std::int64_t start = Now();
    while (!done() && Now() - start < limitUs) Advance(5000);
    return Now() - start;
  }
  double TruePos(int axis) const {
    double p = 0;
    Get<int(int, double*)>("sim_axis_position")(axis, &p);
    return p;
  }
  std::vector<std::string> TraceEntries() const {
    std::vector<std::string> out;
    const int n = Get<int()>("sim_trace_size")();
    auto entry = Get<int(int, char*, int)>("sim_trace_entry");
    for (int i = 0; i < n; ++i) {
      const int len = entry(i, nullptr, 0);
      std::string s(static_cast<std::size_t>(len) + 1, '\0');
      entry(i, s.data(), len + 1);
      s.resize(static_cast<std::size_t>(len));
      out.push_back(s);
    }
    return out;
  }
  void ClearTrace() const { Get<int()>("sim_trace_clear")(); }

 private:
  std::string model_;
  platform::ModuleHandle handle_;
};

}  // namespace simtest
