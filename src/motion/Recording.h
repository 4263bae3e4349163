#pragma once
// The tick's recording: every tick writes what it has just read (the status
// tables, and the row and pass it works on) into a fixed-size ring that
// other threads read without a lock. The scope and the runner's per-tick
// trace read it.
//
// One writer (the tick) and any number of readers, each with a cursor of its
// own. The writer never waits and never allocates: when a reader falls
// behind by more than the ring holds, the writer overwrites the oldest
// samples, and the reader learns exactly which ticks it lost (the ticks are
// numbered without gaps, and its cursor counts them).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "motion/EngineState.h"

// What one tick read, in the units the cards use.
struct TickSample {
  std::uint64_t tick = 0;   // 1 for the first tick recorded since recording started
  std::int64_t timeNs = 0;  // when the tick ran (monotonic clock)
  std::int32_t row = 0;     // the row the tick works on (1-based); 0: none
  std::int32_t pass = 0;    // the pass it works on (1-based); 0: no program run
  std::int32_t polled = 0;  // axes the tick polled: 0, 4 (axes 1-4) or 8
  // The status tables after the polling, axes 1-8: an axis not polled keeps
  // its last value, as the tables do.
  std::array<double, kPolledAxes> command{};        // pulses
  std::array<std::int32_t, kPolledAxes> encoder{};  // counts
  std::array<double, kPolledAxes> speed{};          // pulses per second
};

class SampleRing {
 public:
  // Allocates all `capacity` slots at once (capacity 1 or more).
  explicit SampleRing(std::size_t capacity);
  ~SampleRing();
  SampleRing(const SampleRing&) = delete;
  SampleRing& operator=(const SampleRing&) = delete;

  std::size_t Capacity() const { return capacity_; }

  // The writer. Stores `sample` as tick Newest() + 1 (its own tick number is
  // ignored) and returns that number. No lock, no allocation.
  std::uint64_t Push(const TickSample& sample);
  // The writer, or anyone while no writer runs: forgets every sample; the
  // next is tick 1 again.
  void Restart();

  // The newest tick stored; 0 before the first.
  std::uint64_t Newest() const { return newest_.load(std::memory_order_acquire); }

  // A reader's place: the next tick it wants, and how many ticks it lost
  // because the writer had overwritten them.
  struct Cursor {
    std::uint64_t next = 1;
    std::uint64_t lost = 0;
  };
  // Appends to `out` the samples from cursor.next on, oldest first, at most
  // `max` of them, and moves the cursor past them. Ticks overwritten before
  // they could be read are skipped and counted in cursor.lost. A cursor
  // beyond the newest tick (the ring was restarted) starts again at tick 1.
  // Returns the number appended.
  std::size_t Read(Cursor& cursor, std::vector<TickSample>& out,
                   std::size_t max = std::numeric_limits<std::size_t>::max()) const;
  // Appends the samples of ticks first..last still held, oldest first
  // (those overwritten are left out). Returns the number appended.
  std::size_t ReadRange(std::uint64_t first, std::uint64_t last, std::vector<TickSample>& out) const;

 private:
  struct Slot;
  // Copies tick `tick` out of its slot; false when the slot holds another
  // tick, or the writer overwrote it during the copy.
  bool Load(std::uint64_t tick, TickSample& sample) const;

  std::size_t capacity_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::uint64_t> newest_{0};
};

// The program-wide recording the tick writes to.
struct RecordingRecord {
  // Ticks kept: 300 s at 200 ticks a second for all eight axes, and room for
  // a reader that comes late by up to 27 s more.
  static constexpr std::size_t kCapacity = 65536;

  // Records from the next tick on, numbering from 1 again; a second call
  // while recording changes nothing. Makes the ring at the first call (on
  // the caller's thread, never the tick's). Call it before the status timer
  // starts, or while no tick runs.
  void Start();
  // Records nothing from the next tick on; what was recorded stays readable.
  void Stop();
  bool On() const { return on_.load(std::memory_order_acquire); }
  // The ring; null before the first Start.
  const SampleRing* Ring() const { return ring_.load(std::memory_order_acquire); }

  // The tick: one sample of the tables it has just read. Nothing while off.
  void Record();

  // Stops and forgets what was recorded (the ring's memory stays). Not
  // while a tick runs.
  void Reset();

 private:
  std::atomic<bool> on_{false};
  std::atomic<SampleRing*> ring_{nullptr};
  std::unique_ptr<SampleRing> owned_;
};
extern RecordingRecord Recording;
