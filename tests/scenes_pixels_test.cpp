// What the overlay, the textured layers and the credits roll put on screen, read back from the
// headless context under the show's perspective (93.1 degrees, 16:9): at z = -1 the 320 x 180
// frame spans x +-1.876 and y +-1.055, so one unit is about 85.3 pixels each way.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/scene_params.h"
#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "assets/texture_registry.h"
#include "gfx/gl.h"
#include "scenes/scenes.h"
#include "support/headless_gl.h"

namespace {

using Rgba = std::array<uint8_t, 4>;
constexpr int kWidth = 320;
constexpr int kHeight = 180;

// Registries with the "OVERLAY" program built as at start-up and a few small test pictures.
struct TestAssets {
  TextureRegistry textures;
  ShaderRegistry shaders;

  TestAssets() {
    shaders.compileShader("DEFAULT_OVERLAY_VERT", GL_VERTEX_SHADER, kOverlayVertexSource);
    shaders.compileShader("DEFAULT_OVERLAY_FRAG", GL_FRAGMENT_SHADER, kOverlayFragmentSource);
    ShaderProgram* overlay =
        shaders.linkProgram("OVERLAY", "DEFAULT_OVERLAY_VERT", "DEFAULT_OVERLAY_FRAG");
    if (overlay) {
      gl::glUseProgram(overlay->glId);
      overlay->addUniform(16, "tex");
      gl::glUseProgram(0);
    }
    // Rows top to bottom: red, yellow, green, green.
    addPicture("BANDS", 4, 4,
               {{255, 0, 0, 255}, {255, 255, 0, 255}, {0, 255, 0, 255}, {0, 255, 0, 255}});
    // One row: red on the left, green on the right.
    addPicture("COLUMNS", 2, 1, {{255, 0, 0, 255}, {0, 255, 0, 255}}, true);
    addPicture("WHITE", 2, 2, {{255, 255, 255, 255}, {255, 255, 255, 255}});
    addPicture("OVERLAY1", 4, 4, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
  }

  // `colours` gives one colour per row, or per column when `byColumn`.
  void addPicture(const char* name, int width, int height, const std::vector<Rgba>& colours,
                  bool byColumn = false) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Rgba& c = colours[byColumn ? x : y];
        pixels.insert(pixels.end(), c.begin(), c.end());
      }
    }
    textures.createTexture(name, width, height, kMipmapNone, pixels.data(), GL_NEAREST, GL_NEAREST);
  }
};

TestAssets& testAssets() {
  static TestAssets assets;
  return assets;
}

class ScenePixels : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessGL(kWidth, kHeight);
    TestAssets& assets = testAssets();
    ASSERT_NE(assets.shaders.findProgram("OVERLAY"), nullptr);
    currentTextureRegistry = &assets.textures;
    currentShaderRegistry = &assets.shaders;
    sceneParams = SceneParams{};
    gl::glUseProgram(0);
    gl::glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
  void TearDown() override {
    currentTextureRegistry = nullptr;
    currentShaderRegistry = nullptr;
  }

  static void clearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClearDepth(1.0);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  static Rgba pixel(int x, int y) {
    const std::vector<uint8_t> p = readRGBA(x, y, 1, 1);
    return {p[0], p[1], p[2], p[3]};
  }
  static void expectRgb(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    const Rgba p = pixel(x, y);
    EXPECT_EQ(p[0], r) << "red at " << x << "," << y;
    EXPECT_EQ(p[1], g) << "green at " << x << "," << y;
    EXPECT_EQ(p[2], b) << "blue at " << x << "," << y;
  }
  // Fills the overlay picture with one grey level in place (the first "OVERLAY1" always wins).
  static void setOverlayPicture(uint8_t level) {
    Texture* overlay = currentTextureRegistry->findTexture("OVERLAY1");
    ASSERT_NE(overlay, nullptr);
    const std::vector<uint8_t> texels(4 * 4 * 4, level);
    gl::glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, overlay->glId);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  }
  static void expectStateLeftByOverlayPass() {
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint equation = 0;
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
    EXPECT_EQ(equation, GL_FUNC_ADD);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
  }
};

TEST_F(ScenePixels, LayerOfTheUpperHalfAtScaleTwoIsATwoByOneRectangle) {
  clearTo(0, 0, 0);
  drawLayer({"BANDS", GL_FUNC_ADD, 1.0f, {0.0f, 0.5f}, {0.0f, 0.0f, 2.0f, 2.0f}}, 1.0f);
  // Rows 0 and 1 of the picture only: red above, yellow below, never green.
  expectRgb(160, 120, 255, 0, 0);
  expectRgb(78, 130, 255, 0, 0);
  expectRgb(160, 60, 255, 255, 0);
  expectRgb(242, 50, 255, 255, 0);
  for (auto [x, y] : {std::pair{72, 90}, {248, 90}, {160, 45}, {160, 135}}) {
    expectRgb(x, y, 0, 0, 0);
  }
  const std::vector<uint8_t> frame = readRGBA(0, 0, kWidth, kHeight);
  int lit = 0, green = 0;
  for (size_t i = 0; i < frame.size(); i += 4) {
    if (frame[i] || frame[i + 1] || frame[i + 2]) ++lit;
    if (frame[i] == 0 && frame[i + 1] > 0) ++green;
  }
  EXPECT_EQ(green, 0);
  EXPECT_NEAR(lit, 170.5 * 85.3, 300);  // 2 x 1 units
  expectStateLeftByOverlayPass();
}

TEST_F(ScenePixels, LayerWithReversedURangeStaysUnmirrored) {
  for (float uStart : {0.0f, 1.0f}) {
    clearTo(0, 0, 0);
    drawLayer({"COLUMNS", GL_FUNC_ADD, 1.0f, {0, 1}, {0, 0, 1, 1}, {uStart, 1.0f - uStart}}, 1.0f);
    expectRgb(135, 90, 255, 0, 0);
    expectRgb(185, 90, 0, 255, 0);
    expectRgb(110, 90, 0, 0, 0);
  }
}

TEST_F(ScenePixels, LayerSubtractsItsIntensityAndSkipsBelowTheThreshold) {
  clearTo(1, 1, 1);
  glDisable(GL_CULL_FACE);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  const TextStrip white = {"WHITE", GL_FUNC_REVERSE_SUBTRACT, 1.0f, {0, 1}, {0, 0, 1, 1}};
  drawLayer(white, 0.00009f);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));  // no GL call at all
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[1], 0.5f);
  expectRgb(160, 90, 255, 255, 255);

  drawLayer(white, 0.5f);
  const Rgba centre = pixel(160, 90);
  EXPECT_NEAR(centre[0], 127, 1);
  EXPECT_NEAR(centre[2], 127, 1);
  expectRgb(100, 90, 255, 255, 255);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 0.5f);  // the layer leaves its intensity as the colour
  expectStateLeftByOverlayPass();
}

// A strip's level scales its fade: the threshold applies to the product.
TEST_F(ScenePixels, LayerIntensityIsItsLevelTimesItsFade) {
  clearTo(1, 1, 1);
  const TextStrip halfWhite = {"WHITE", GL_FUNC_REVERSE_SUBTRACT, 0.5f, {0, 1}, {0, 0, 1, 1}};
  glEnable(GL_CULL_FACE);
  drawLayer(halfWhite, 0.00019f);  // 0.000095: below the threshold
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  expectRgb(160, 90, 255, 255, 255);
  drawLayer(halfWhite, 0.5f);
  EXPECT_NEAR(pixel(160, 90)[0], 191, 1);  // 1 - 0.25
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 0.25f);
}

TEST_F(ScenePixels, BlackOverlayLeavesTheFrameAndWhiteTurnsItBlack) {
  GLdouble projectionBefore[16], projectionAfter[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);

  setOverlayPicture(0);
  clearTo(0.2f, 0.6f, 0.8f);
  glColor4f(1, 1, 1, 1);
  drawOverlay();
  for (auto [x, y] : {std::pair{0, 0}, {160, 90}, {319, 179}}) expectRgb(x, y, 51, 153, 204);
  expectStateLeftByOverlayPass();
  glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(projectionAfter[i], projectionBefore[i]);

  setOverlayPicture(255);
  clearTo(0.2f, 0.6f, 0.8f);
  glColor4f(1, 1, 1, 1);
  drawOverlay();
  for (auto [x, y] : {std::pair{0, 0}, {160, 90}, {319, 179}}) expectRgb(x, y, 0, 0, 0);
  setOverlayPicture(0);
}

TEST_F(ScenePixels, GatheredOrbitDotsSubtractTheirColoursAndScenesLeaveBlendingOff) {
  currentTextureRegistry = nullptr;  // plain quads: no "DOT" picture, texturing off
  sceneParams.tripleDotColors = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  sceneParams.orbitGather = 0.95f;
  clearTo(1, 1, 1);
  renderOrbitDots(5000, 0.1f, 1.0f);
  expectRgb(160, 90, 0, 0, 0);  // white minus red, green and blue
  expectRgb(20, 90, 255, 255, 255);
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));

  sceneParams.cubePositions = {{0, 0, 0, 1}};
  sceneParams.cubeScales = {1.0f};
  renderCubeCloud(20000, 0.1f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

  glEnable(GL_BLEND);
  renderDotRing(40000, 0.1f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
}

// With no "CREDITS" picture and texturing off, the bands subtract plain white: black where shown.
TEST_F(ScenePixels, CreditsRollIsCulledOnItsFirstMillisecondAndRestsAt157Degrees) {
  currentTextureRegistry = nullptr;
  clearTo(1, 1, 1);
  drawCreditsRoll(0.002f);
  const std::vector<uint8_t> frame = readRGBA(0, 0, kWidth, kHeight);
  int dark = 0;
  for (size_t i = 0; i < frame.size(); i += 4) dark += frame[i] < 255;
  EXPECT_EQ(dark, 0);

  for (int frame = 0; frame < 5; ++frame) drawCreditsRoll(1.0f);  // 2500 ms of roll
  ASSERT_EQ(sceneParams.rollProgress, 1.0f);
  clearTo(1, 1, 1);
  drawCreditsRoll(0.1f);
  expectRgb(230, 90, 0, 0, 0);  // band 1 only, right of centre
  expectRgb(90, 90, 0, 0, 0);   // band 2 only, left of centre
  expectRgb(160, 90, 0, 0, 0);  // both
  for (auto [x, y] : {std::pair{290, 90}, {30, 90}, {160, 30}, {160, 150}}) {
    expectRgb(x, y, 255, 255, 255);
  }
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_REVERSE_SUBTRACT);
  gl::setBlendEquation(GL_FUNC_ADD);
  glDisable(GL_BLEND);
}

}  // namespace
