// The 1 ms timer thread.
#include "app/millisecond_timer.h"

#include <chrono>
#include <system_error>

bool MillisecondTimer::start() {
  stop();
  tickCount.store(0, std::memory_order_relaxed);
  stopRequested.store(false);
  try {
    thread = std::thread([this] { tickUntilStopped(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void MillisecondTimer::stop() {
  stopRequested.store(true);
  if (thread.joinable()) thread.join();
}

void MillisecondTimer::tickUntilStopped() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point startTime = Clock::now();
  Clock::time_point next = startTime;
  while (!stopRequested.load(std::memory_order_relaxed)) {
    next += std::chrono::milliseconds(period);
    std::this_thread::sleep_until(next);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime);
    tickCount.store(static_cast<uint32_t>(elapsed.count()), std::memory_order_relaxed);
    // After a long stall, tick from now on instead of firing a burst of late ticks.
    if (Clock::now() - next > std::chrono::milliseconds(50)) next = Clock::now();
  }
}
