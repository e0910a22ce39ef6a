// The frame loop's clock and end conditions on a scripted clock and event source, and the fade cues
// read back from a real headless framebuffer.
#include <gtest/gtest.h>

#include <vector>

#include "app/fades.h"
#include "app/frame_loop.h"
#include "app/scene_params.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"
#include "support/headless_gl.h"

namespace {

// A clock the test sets, events the test queues, and a white picture as the frame.
class ScriptedPlatform : public FramePlatform {
 public:
  uint32_t time = 0;
  int pressKeyOnFrame = -1;
  int quitOnFrame = -1;
  int stopFromFrame = -1;
  int frame = 0;
  std::vector<uint32_t> rendered;
  std::vector<uint32_t> presented;

  uint32_t ticks() override { return time; }
  void pumpEvents(uint8_t keyDown[256], FrameEvents& events) override {
    if (frame == pressKeyOnFrame) keyDown[kKeyEscape] = 1;
    if (frame == quitOnFrame) events.quit = true;
  }
  void render(DemoContext& context) override {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    rendered.push_back(context.ms);
  }
  void present() override {
    presented.push_back(time);
    ++frame;
  }
  bool stopRequested() override { return stopFromFrame >= 0 && frame >= stopFromFrame; }
};

struct LoopTest : ::testing::Test {
  void SetUp() override {
    headlessGL();
    sceneParams = SceneParams{};
  }
  DemoContext context;
  ScriptedPlatform platform;
  FrameLoop loop;
};

// Grey level at the centre of framebuffer 0 after a white clear and the fade pass at frameMs.
int greyAfterFade(uint32_t frameMs) {
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  drawFadePass(frameMs);
  glFinish();
  return readRGBA(160, 90, 1, 1)[0];
}

}  // namespace

TEST_F(LoopTest, TwoFramesInOneMillisecondAreOneMillisecondApart) {
  platform.time = 40;
  EXPECT_EQ(loop.runFrame(context, platform), LoopEnd::Running);
  EXPECT_FLOAT_EQ(context.frameDelta, 0.08f);
  EXPECT_EQ(loop.runFrame(context, platform), LoopEnd::Running);
  EXPECT_EQ(context.ms, 40u);
  EXPECT_FLOAT_EQ(context.frameDelta, 0.002f);
}

TEST_F(LoopTest, TheLastPresentedFrameIsBeforeTheEnd) {
  platform.time = 75999;
  EXPECT_EQ(loop.runFrame(context, platform), LoopEnd::Running);
  platform.time = 76000;
  EXPECT_EQ(loop.runFrame(context, platform), LoopEnd::TimeUp);
  EXPECT_EQ(platform.rendered, (std::vector<uint32_t>{75999, 76000}));
  EXPECT_EQ(platform.presented, (std::vector<uint32_t>{75999}));
}

TEST_F(LoopTest, EscapeEndsTheLoopWithoutPresentingItsFrame) {
  platform.pressKeyOnFrame = 2;
  for (uint32_t t = 10;; t += 10) {
    platform.time = t;
    if (loop.runFrame(context, platform) != LoopEnd::Running) break;
  }
  EXPECT_EQ(platform.rendered.size(), 3u);
  EXPECT_EQ(platform.presented.size(), 2u);
  EXPECT_EQ(context.keyDown[kKeyEscape], 1);
}

TEST_F(LoopTest, ClosingTheWindowStillPresentsThatFrame) {
  platform.quitOnFrame = 1;
  platform.time = 5;
  EXPECT_EQ(loop.run(context, platform), LoopEnd::Quit);
  EXPECT_EQ(platform.rendered.size(), 2u);
  EXPECT_EQ(platform.presented.size(), 2u);
}

TEST_F(LoopTest, AStopRequestEndsTheLoopBeforeTheNextFrameIsDrawn) {
  platform.stopFromFrame = 2;
  platform.time = 5;
  EXPECT_EQ(loop.run(context, platform), LoopEnd::Stopped);
  EXPECT_EQ(platform.rendered.size(), 2u);
  EXPECT_EQ(platform.presented.size(), 2u);
}

TEST_F(LoopTest, AClockThatNeverStartsKeepsTheFirstMillisecond) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(loop.runFrame(context, platform), LoopEnd::Running);
  EXPECT_EQ(context.ms, 0u);
  EXPECT_FLOAT_EQ(context.frameDelta, 0.002f);
}

TEST_F(LoopTest, TheOpeningFadeGoesFromBlackToClear) {
  EXPECT_EQ(greyAfterFade(0), 0);
  EXPECT_NEAR(greyAfterFade(500), 128, 2);
  EXPECT_EQ(greyAfterFade(1000), 255);
  EXPECT_EQ(sceneParams.fadeDone[0], 0);
  EXPECT_EQ(greyAfterFade(1001), 255);
  EXPECT_EQ(sceneParams.fadeDone[0], 1);
}

TEST_F(LoopTest, TheClosingFadeGoesToBlackAndMarksItselfDoneOnce) {
  sceneParams.fadeDone[0] = 1;
  EXPECT_EQ(greyAfterFade(74999), 255);
  EXPECT_NEAR(greyAfterFade(75500), 128, 2);
  EXPECT_EQ(sceneParams.fadeDone[1], 0);
  // A frame that jumps past the cue draws its final state, black, and is done.
  sceneParams.fadeDone[0] = 1;
  EXPECT_EQ(greyAfterFade(76500), 0);
  EXPECT_EQ(sceneParams.fadeDone[1], 1);
}
