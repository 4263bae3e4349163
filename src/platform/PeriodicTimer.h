#pragma once
// The periodic timer behind the 5 ms status tick: capabilities, a periodic or
// one-shot callback on a thread of its own, kill, end period.

#include <cstdint>
#include <optional>

namespace platform {

struct TimerCaps {
  std::uint32_t periodMin;  // ms
  std::uint32_t periodMax;  // ms
};

inline constexpr std::uint32_t kTimerNoError = 0;
inline constexpr std::uint32_t kTimerCannotDo = 97;
inline constexpr std::uint32_t kTimerOneShot = 0;
inline constexpr std::uint32_t kTimerPeriodic = 1;

// Fills `caps` when `size` is sizeof(TimerCaps) (8) and returns kTimerNoError;
// otherwise kTimerCannotDo. The real capabilities are 1 ms to 1000000 ms.
std::uint32_t GetTimerCaps(TimerCaps* caps, std::uint32_t size);

using TimerCallback = void (*)(std::uint32_t id, std::uint32_t msg, std::uintptr_t user, std::uintptr_t dw1,
                               std::uintptr_t dw2);

// Starts calling `callback` every `delayMs` (kTimerPeriodic) or once after it
// (kTimerOneShot) on one thread of its own. Deadlines are absolute: a late
// callback is followed by the next due deadline, never by a burst of
// catch-up calls, and callbacks of one event never overlap. Returns the
// event's identifier (never 0), or 0 when it cannot start.
std::uint32_t SetTimerEvent(std::uint32_t delayMs, std::uint32_t resolutionMs, TimerCallback callback,
                            std::uintptr_t user, std::uint32_t flags);

// Stops the event and waits for a running callback to return. From inside the
// event's own callback it stops the event without waiting. kTimerNoError, or
// kTimerCannotDo for an unknown identifier.
std::uint32_t KillTimerEvent(std::uint32_t id);

// Nothing to undo on this system; kept for the callers' pairing.
std::uint32_t EndTimerPeriod(std::uint32_t resolutionMs);

// The real-time priority a timer's thread asks for: SCHED_FIFO at this
// priority, so that a loaded machine wakes the tick on time. Where the
// system refuses (a user without the right), the thread silently stays
// SCHED_OTHER and the timer runs as before. 0 asks for nothing. Applies to
// timers started afterwards; benchmarks compare both policies with it.
inline constexpr int kTimerRealtimePriority = 20;
void SetTimerRealtimePriority(int priority);
int TimerRealtimePriority();

// Inside a timer's callback: the absolute deadline (CLOCK_MONOTONIC, ns)
// this call was due at, so that its wake-up latency can be measured; 0 on
// any other thread.
std::int64_t CurrentTimerDeadlineNs();

// For a thread started from a timer's thread that has no timing to keep
// (it inherits the real-time policy): back to SCHED_OTHER.
void UseOrdinaryScheduling();

// Tests substitute what GetTimerCaps reports (nullopt: the real values) or
// make the query fail.
void SetTimerCapsForTesting(std::optional<TimerCaps> caps, bool queryFails = false);

}  // namespace platform
