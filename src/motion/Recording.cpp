#include "motion/Recording.h"

#include <algorithm>
#include <chrono>

#include "motion/EngineInternal.h"

RecordingRecord Recording;

// Every field is an atomic, so a reader may copy a slot while the writer
// fills it without a data race; `stamp` tells whether the copy is whole. It
// holds the tick the slot carries, and 0 while the writer fills it: a copy
// that saw the same tick in `stamp` before and after is that tick's sample
// (a sequence lock, ordered by release stores and acquire loads rather than
// fences).
struct SampleRing::Slot {
  std::atomic<std::uint64_t> stamp{0};
  std::atomic<std::int64_t> timeNs{0};
  std::atomic<std::int32_t> row{0};
  std::atomic<std::int32_t> pass{0};
  std::atomic<std::int32_t> polled{0};
  std::array<std::atomic<double>, kPolledAxes> command{};
  std::array<std::atomic<std::int32_t>, kPolledAxes> encoder{};
  std::array<std::atomic<double>, kPolledAxes> speed{};
};

SampleRing::SampleRing(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)), slots_(new Slot[capacity_]) {}

SampleRing::~SampleRing() = default;

std::uint64_t SampleRing::Push(const TickSample& sample) {
  // Every field is stored with release order after the stamp is cleared: a
  // reader that sees any of the new values also sees the cleared stamp (or
  // a newer one) when it looks again. On x86 these are plain stores.
  constexpr auto release = std::memory_order_release;
  const std::uint64_t tick = newest_.load(std::memory_order_relaxed) + 1;
  Slot& slot = slots_[(tick - 1) % capacity_];
  slot.stamp.store(0, std::memory_order_relaxed);
  slot.timeNs.store(sample.timeNs, release);
  slot.row.store(sample.row, release);
  slot.pass.store(sample.pass, release);
  slot.polled.store(sample.polled, release);
  for (std::size_t i = 0; i < kPolledAxes; ++i) {
    slot.command[i].store(sample.command[i], release);
    slot.encoder[i].store(sample.encoder[i], release);
    slot.speed[i].store(sample.speed[i], release);
  }
  slot.stamp.store(tick, release);
  newest_.store(tick, release);
  return tick;
}

void SampleRing::Restart() { newest_.store(0, std::memory_order_release); }

bool SampleRing::Load(std::uint64_t tick, TickSample& sample) const {
  constexpr auto acquire = std::memory_order_acquire;
  const Slot& slot = slots_[(tick - 1) % capacity_];
  if (slot.stamp.load(acquire) != tick) return false;
  sample.tick = tick;
  sample.timeNs = slot.timeNs.load(acquire);
  sample.row = slot.row.load(acquire);
  sample.pass = slot.pass.load(acquire);
  sample.polled = slot.polled.load(acquire);
  for (std::size_t i = 0; i < kPolledAxes; ++i) {
    sample.command[i] = slot.command[i].load(acquire);
    sample.encoder[i] = slot.encoder[i].load(acquire);
    sample.speed[i] = slot.speed[i].load(acquire);
  }
  return slot.stamp.load(std::memory_order_relaxed) == tick;
}

std::size_t SampleRing::Read(Cursor& cursor, std::vector<TickSample>& out, std::size_t max) const {
  const std::uint64_t newest = Newest();
  if (cursor.next == 0 || cursor.next > newest + 1) cursor.next = 1;
  // What the writer has certainly overwritten is lost without looking.
  if (newest >= capacity_ && cursor.next <= newest - capacity_) {
    const std::uint64_t oldest = newest - capacity_ + 1;
    cursor.lost += oldest - cursor.next;
    cursor.next = oldest;
  }
  std::size_t appended = 0;
  TickSample sample;
  while (cursor.next <= newest && appended < max) {
    if (Load(cursor.next, sample)) {
      out.push_back(sample);
      ++appended;
    } else {
      // Overwritten while this reader came to it (the writer lapped it).
      ++cursor.lost;
    }
    ++cursor.next;
  }
  return appended;
}

std::size_t SampleRing::ReadRange(std::uint64_t first, std::uint64_t last, std::vector<TickSample>& out) const {
  const std::uint64_t newest = Newest();
  last = std::min(last, newest);
  if (newest > capacity_) first = std::max(first, newest - capacity_ + 1);
  first = std::max<std::uint64_t>(first, 1);
  std::size_t appended = 0;
  TickSample sample;
  for (std::uint64_t tick = first; tick <= last; ++tick) {
    if (Load(tick, sample)) {
      out.push_back(sample);
      ++appended;
    }
  }
  return appended;
}

void RecordingRecord::Start() {
  if (On()) return;
  if (owned_ == nullptr) {
    owned_ = std::make_unique<SampleRing>(kCapacity);
    ring_.store(owned_.get(), std::memory_order_release);
  }
  owned_->Restart();
  on_.store(true, std::memory_order_release);
}

void RecordingRecord::Stop() { on_.store(false, std::memory_order_release); }

void RecordingRecord::Reset() {
  Stop();
  if (owned_ != nullptr) owned_->Restart();
}

void RecordingRecord::Record() {
  if (!On()) return;
  SampleRing* ring = ring_.load(std::memory_order_acquire);
  TickSample sample;
  sample.timeNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  const int shown = RunControl.ShownCard.load(std::memory_order_relaxed);
  sample.polled = shown == 1 ? 4 : shown == 2 ? 8 : 0;
  for (std::size_t i = 0; i < kPolledAxes; ++i) {
    sample.command[i] = StatusTables.CommandPosition[i].load(std::memory_order_relaxed);
    sample.encoder[i] = StatusTables.EncoderCount[i].load(std::memory_order_relaxed);
    sample.speed[i] = StatusTables.CurrentSpeed[i].load(std::memory_order_relaxed);
  }
  // The row and pass the program step is about to work on: none on the
  // tick that completes a pass (the row is past the last) or ends the run.
  // The program is read only while the tick is marked as in it, so the
  // editor keeps off it.
  if (RunControl.BusyProgram.load(std::memory_order_acquire)) {
    const int current = ProgramRun.CurrentRow.load(std::memory_order_relaxed);
    const int done = ProgramRun.LoopsDone.load(std::memory_order_relaxed);
    const int total = ProgramRun.LoopTotal.load(std::memory_order_relaxed);
    const std::size_t rows = engine::ProgramRowCount();
    if (done < total && current >= 0 && static_cast<std::size_t>(current) < rows) sample.row = current + 1;
    sample.pass = std::min(done + 1, total);
  }
  ring->Push(sample);
}
