// The state the scenes leave behind: windows and their inclusive bounds, gathers and fades stepped
// by the frame delta, beat reactions with the flags they clear or keep, and the draws they take
// from the shared random sequence. Runs every scene on the headless context with no textures.
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

TEST_F(SceneState, OrbitSecondWindowDotPhaseFollowsThePhaseBeforeItAdvances) {
  sceneParams.orbitPhase = 0.5f;
  renderOrbitDots(50000, 0.25f, 1.5f);
  EXPECT_NEAR(sceneParams.dotPhase, 1.0 + std::sin(0.5), 1e-6);
  EXPECT_EQ(sceneParams.orbitPhase, 0.75f);

  sceneParams.dotPhase = 7.0f;
  renderOrbitDots(30000, 0.25f, 1.0f);  // in neither window
  EXPECT_EQ(sceneParams.dotPhase, 7.0f);
  EXPECT_EQ(sceneParams.orbitPhase, 1.0f);
}

TEST_F(SceneState, OrbitGatherReaches095After475UnitsOfFrameDeltaAndHolds) {
  for (int frame = 0; frame < 18; ++frame) renderOrbitDots(1000, 0.25f, 1.0f);
  EXPECT_LT(sceneParams.orbitGather, 0.95f - 0.01f);
  renderOrbitDots(1000, 0.25f, 1.0f);  // 19 x 0.25 = 4.75
  EXPECT_NEAR(sceneParams.orbitGather, 0.95f, 1e-6f);
  renderOrbitDots(4000, 0.25f, 1.0f);
  EXPECT_EQ(sceneParams.orbitGather, 0.95f);
  renderOrbitDots(5000, 0.25f, 1.0f);  // between the windows: held
  EXPECT_EQ(sceneParams.orbitGather, 0.95f);
}

TEST_F(SceneState, OrbitPartsTo08ThenLeavesAndRegathersIn48To52Seconds) {
  sceneParams.orbitGather = 0.95f;
  for (int frame = 0; frame < 10; ++frame) renderOrbitDots(8000, 0.25f, 1.0f);
  EXPECT_EQ(sceneParams.orbitGather, 0.8f);
  renderOrbitDots(16000, 2.5f, 1.0f);
  EXPECT_FLOAT_EQ(sceneParams.orbitGather, 0.3f);
  renderOrbitDots(19000, 2.5f, 1.0f);
  EXPECT_EQ(sceneParams.orbitGather, 0.0f);

  renderOrbitDots(52000, 2.5f, 1.5f);
  EXPECT_FLOAT_EQ(sceneParams.orbitGather, 0.5f);
  renderOrbitDots(60000, 2.5f, 1.5f);
  EXPECT_FLOAT_EQ(sceneParams.orbitGather, 0.5f);
  renderOrbitDots(66000, 0.5f, 1.5f);
  EXPECT_FLOAT_EQ(sceneParams.orbitGather, 0.4f);
}

// --- cube cloud ------------------------------------------------------------------------------

TEST_F(SceneState, CubeNoSpawnAt343CubesWithTheTimerHeldAtOne) {
  sceneParams.cubePositions.assign(343, {0.12f, 0, 0, 1});
  sceneParams.cubeScales.assign(343, 1.0f);
  sceneParams.cubeSpawnTimer = 1.0f;
  const uint32_t randomBefore = sceneParams.random.state;
  renderCubeCloud(20000, 0.1f);
  EXPECT_EQ(sceneParams.cubePositions.size(), 343u);
  EXPECT_EQ(sceneParams.cubeScales.size(), 343u);
  EXPECT_EQ(sceneParams.cubeSpawnTimer, 1.0f);
  EXPECT_EQ(sceneParams.random.state, randomBefore);
}

TEST_F(SceneState, CubeFirstSpawnStepsFromTheOriginByLatticeNumbersLessFour) {
  renderCubeCloud(19000, 0.2f);  // timer 0.8: not yet
  ASSERT_EQ(sceneParams.cubePositions.size(), 1u);
  EXPECT_FLOAT_EQ(sceneParams.cubeSpawnTimer, 0.8f);

  renderCubeCloud(19100, 0.2f);
  ASSERT_EQ(sceneParams.cubePositions.size(), 2u);
  const Vec4& cube = sceneParams.cubePositions[1];
  const float coordinates[3] = {cube.x, cube.y, cube.z};
  for (int axis = 0; axis < 3; ++axis) {
    // One lattice number 0..5 per axis, taken relative to the last step (4 at the start).
    const int32_t step = sceneParams.cubeLastStep[axis];
    EXPECT_GE(step, 0);
    EXPECT_LE(step, 5);
    EXPECT_FLOAT_EQ(coordinates[axis], (step - 4) * 0.12f) << "axis " << axis;
  }
  EXPECT_EQ(cube.w, 1.0f);
  EXPECT_EQ(sceneParams.cubeSpawnTimer, 0.0f);
  EXPECT_FLOAT_EQ(sceneParams.cubeScales[1], 9.0f);  // spawned at 10, shrunk in the same frame
}

TEST_F(SceneState, CubeScalesShrinkUpTo36000AndGrowFrom36001) {
  sceneParams.cubeScales = {5.0f};
  renderCubeCloud(36000, 0.1f);
  EXPECT_FLOAT_EQ(sceneParams.cubeScales[0], 4.5f);
  renderCubeCloud(36001, 0.1f);
  EXPECT_FLOAT_EQ(sceneParams.cubeScales[0], 5.2f);

  sceneParams.cubeScales[0] = 99.5f;
  renderCubeCloud(37000, 0.1f);
  EXPECT_EQ(sceneParams.cubeScales[0], 100.0f);
  sceneParams.cubeScales[0] = 1.2f;
  renderCubeCloud(30000, 0.1f);
  EXPECT_EQ(sceneParams.cubeScales[0], 1.0f);
  EXPECT_FLOAT_EQ(sceneParams.cubeAngle, 0.8f);  // two frame deltas a frame
}

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

TEST_F(SceneState, CubeWobbleKickAndDotScaleEaseOffWithoutBeats) {
  sceneParams.dotScale = 1.6f;
  renderCubeCloud(24000, 0.5f);
  EXPECT_FLOAT_EQ(sceneParams.cubeWobble, 1.0f);  // kick 2 x 0.5, then the kick drops
  EXPECT_FLOAT_EQ(sceneParams.cubeKick, 1.75f);
  EXPECT_FLOAT_EQ(sceneParams.dotScale, 1.35f);
  EXPECT_NEAR(sceneParams.dotPhase, 1.0 + std::cos(1.0), 1e-6);
  for (int frame = 0; frame < 10; ++frame) renderCubeCloud(25000, 0.5f);
  EXPECT_EQ(sceneParams.cubeKick, 0.0f);
  EXPECT_EQ(sceneParams.dotScale, 1.0f);
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

TEST_F(SceneState, RingGatherHoldsAt09UntilExactly47000ThenFalls) {
  for (int frame = 0; frame < 30; ++frame) renderDotRing(40000, 0.25f);
  EXPECT_EQ(sceneParams.ringGather, 0.9f);
  EXPECT_FLOAT_EQ(sceneParams.ringPhase, 7.5f);
  renderDotRing(47000, 0.25f);
  EXPECT_EQ(sceneParams.ringGather, 0.9f);
  renderDotRing(47001, 0.25f);
  EXPECT_FLOAT_EQ(sceneParams.ringGather, 0.85f);
  sceneParams.dotScale = 1.2f;
  renderDotRing(48000, 2.5f);
  EXPECT_FLOAT_EQ(sceneParams.ringGather, 0.35f);
  EXPECT_EQ(sceneParams.dotScale, 1.0f);
}

// --- lettering -------------------------------------------------------------------------------

TEST_F(SceneState, TitleAtExactly17000RisesThenFallsInTheSameFrame) {
  sceneParams.titleFade[0] = 0.5f;
  sceneParams.titleFade[1] = 1.0f;
  sceneParams.titleFade[2] = 0.9f;
  drawTextScenes(17000, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.titleFade[0], 0.14f);  // up 0.04, then down 0.4
  EXPECT_FLOAT_EQ(sceneParams.titleFade[1], 0.6f);
  EXPECT_FLOAT_EQ(sceneParams.titleFade[2], 0.6f);
  drawTextScenes(17100, 0.2f);
  EXPECT_EQ(sceneParams.titleFade[0], 0.0f);
  EXPECT_FLOAT_EQ(sceneParams.titleFade[1], 0.2f);
  drawTextScenes(19001, 0.2f);  // after the fall window values are kept
  EXPECT_FLOAT_EQ(sceneParams.titleFade[1], 0.2f);
}

TEST_F(SceneState, TitleAt100msFramesTakes25FramesForLineZeroAndThreeForTheOthers) {
  const float quickRise[] = {0.4f, 0.8f, 1.0f};
  int lineZeroFrames = 0;
  for (int frame = 0; frame < 30; ++frame) {
    drawTextScenes(10000 + 100 * frame, 0.2f);
    if (frame < 3) {
      EXPECT_FLOAT_EQ(sceneParams.titleFade[1], quickRise[frame]);
      EXPECT_FLOAT_EQ(sceneParams.titleFade[2], quickRise[frame]);
    }
    if (lineZeroFrames == 0 && sceneParams.titleFade[0] == 1.0f) lineZeroFrames = frame + 1;
  }
  EXPECT_EQ(lineZeroFrames, 25);
  EXPECT_EQ(sceneParams.titleFade[1], 1.0f);
}

TEST_F(SceneState, CreditLinesRiseOnTheirLastRisingFrameAndFallAfterIt) {
  sceneParams.creditFade[0] = 0.5f;
  sceneParams.creditFade[1] = 0.5f;
  drawTextScenes(42000, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[0], 0.54f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[1], 0.5f);
  drawTextScenes(42001, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[0], 0.34f);
  drawTextScenes(43000, 0.2f);  // line 0 falls, line 1 rises
  EXPECT_FLOAT_EQ(sceneParams.creditFade[0], 0.14f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[1], 0.54f);
  drawTextScenes(47000, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[1], 0.58f);
  drawTextScenes(47001, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[1], 0.38f);
  drawTextScenes(48001, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[1], 0.38f);
  EXPECT_FLOAT_EQ(sceneParams.creditFade[0], 0.14f);
}

TEST_F(SceneState, GreetingsRiseAtTheirMiddleFallAtTheirEndAndAreZeroElsewhere) {
  const uint32_t w = 49500 + 1000 * 3;
  for (float& fade : sceneParams.greetFade) fade = 0.7f;
  sceneParams.greetFade[3] = 0.5f;
  drawTextScenes(w + 500, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.greetFade[3], 0.8f);
  for (int i = 0; i < 16; ++i) {
    if (i != 3) {
      EXPECT_EQ(sceneParams.greetFade[i], 0.0f) << "greeting " << i;
    }
  }
  drawTextScenes(w + 1000, 0.2f);
  EXPECT_FLOAT_EQ(sceneParams.greetFade[3], 0.5f);
  EXPECT_FLOAT_EQ(sceneParams.greetFade[4], 0.3f);
  drawTextScenes(w + 1001, 0.2f);
  EXPECT_EQ(sceneParams.greetFade[3], 0.0f);
  EXPECT_FLOAT_EQ(sceneParams.greetFade[4], 0.6f);

  for (uint32_t t = 65501; t <= 68000; t += 499) {
    drawTextScenes(t, 0.2f);
    for (float fade : sceneParams.greetFade) EXPECT_EQ(fade, 0.0f) << "at " << t;
  }
}

TEST_F(SceneState, RollProgressStartsAt00004AndRestsAtOneAfter2500ms) {
  drawTextScenes(67999, 0.002f);
  EXPECT_EQ(sceneParams.rollProgress, 0.0f);
  drawTextScenes(68000, 0.002f);
  EXPECT_FLOAT_EQ(sceneParams.rollProgress, 0.0004f);
  for (int frame = 0; frame < 5; ++frame) drawTextScenes(68100 + frame, 1.0f);
  EXPECT_EQ(sceneParams.rollProgress, 1.0f);
  EXPECT_EQ(sceneParams.messageFade, 0.0f);

  drawTextScenes(72000, 0.5f);
  EXPECT_FLOAT_EQ(sceneParams.messageFade, 0.1f);
  for (int frame = 0; frame < 10; ++frame) drawTextScenes(74000, 0.5f);
  EXPECT_EQ(sceneParams.messageFade, 1.0f);
  drawTextScenes(76001, 0.5f);
  EXPECT_EQ(sceneParams.rollProgress, 1.0f);
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
