#include "SimLibrary.h"

namespace {

template <typename F>
void Find(platform::ModuleHandle module, const char* name, F*& function) {
  function = reinterpret_cast<F*>(platform::FindExport(module, name));
}

}  // namespace

SimLibrary::SimLibrary(platform::ModuleHandle module) {
  Find(module, "sim_reset", reset_);
  Find(module, "sim_trace_clear", traceClear_);
  Find(module, "sim_trace_size", traceSize_);
  Find(module, "sim_trace_entry", traceEntry_);
  Find(module, "sim_set_manual_clock", setManualClock_);
  Find(module, "sim_advance_us", advance_);
  Find(module, "sim_axis_position", axisPosition_);
}

bool SimLibrary::Usable() const {
  return reset_ && traceClear_ && traceSize_ && traceEntry_ && setManualClock_ && advance_ && axisPosition_;
}

void SimLibrary::Reset() const {
  if (reset_) reset_();
}

void SimLibrary::ClearTrace() const {
  if (traceClear_) traceClear_();
}

std::vector<std::string> SimLibrary::Trace() const {
  std::vector<std::string> entries;
  if (!Usable()) return entries;
  const int size = traceSize_();
  for (int i = 0; i < size; ++i) {
    std::string entry(64, '\0');
    int length = traceEntry_(i, entry.data(), static_cast<int>(entry.size()));
    if (length < 0) break;
    if (static_cast<std::size_t>(length) >= entry.size()) {
      entry.assign(static_cast<std::size_t>(length) + 1, '\0');
      length = traceEntry_(i, entry.data(), static_cast<int>(entry.size()));
    }
    entry.resize(static_cast<std::size_t>(length));
    entries.push_back(std::move(entry));
  }
  return entries;
}

void SimLibrary::SetManualClock(bool on) const {
  if (setManualClock_) setManualClock_(on ? 1 : 0);
}

void SimLibrary::Advance(std::int64_t microseconds) const {
  if (advance_) advance_(microseconds);
}

double SimLibrary::AxisPosition(int axis) const {
  double position = 0.0;
  if (axisPosition_) axisPosition_(axis, &position);
  return position;
}
