// The show's only clock: a thread that ticks every millisecond and is the one writer of tickCount.
// Each tick sets the counter to the whole milliseconds since start on the monotonic clock, so a
// sleep that overslept never slows the show down.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class MillisecondTimer {
 public:
  MillisecondTimer() = default;
  ~MillisecondTimer() { stop(); }
  MillisecondTimer(const MillisecondTimer&) = delete;
  MillisecondTimer& operator=(const MillisecondTimer&) = delete;

  // Starts ticking from 0; false when the thread cannot start (demo time then stays at 0).
  bool start();
  void stop();
  bool running() const { return thread.joinable(); }
  uint32_t ticks() const { return tickCount.load(std::memory_order_relaxed); }

  std::atomic<uint32_t> tickCount{0};
  uint32_t period = 1;  // ms between ticks

 private:
  void tickUntilStopped();
  std::atomic<bool> stopRequested{false};
  std::thread thread;
};
