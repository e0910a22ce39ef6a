// The 1 ms timer thread, and the clock read in its place when no thread can start.
#include "app/millisecond_timer.h"

#include <system_error>

bool MillisecondTimer::launchThread(std::thread& thread, std::function<void()> body) {
  try {
    thread = std::thread(std::move(body));
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

// A start while running stops the old thread first, so there is never more than one writer.
bool MillisecondTimer::start() {
  stop();
  tickCount.store(0, std::memory_order_relaxed);
  stopRequested.store(false);
  startTime = Clock::now();
  if (launch(thread, [this] { tickUntilStopped(); })) return true;
  readsClock = true;
  return false;
}

// Without a thread, the count read from the clock is frozen here, as a stopped thread leaves it.
void MillisecondTimer::stop() {
  if (readsClock) {
    tickCount.store(elapsedMs(), std::memory_order_relaxed);
    readsClock = false;
  }
  stopRequested.store(true);
  if (thread.joinable()) thread.join();
}

uint32_t MillisecondTimer::elapsedMs() const {
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime);
  return static_cast<uint32_t>(elapsed.count());
}

// Sleeps to absolute deadlines, so the wake-ups do not drift; and each tick stores the time
// measured, not a count of wake-ups, so a late wake-up costs no milliseconds. The count is the
// only thing the thread shares; relaxed order is enough, as nothing else is published with it.
void MillisecondTimer::tickUntilStopped() {
  Clock::time_point next = startTime;
  while (!stopRequested.load(std::memory_order_relaxed)) {
    next += std::chrono::milliseconds(period);
    std::this_thread::sleep_until(next);
    tickCount.store(elapsedMs(), std::memory_order_relaxed);
    // After a long stall, tick from now on instead of firing a burst of late ticks.
    if (Clock::now() - next > std::chrono::milliseconds(50)) next = Clock::now();
  }
}
