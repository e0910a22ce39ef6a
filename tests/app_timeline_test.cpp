// The fixed schedule: which scenes run at the window bounds (inclusive, shared bounds run both in
// table order), the resets of the first 500 ms of a window applied before its scene, and whole
// frames on the headless context: the switch to the halftone picture, the target binds and pops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/scene_params.h"
#include "app/timeline.h"
#include "dots/dot_field.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"
#include "support/dot_assets.h"
#include "support/headless_gl.h"

namespace {

// What a scene saw of the dot-field controls when it was called.
struct SceneCall {
  TimelineScene scene;
  int32_t dotMode;
  float dotPhase;
  float dotScale;
  int32_t beatCounter;
};

std::vector<SceneCall> calls;

void recordScene(TimelineScene scene, uint32_t, float) {
  calls.push_back({scene, sceneParams.dotMode, sceneParams.dotPhase, sceneParams.dotScale,
                   sceneParams.beatCounter});
}

std::vector<TimelineScene> scenesAt(uint32_t ms) {
  calls.clear();
  runScheduledScenes(ms, 0.01f, recordScene);
  std::vector<TimelineScene> scenes;
  for (const SceneCall& call : calls) scenes.push_back(call.scene);
  return scenes;
}

void setControls(int32_t mode, float phase, float scale, int32_t beats) {
  sceneParams.dotMode = mode;
  sceneParams.dotPhase = phase;
  sceneParams.dotScale = scale;
  sceneParams.beatCounter = beats;
}

using S = TimelineScene;

TEST(TimelineSchedule, WindowsAreInclusiveAndSharedBoundsRunBothInOrder) {
  EXPECT_EQ(scenesAt(0), (std::vector<S>{S::OrbitDots}));
  EXPECT_EQ(scenesAt(18999), (std::vector<S>{S::OrbitDots}));
  EXPECT_EQ(scenesAt(19000), (std::vector<S>{S::OrbitDots, S::CubeCloud}));
  EXPECT_EQ(scenesAt(19001), (std::vector<S>{S::CubeCloud}));
  EXPECT_EQ(scenesAt(37000), (std::vector<S>{S::CubeCloud, S::DotRing}));
  EXPECT_EQ(scenesAt(37001), (std::vector<S>{S::DotRing}));
  EXPECT_EQ(scenesAt(48000), (std::vector<S>{S::DotRing, S::OrbitDotsLarge}));
  EXPECT_EQ(scenesAt(68000), (std::vector<S>{S::OrbitDotsLarge}));
  EXPECT_TRUE(scenesAt(68001).empty());
  EXPECT_TRUE(scenesAt(75999).empty());
  EXPECT_TRUE(scenesAt(0xFFFFFFFFu).empty());
}

TEST(TimelineSchedule, CubeCloudEntryResetsBeforeTheCubesDrawForItsFirst500Ms) {
  setControls(0, 0.3f, 1.4f, 5);
  scenesAt(19000);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].dotMode, 0);  // the orbiting dots still see the old values
  EXPECT_EQ(calls[0].beatCounter, 5);
  EXPECT_EQ(calls[1].dotMode, 1);
  EXPECT_EQ(calls[1].dotPhase, 2.0f);
  EXPECT_EQ(calls[1].beatCounter, 0);
  EXPECT_EQ(calls[1].dotScale, 1.4f);  // not part of this reset

  setControls(2, 0.5f, 1.0f, 3);
  scenesAt(19500);  // every frame of the first 500 ms, not once
  EXPECT_EQ(calls[0].dotMode, 1);
  EXPECT_EQ(calls[0].dotPhase, 2.0f);

  setControls(2, 0.5f, 1.0f, 3);
  scenesAt(19501);
  EXPECT_EQ(calls[0].dotMode, 2);
  EXPECT_EQ(calls[0].dotPhase, 0.5f);
  EXPECT_EQ(calls[0].beatCounter, 3);
}

TEST(TimelineSchedule, DotRingEntryResetsAfterTheCubesOfTheSharedBound) {
  setControls(2, 0.5f, 1.6f, 4);
  scenesAt(37000);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].scene, S::CubeCloud);
  EXPECT_EQ(calls[0].dotMode, 2);  // the cube cloud's own reset ended at 19500
  EXPECT_EQ(calls[1].dotMode, 0);
  EXPECT_EQ(calls[1].dotPhase, 1.0f);
  EXPECT_EQ(calls[1].dotScale, 1.0f);
  EXPECT_EQ(calls[1].beatCounter, 0);

  setControls(1, 0.5f, 1.6f, 4);
  scenesAt(37500);
  EXPECT_EQ(calls[0].dotMode, 0);
  setControls(1, 0.5f, 1.6f, 4);
  scenesAt(37501);
  EXPECT_EQ(calls[0].dotMode, 1);
  EXPECT_EQ(calls[0].dotScale, 1.6f);
}

TEST(TimelineSchedule, LaterWindowsHaveNoResets) {
  setControls(2, 0.7f, 1.3f, 6);
  scenesAt(48000);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].scene, S::OrbitDotsLarge);
  EXPECT_EQ(calls[1].dotMode, 2);
  EXPECT_EQ(calls[1].beatCounter, 6);
  scenesAt(68000);
  EXPECT_EQ(calls[0].dotMode, 2);
  EXPECT_EQ(calls[0].dotPhase, 0.7f);
}

// --- Whole frames --------------------------------------------------------------------------------

class TimelineFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    context = &dotFieldContext();
    trace.clear();
    dotDrawTrace = &trace;
  }
  void TearDown() override { dotDrawTrace = nullptr; }

  std::vector<uint8_t> frame(uint32_t ms) {
    context->ms = ms;
    context->frameDelta = 0.033f;
    renderTimeline(*context);
    return readRGBA(0, 0, 1280, 720);
  }

  DemoContext* context = nullptr;
  std::vector<DotDrawRecord> trace;
};

std::vector<uint8_t> opaque(std::vector<uint8_t> rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  return rgba;
}

bool allGrey(const std::vector<uint8_t>& rgba) {
  for (size_t i = 0; i < rgba.size(); i += 4) {
    if (std::abs(rgba[i] - rgba[i + 1]) > 3 || std::abs(rgba[i + 1] - rgba[i + 2]) > 3) {
      return false;
    }
  }
  return true;
}

int darkPixels(const std::vector<uint8_t>& rgba) {
  int dark = 0;
  for (size_t i = 0; i < rgba.size(); i += 4) dark += rgba[i] + rgba[i + 1] + rgba[i + 2] < 600;
  return dark;
}

TEST_F(TimelineFrame, FrameLeavesTheWindowBoundWithBalancedAttributeStack) {
  GLint before[4];
  glGetIntegerv(GL_VIEWPORT, before);
  setControls(0, 0.0f, 1.0f, 0);
  while (glGetError() != GL_NO_ERROR) {
  }
  const std::vector<uint8_t> window = frame(70000);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  GLint value = -1;
  glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
  EXPECT_EQ(value, 0);
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
  EXPECT_EQ(value, 0);
  GLint after[4];
  glGetIntegerv(GL_VIEWPORT, after);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(after[i], before[i]);
  // Past the last scene with blank lettering and overlay the window is the white clear.
  EXPECT_EQ(darkPixels(window), 0);
  EXPECT_TRUE(trace.empty());

  setControls(1, 0.0f, 1.0f, 0);
  frame(70000);
  EXPECT_EQ(trace.size(), 1u);  // the dot field ran into the second target
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &value);
  EXPECT_EQ(value, 0);
}

TEST_F(TimelineFrame, DotModeSwitchesTheWindowToTheHalftone) {
  // The orbiting dots are coloured; in mode 1 the halftone of them is grey dots.
  setControls(0, 0.0f, 1.0f, 0);
  sceneParams.orbitGather = 0.0f;
  const std::vector<uint8_t> plain = frame(10000);
  ASSERT_EQ(sceneParams.dotMode, 0) << "the scene switched the mode without a beat";
  EXPECT_FALSE(allGrey(plain));
  setControls(1, 0.0f, 1.0f, 0);
  const std::vector<uint8_t> dots = frame(10000);
  ASSERT_EQ(sceneParams.dotMode, 1);
  keepTestPicture("timeline_10000_plain.png", opaque(plain), 1280, 720);
  keepTestPicture("timeline_10000_dots.png", opaque(dots), 1280, 720);
  EXPECT_TRUE(allGrey(dots));
  EXPECT_GT(darkPixels(dots), 0);
  EXPECT_FALSE(trace.empty());
}

TEST_F(TimelineFrame, CubeCloudEntrySwitchesTheSameFrameToDots) {
  setControls(0, 0.0f, 1.0f, 7);
  frame(19000);
  EXPECT_EQ(sceneParams.dotMode, 1);
  EXPECT_EQ(sceneParams.beatCounter, 0);
  EXPECT_FALSE(trace.empty());  // tested again after the scenes: the halftone ran this frame
}

TEST_F(TimelineFrame, DotRingClearsTheGatherAfterItDraws) {
  sceneParams.orbitGather = 0.6f;
  frame(40000);
  EXPECT_EQ(sceneParams.orbitGather, 0.0f);
}

}  // namespace
