// The 1 ms timer, the show's clock: its own thread writes the count that the frame loop reads, so
// these tests also run under ThreadSanitizer (check.sh), with the main thread reading while the
// timer writes, and the timer stopped and started again.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/millisecond_timer.h"

namespace {

TEST(MillisecondTimer, CountsWholeMillisecondsFromZero) {
  MillisecondTimer timer;
  EXPECT_EQ(timer.ticks(), 0u);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(timer.start());
  // A loaded machine (the sanitizer builds run beside other work) may not run the thread at once,
  // so wait for the count rather than for a fixed time; it never runs ahead of the clock.
  uint32_t seen = 0;
  while (seen < 20u && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    seen = timer.ticks();
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  EXPECT_GE(seen, 20u);
  EXPECT_LE(seen, uint32_t(elapsed.count()) + 1u);
  timer.stop();
  const uint32_t stopped = timer.ticks();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(timer.ticks(), stopped);
}

// A system that refuses the timer thread must not freeze demo time at 0 (a black window behind
// the opening fade until Escape): the timer then reads the monotonic clock itself.
TEST(MillisecondTimer, WithoutItsThreadReadsTheClockItself) {
  MillisecondTimer timer([](std::thread&, std::function<void()>) { return false; });
  EXPECT_FALSE(timer.start());
  EXPECT_TRUE(timer.running());
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(timer.ticks(), 30u);
  EXPECT_LT(timer.ticks(), 5000u);
  timer.stop();
  EXPECT_FALSE(timer.running());
  const uint32_t stopped = timer.ticks();
  EXPECT_GE(stopped, 30u);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(timer.ticks(), stopped);
}

// Read as the frame loop reads it, the count never goes back while the thread writes it.
TEST(MillisecondTimer, ReadWhileItTicksTheCountNeverGoesBack) {
  MillisecondTimer timer;
  ASSERT_TRUE(timer.start());
  uint32_t last = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (last < 40u && std::chrono::steady_clock::now() < until) {
    const uint32_t now = timer.ticks();
    ASSERT_GE(now, last);
    last = now;
  }
  EXPECT_GE(last, 40u);
  timer.stop();
}

// A second start counts from zero again, with a fresh thread.
TEST(MillisecondTimer, StartedAgainItCountsFromZero) {
  MillisecondTimer timer;
  ASSERT_TRUE(timer.start());
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  const auto restarted = std::chrono::steady_clock::now();
  ASSERT_TRUE(timer.start());
  const uint32_t first = timer.ticks();
  const auto read = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - restarted);
  EXPECT_LE(first, uint32_t(read.count()) + 1u);  // not the 40 or more the first run counted
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (timer.ticks() < 5u && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(timer.ticks(), 5u);
  timer.stop();
}

}  // namespace
