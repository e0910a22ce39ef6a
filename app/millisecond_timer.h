// The show's only clock: a thread that ticks every millisecond and is the one writer of tickCount.
// Each tick sets the counter to the whole milliseconds since start on the monotonic clock, so a
// sleep that overslept never slows the show down. When the thread cannot start, ticks() reads that
// clock itself, so the show still plays.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

class MillisecondTimer {
 public:
  // Starts `body` on `thread`; false when the system refuses a thread.
  using ThreadLauncher = bool (*)(std::thread& thread, std::function<void()> body);
  static bool launchThread(std::thread& thread, std::function<void()> body);

  explicit MillisecondTimer(ThreadLauncher launcher = &launchThread) : launch(launcher) {}
  ~MillisecondTimer() { stop(); }
  MillisecondTimer(const MillisecondTimer&) = delete;
  MillisecondTimer& operator=(const MillisecondTimer&) = delete;

  // Starts counting from 0. False when the thread cannot start: the count then comes from the
  // monotonic clock read at each ticks() instead.
  bool start();
  // Stops the count where it stands.
  void stop();
  bool running() const { return thread.joinable() || readsClock; }
  uint32_t ticks() const {
    return readsClock ? elapsedMs() : tickCount.load(std::memory_order_relaxed);
  }

  std::atomic<uint32_t> tickCount{0};
  uint32_t period = 1;  // ms between ticks

 private:
  using Clock = std::chrono::steady_clock;
  uint32_t elapsedMs() const;
  void tickUntilStopped();

  ThreadLauncher launch;
  Clock::time_point startTime;
  bool readsClock = false;  // no thread: ticks() reads the clock (main thread only)
  std::atomic<bool> stopRequested{false};
  std::thread thread;
};
