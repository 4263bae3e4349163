#pragma once
// The call trace: which card exports were called with which arguments, in
// call order, the newest kTraceLimit entries. Entries are packed into
// chunks of bytes (a pointer to the export's name and the raw arguments), so
// a full trace costs some 15-25 bytes per call and recording one is a few
// stores; the text is made only when an entry is read.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::size_t kTraceLimit = 1000000;

// One argument as recorded.
struct TraceArg {
  enum Kind : std::uint8_t { Int, Real, Out } kind;
  std::int32_t i = 0;
  double d = 0;
};

class Trace {
 public:
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }
  void Clear();
  void Record(const char* name, const TraceArg* args, int count);
  std::size_t Size() const;
  // Text of entry `index` (0 = oldest held), or false when out of range.
  bool Entry(std::size_t index, std::string& text) const;

 private:
  static constexpr std::size_t kChunkEntries = 4096;
  struct Chunk {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> offsets;
  };
  std::deque<Chunk> chunks_;
  std::uint64_t dropped_ = 0;  // entries before the first chunk's first
  std::uint64_t total_ = 0;    // entries recorded since the last clear
  bool enabled_ = true;
};

// Shortest text that reads back as the same double ("2.5", "3", "-0.25").
std::string FormatReal(double value);

}  // namespace sim
