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

bool MillisecondTimer::start() {
  stop();
  tickCount.store(0, std::memory_order_relaxed);
  stopRequested.store(false);
  startTime = Clock::now();
  if (launch(thread, [this] { tickUntilStopped(); })) return true;
  readsClock = true;
  return false;
}

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
