#include "platform/PeriodicTimer.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct TimerEvent {
  std::uint32_t id = 0;
  std::uint32_t delayMs = 0;
  bool periodic = false;
  TimerCallback callback = nullptr;
  std::uintptr_t user = 0;
  std::atomic<bool> stop{false};
  std::thread thread;
};

struct TimerRegistry {
  std::mutex mutex;
  std::map<std::uint32_t, std::shared_ptr<TimerEvent>> events;
  std::uint32_t nextId = 1;
  std::optional<TimerCaps> capsOverride;
  bool queryFails = false;
};

TimerRegistry& Registry() {
  // Never destroyed: a timer still running while the program exits may
  // call KillTimerEvent after static destructors have begun.
  static TimerRegistry* const registry = new TimerRegistry;
  return *registry;
}

constexpr long kNanosPerSecond = 1'000'000'000L;

std::atomic<int> realtimePriority{kTimerRealtimePriority};
thread_local std::int64_t currentDeadlineNs = 0;

std::int64_t Nanos(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * kNanosPerSecond + static_cast<std::int64_t>(t.tv_nsec);
}

// Asks for SCHED_FIFO; a refusal leaves the thread as it was. Either way
// the wake-ups are not deferred to be merged with other timers' (an
// ordinary thread's default slack is 50 us; a real-time thread has none).
void PrepareTimerThread(int priority) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  if (priority <= 0) return;
  sched_param param{};
  param.sched_priority = priority;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}

void AddNanos(timespec& t, long long nanos) {
  const long long total = static_cast<long long>(t.tv_nsec) + nanos;
  t.tv_sec += static_cast<time_t>(total / kNanosPerSecond);
  t.tv_nsec = static_cast<long>(total % kNanosPerSecond);
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

void RunEvent(const std::shared_ptr<TimerEvent>& event, int priority) {
  PrepareTimerThread(priority);
  const long long period = static_cast<long long>(event->delayMs) * 1'000'000LL;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  AddNanos(next, period);
  while (!event->stop.load(std::memory_order_acquire)) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) != 0) {
    }
    if (event->stop.load(std::memory_order_acquire)) break;
    currentDeadlineNs = Nanos(next);
    event->callback(event->id, 0, event->user, 0, 0);
    if (!event->periodic) break;
    // Skip the deadlines a late callback missed, keeping the phase.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    AddNanos(next, period);
    while (!Before(now, next)) AddNanos(next, period);
  }
}

}  // namespace

std::uint32_t GetTimerCaps(TimerCaps* caps, std::uint32_t size) {
  if (caps == nullptr || size != sizeof(TimerCaps)) return kTimerCannotDo;
  TimerRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  if (r.queryFails) return kTimerCannotDo;
  *caps = r.capsOverride.value_or(TimerCaps{1, 1'000'000});
  return kTimerNoError;
}

std::uint32_t SetTimerEvent(std::uint32_t delayMs, std::uint32_t /*resolutionMs*/, TimerCallback callback,
                            std::uintptr_t user, std::uint32_t flags) {
  if (callback == nullptr || delayMs == 0) return 0;
  auto event = std::make_shared<TimerEvent>();
  event->delayMs = delayMs;
  event->periodic = (flags & kTimerPeriodic) != 0;
  event->callback = callback;
  event->user = user;
  TimerRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  event->id = r.nextId++;
  if (r.nextId == 0) r.nextId = 1;
  try {
    const int priority = realtimePriority.load();
    event->thread = std::thread([event, priority] { RunEvent(event, priority); });
  } catch (...) {
    return 0;
  }
  r.events.emplace(event->id, event);
  return event->id;
}

std::uint32_t KillTimerEvent(std::uint32_t id) {
  std::shared_ptr<TimerEvent> event;
  {
    TimerRegistry& r = Registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.events.find(id);
    if (it == r.events.end()) return kTimerCannotDo;
    event = it->second;
    r.events.erase(it);
  }
  event->stop.store(true, std::memory_order_release);
  if (event->thread.get_id() == std::this_thread::get_id()) {
    event->thread.detach();  // killed from its own callback: it ends on return
  } else if (event->thread.joinable()) {
    event->thread.join();
  }
  return kTimerNoError;
}

std::uint32_t EndTimerPeriod(std::uint32_t /*resolutionMs*/) { return kTimerNoError; }

void SetTimerRealtimePriority(int priority) { realtimePriority.store(priority); }

int TimerRealtimePriority() { return realtimePriority.load(); }

std::int64_t CurrentTimerDeadlineNs() { return currentDeadlineNs; }

void UseOrdinaryScheduling() {
  sched_param param{};
  param.sched_priority = 0;
  pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
}

void SetTimerCapsForTesting(std::optional<TimerCaps> caps, bool queryFails) {
  TimerRegistry& r = Registry();
  std::lock_guard lock(r.mutex);
  r.capsOverride = caps;
  r.queryFails = queryFails;
}

}  // namespace platform
