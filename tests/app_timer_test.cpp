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
  ASSERT_TRUE(timer.start());
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const uint32_t seen = timer.ticks();
  EXPECT_GE(seen, 20u);
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
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  while (std::chrono::steady_clock::now() < until) {
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
  ASSERT_TRUE(timer.start());
  EXPECT_LT(timer.ticks(), 30u);
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GE(timer.ticks(), 5u);
  timer.stop();
}

}  // namespace
