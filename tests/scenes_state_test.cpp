// How the scenes answer the beats: which flags switch the halftone in which window, which flags
// they clear or keep for later readers, and what reduced flashing leaves of it at any frame rate.
// Runs the scenes on the headless context with no textures; the pictures themselves are checked
// by the whole-show test (app_show_checks_test.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "app/scene_params.h"
#include "audio/spectrum.h"
#include "scenes/scenes.h"
#include "support/headless_gl.h"

namespace {

class SceneState : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessGL();
    sceneParams = SceneParams{};
    sceneParams.random.seed(564132);
    sceneParams.tripleDotColors = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    sceneParams.cubePositions = {{0, 0, 0, 1}};
    sceneParams.cubeScales = {10.0f};
    for (int& step : sceneParams.cubeLastStep) step = 4;
    for (int i = 0; i < 15; ++i) {
      sceneParams.ringDotColors.push_back({0.5f, 0.25f, 0.0f, 1.0f});
      sceneParams.ringDotRadii.push_back(1.0f);
      sceneParams.ringDotSpeeds.push_back(1.0f);
      sceneParams.ringDotSizes.push_back(0.25f);
    }
    clearBeats();
  }
  void TearDown() override { clearBeats(); }

  static void clearBeats() {
    for (int32_t& flag : spectrumAnalyzer.beat) flag = 0;
  }
  static void setBeat(int band) { spectrumAnalyzer.beat[band] = 1; }
  // What a dotScale pick must lie in: 1 plus up to three quarters.
  static void expectDotScalePick() {
    EXPECT_GE(sceneParams.dotScale, 1.0f);
    EXPECT_LT(sceneParams.dotScale, 1.75f);
  }
};

// --- orbiting dots ---------------------------------------------------------------------------

TEST_F(SceneState, OrbitTogglesOnBeatsInBandsZeroAndOneFrom10To19Seconds) {
  setBeat(2);
  setBeat(3);
  renderOrbitDots(12000, 0.1f, 1.0f);
  EXPECT_EQ(sceneParams.dotMode, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[2], 1);  // bands 2 and 3 are neither used nor cleared
  EXPECT_EQ(spectrumAnalyzer.beat[3], 1);

  setBeat(0);
  renderOrbitDots(10000, 0.1f, 1.0f);
  EXPECT_EQ(sceneParams.dotMode, 1);
  EXPECT_EQ(spectrumAnalyzer.beat[0], 0);

  setBeat(1);
  renderOrbitDots(19000, 0.1f, 1.0f);
  EXPECT_EQ(sceneParams.dotMode, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[1], 0);

  sceneParams.dotMode = 2;  // anything but 0 toggles off
  setBeat(0);
  setBeat(1);
  renderOrbitDots(15000, 0.1f, 1.0f);
  EXPECT_EQ(sceneParams.dotMode, 0);

  setBeat(0);
  renderOrbitDots(9999, 0.1f, 1.0f);
  EXPECT_EQ(sceneParams.dotMode, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[0], 1);  // outside the window the flag is not read
}

TEST_F(SceneState, OrbitSecondWindowAdvancesModeEveryOtherBeatFrameAndKeepsFlags) {
  const int expected[] = {0, 1, 1, 2, 2, 1, 1, 2};
  for (int frame = 0; frame < 8; ++frame) {
    setBeat(frame % 4);  // any band counts here
    renderOrbitDots(48000 + frame * 16, 0.1f, 1.5f);
    EXPECT_EQ(sceneParams.dotMode, expected[frame]) << "beat frame " << frame + 1;
    EXPECT_EQ(spectrumAnalyzer.beat[frame % 4], 1);
    clearBeats();
  }
  renderOrbitDots(60000, 0.1f, 1.5f);  // no beat: nothing counted
  EXPECT_EQ(sceneParams.beatCounter, 0);
  EXPECT_EQ(sceneParams.dotMode, 2);
}

// --- cube cloud ------------------------------------------------------------------------------

TEST_F(SceneState, CubeEveryThirdBeatFrameChangesModeAndDotScale) {
  const int expected[] = {0, 0, 1, 1, 1, 2, 2, 2, 1};
  for (int frame = 0; frame < 9; ++frame) {
    setBeat(frame % 2);
    const uint32_t randomBefore = sceneParams.random.state;
    renderCubeCloud(24000 + frame, 0.01f);
    EXPECT_EQ(sceneParams.dotMode, expected[frame]) << "beat frame " << frame + 1;
    EXPECT_EQ(sceneParams.cubeKick, 2.0f);
    EXPECT_EQ(spectrumAnalyzer.beat[0], 0);
    EXPECT_EQ(spectrumAnalyzer.beat[1], 0);
    if (frame % 3 == 2) {
      EXPECT_EQ(sceneParams.beatCounter, 0);
      EXPECT_NE(sceneParams.random.state, randomBefore);
      expectDotScalePick();
    } else {
      EXPECT_EQ(sceneParams.beatCounter, frame % 3 + 1);
    }
  }
  setBeat(2);  // bands 2 and 3 do not count here
  renderCubeCloud(30000, 0.01f);
  EXPECT_EQ(sceneParams.beatCounter, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[2], 1);

  clearBeats();
  setBeat(0);
  renderCubeCloud(23999, 0.01f);  // before the beat window: flag kept, nothing counted
  EXPECT_EQ(sceneParams.beatCounter, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[0], 1);
}

// --- dot ring --------------------------------------------------------------------------------

TEST_F(SceneState, RingBeatsFrom38SecondsStepModeZeroOneTwoZero) {
  setBeat(0);
  renderDotRing(37999, 0.01f);
  EXPECT_EQ(sceneParams.beatCounter, 0);
  EXPECT_EQ(spectrumAnalyzer.beat[0], 1);
  clearBeats();

  const int expected[] = {0, 1, 1, 2, 2, 0};
  for (int frame = 0; frame < 6; ++frame) {
    setBeat(frame % 2);
    const float gatherBefore = sceneParams.ringGather;
    LcgRandom reference = sceneParams.random;
    renderDotRing(38000 + frame, 0.01f);
    EXPECT_EQ(sceneParams.dotMode, expected[frame]) << "beat frame " << frame + 1;
    EXPECT_EQ(spectrumAnalyzer.beat[frame % 2], 0);
    if (frame % 2 == 1) {
      reference.next();
      reference.next();
      EXPECT_EQ(sceneParams.random.state, reference.state);  // two draws per change
      expectDotScalePick();
      EXPECT_LE(sceneParams.ringGather, gatherBefore + 0.0021f);  // shaken back by up to 0.01
      EXPECT_GT(sceneParams.ringGather, gatherBefore + 0.0019f - 0.01f);
    } else {
      EXPECT_EQ(sceneParams.random.state, reference.state);
    }
  }
  EXPECT_NEAR(sceneParams.dotPhase, 1.0 + std::sin(sceneParams.ringPhase), 1e-6);
}

// --- reduced flashing ------------------------------------------------------------------------

// Dot-pass toggles of the orbit's first window over one second with a low beat flagged in every
// frame, frames `stepMs` apart.
int togglesInASecond(uint32_t stepMs) {
  int toggles = 0;
  for (uint32_t ms = 12000; ms < 13000; ms += stepMs) {
    const int32_t before = sceneParams.dotMode;
    spectrumAnalyzer.beat[0] = 1;
    renderOrbitDots(ms, static_cast<float>(stepMs) / 500.0f, 1.0f);
    toggles += sceneParams.dotMode != before;
  }
  return toggles;
}

TEST_F(SceneState, ReducedFlashingLetsABeatThroughEvery400msAtAnyFrameRate) {
  EXPECT_EQ(togglesInASecond(16), 63);  // the show as written: once per flagged frame
  for (uint32_t stepMs : {7u, 16u, 33u}) {
    sceneParams.reduceFlashing = true;
    sceneParams.nextCalmBeatMs = 0;
    EXPECT_EQ(togglesInASecond(stepMs), 3) << stepMs << " ms frames";
  }
}

TEST_F(SceneState, ReducedFlashingSlowsTheLayerSwingsTheJumpsTheCubesAndTheRing) {
  sceneParams.reduceFlashing = true;
  sceneParams.dotPhase = 0.0f;
  sceneParams.cubeWobble = 0.0f;  // the wobble asks for phase 2
  sceneParams.cubeSpawnTimer = 1.0f;
  renderCubeCloud(24000, 0.1f);  // 50 ms
  EXPECT_FLOAT_EQ(sceneParams.dotPhase, 0.1f);
  EXPECT_FLOAT_EQ(sceneParams.cubeAngle, 0.07f);   // turning at 0.35 of its speed
  EXPECT_EQ(sceneParams.cubeScales.back(), 1.0f);  // a new cube does not fly in
  for (int frame = 0; frame < 3; ++frame) {
    setBeat(0);
    renderCubeCloud(25000 + 400 * frame, 0.01f);
  }
  EXPECT_EQ(sceneParams.dotMode, 1);
  EXPECT_GE(sceneParams.dotScale, 1.0f);
  EXPECT_LT(sceneParams.dotScale, 1.25f);  // a third of the jump

  renderDotRing(40000, 0.5f);
  EXPECT_FLOAT_EQ(sceneParams.ringPhase, 0.2f);
}

}  // namespace
