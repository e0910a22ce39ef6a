// The header-only helpers under everything: the show's random generator and the two ramps.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/easing.h"
#include "base/random.h"

namespace {

// Seed 1 gives the well-known first draws of this linear congruential generator, and its draws
// spread over the whole of 0..32767.
TEST(LcgRandom, GivesTheKnownSequenceOverItsWholeRange) {
  LcgRandom random;
  random.seed(1);
  EXPECT_EQ(random.next(), 41);
  EXPECT_EQ(random.next(), 18467);
  EXPECT_EQ(random.next(), 6334);
  random.seed(564132);
  int lowest = 32767, highest = 0;
  double sum = 0;
  constexpr int kDraws = 20000;
  for (int i = 0; i < kDraws; ++i) {
    const int32_t draw = random.next();
    lowest = std::min(lowest, draw);
    highest = std::max(highest, draw);
    sum += draw;
  }
  EXPECT_LT(lowest, 50);
  EXPECT_GT(highest, 32717);
  EXPECT_NEAR(sum / kDraws, 16383.5, 300);
}

TEST(Easing, StepTowardStopsAtItsLimitAndEaseIsASmoothstep) {
  EXPECT_FLOAT_EQ(stepToward(0.5f, 0.25f, 1.0f), 0.75f);
  EXPECT_FLOAT_EQ(stepToward(0.9f, 0.1f, 1.0f), 1.0f);
  EXPECT_FLOAT_EQ(stepToward(0.1f, -0.2f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(stepToward(0.5f, 0.0f, 0.5f), 0.5f);
  EXPECT_FLOAT_EQ(ease(-1.0f), 0.0f);
  EXPECT_FLOAT_EQ(ease(0.25f), 0.15625f);
  EXPECT_FLOAT_EQ(ease(0.5f), 0.5f);
  EXPECT_FLOAT_EQ(ease(2.0f), 1.0f);
}

}  // namespace
