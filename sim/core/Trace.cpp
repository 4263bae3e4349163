#include "core/Trace.h"

#include <charconv>
#include <cstring>

namespace sim {

std::string FormatReal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

void Trace::Clear() {
  chunks_.clear();
  dropped_ = 0;
  total_ = 0;
}

void Trace::Record(const char* name, const TraceArg* args, int count) {
  if (!enabled_) return;
  if (chunks_.empty() || chunks_.back().offsets.size() >= kChunkEntries) {
    chunks_.emplace_back();
    chunks_.back().offsets.reserve(kChunkEntries);
    chunks_.back().bytes.reserve(kChunkEntries * 16);
  }
  Chunk& chunk = chunks_.back();
  chunk.offsets.push_back(static_cast<std::uint32_t>(chunk.bytes.size()));
  auto put = [&chunk](const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    chunk.bytes.insert(chunk.bytes.end(), p, p + size);
  };
  put(&name, sizeof name);
  const auto n = static_cast<std::uint8_t>(count);
  put(&n, 1);
  for (int k = 0; k < count; ++k) {
    const TraceArg& a = args[k];
    put(&a.kind, 1);
    if (a.kind == TraceArg::Int) put(&a.i, sizeof a.i);
    if (a.kind == TraceArg::Real) put(&a.d, sizeof a.d);
  }
  ++total_;
  // Keep the newest kTraceLimit: drop whole chunks that hold only older ones.
  while (!chunks_.empty() && total_ - dropped_ - chunks_.front().offsets.size() >= kTraceLimit) {
    dropped_ += chunks_.front().offsets.size();
    chunks_.pop_front();
  }
}

std::size_t Trace::Size() const {
  const std::uint64_t held = total_ - dropped_;
  return static_cast<std::size_t>(held < kTraceLimit ? held : kTraceLimit);
}

bool Trace::Entry(std::size_t index, std::string& text) const {
  if (index >= Size()) return false;
  // Entries beyond the limit that are still in the first chunk are hidden.
  const std::uint64_t held = total_ - dropped_;
  std::uint64_t at = index + (held - Size());
  std::size_t c = 0;
  while (at >= chunks_[c].offsets.size()) {
    at -= chunks_[c].offsets.size();
    ++c;
  }
  const Chunk& chunk = chunks_[c];
  const std::uint8_t* p = chunk.bytes.data() + chunk.offsets[static_cast<std::size_t>(at)];
  const char* name = nullptr;
  std::memcpy(&name, p, sizeof name);
  p += sizeof name;
  const int count = *p++;
  text = name;
  text += '(';
  for (int k = 0; k < count; ++k) {
    if (k > 0) text += ',';
    const auto kind = static_cast<TraceArg::Kind>(*p++);
    if (kind == TraceArg::Int) {
      std::int32_t v = 0;
      std::memcpy(&v, p, sizeof v);
      p += sizeof v;
      text += std::to_string(v);
    } else if (kind == TraceArg::Real) {
      double v = 0;
      std::memcpy(&v, p, sizeof v);
      p += sizeof v;
      text += FormatReal(v);
    } else {
      text += '*';
    }
  }
  text += ')';
  return true;
}

}  // namespace sim
