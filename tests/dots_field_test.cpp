// The halftone dot pass on the headless context: which layers draw at which phase and with which
// scale, the three coloured passes of mode 2, texMatrix, the GL state a drawn or skipped pass
// leaves, the skipped uploads, and the pictures themselves read back from "RT_DEFAULT2", the right
// way up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/scene_params.h"
#include "assets/texture_registry.h"
#include "dots/dot_field.h"
#include "dots/dot_layer.h"
#include "gfx/gl.h"
#include "scenes/demo_runtime.h"
#include "support/dot_assets.h"
#include "support/headless_gl.h"

namespace {

class DotField : public ::testing::Test {
 protected:
  void SetUp() override {
    dotFieldContext();
    trace.clear();
    dotDrawTrace = &trace;
  }
  void TearDown() override { dotDrawTrace = nullptr; }

  void field(int mode, float phase, float scale = 1.0f) {
    sceneParams.dotMode = mode;
    sceneParams.dotPhase = phase;
    sceneParams.dotScale = scale;
    drawDotField(1.0f, {1, 1, 1, 1});
  }

  std::vector<DotDrawRecord> trace;
};

const DotLayer* coarse() { return dotLayerTable->coarse.get(); }
const DotLayer* medium() { return dotLayerTable->medium.get(); }
const DotLayer* fine() { return dotLayerTable->fine.get(); }

TEST(DotSizeFactor, InterpolatesTheKeysAndRejectsPhasesOutsideTheRange) {
  const std::array<float, 4> keys = {1, 0, 2, 4};
  float d = -1;
  EXPECT_TRUE(dotSizeFactor(keys, 0.0f, d));
  EXPECT_EQ(d, 1.0f);
  EXPECT_TRUE(dotSizeFactor(keys, 0.25f, d));
  EXPECT_EQ(d, 0.75f);
  EXPECT_TRUE(dotSizeFactor(keys, 1.5f, d));
  EXPECT_EQ(d, 1.0f);
  EXPECT_TRUE(dotSizeFactor(keys, 2.5f, d));
  EXPECT_EQ(d, 3.0f);
  EXPECT_TRUE(dotSizeFactor(keys, 3.0f, d));
  EXPECT_EQ(d, 4.0f);
  EXPECT_FALSE(dotSizeFactor(keys, -0.1f, d));
  EXPECT_FALSE(dotSizeFactor(keys, 3.1f, d));
  EXPECT_FALSE(dotSizeFactor(keys, std::numeric_limits<float>::quiet_NaN(), d));
}

TEST(DotTexMatrix, TurnsThePictureCoordinateAboutItsCentre) {
  for (float angle : {1.0f, 16.0f, -30.0f}) {
    const std::array<float, 16> m = dotTexMatrix(angle);
    // Turned by +angle, the grid's own turn.
    const double theta = static_cast<double>(angle * 0.017453292f);
    const float c = static_cast<float>(std::cos(theta)), s = static_cast<float>(std::sin(theta));
    const float expected[16] = {
        c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0.5f - 0.5f * c + 0.5f * s, 0.5f - 0.5f * s - 0.5f * c,
        0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6f) << angle << " " << i;
  }
  // The centre stays put.
  const std::array<float, 16> m = dotTexMatrix(40.0f);
  EXPECT_NEAR(m[0] * 0.5f + m[4] * 0.5f + m[12], 0.5f, 1e-6f);
  EXPECT_NEAR(m[1] * 0.5f + m[5] * 0.5f + m[13], 0.5f, 1e-6f);
}

TEST_F(DotField, PhaseSelectsAndCrossfadesTheLayers) {
  field(1, 0.0f);
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].layer, coarse());
  EXPECT_EQ(trace[0].scale, 1.0f);
  EXPECT_EQ(trace[0].angle, 1.0f);

  trace.clear();
  field(1, 0.5f, 2.0f);
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_EQ(trace[0].layer, coarse());
  EXPECT_EQ(trace[1].layer, medium());
  EXPECT_EQ(trace[0].scale, 1.0f);  // half size, doubled by dotScale
  EXPECT_EQ(trace[1].scale, 1.0f);

  trace.clear();
  field(1, 2.0f);
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].layer, fine());

  for (float phase : {3.0f, -0.1f, 3.1f, std::numeric_limits<float>::quiet_NaN()}) {
    trace.clear();
    field(1, phase);
    EXPECT_TRUE(trace.empty()) << phase;
  }
  for (int mode : {0, 3, -1}) {
    trace.clear();
    field(mode, 0.0f);
    EXPECT_TRUE(trace.empty()) << mode;
  }
  // The skip tests the factor before dotScale: a scale of 0 still draws.
  trace.clear();
  field(1, 1.0f, 0.0f);
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].layer, medium());
  EXPECT_EQ(trace[0].scale, 0.0f);
}

TEST_F(DotField, ModeTwoDrawsRedGreenBlueScreensAtTheirAngles) {
  field(2, 2.0f);
  ASSERT_EQ(trace.size(), 3u);
  const float angles[3] = {1.0f, 6.0f, 16.0f};
  for (int pass = 0; pass < 3; ++pass) {
    EXPECT_EQ(trace[pass].layer, fine());
    EXPECT_EQ(trace[pass].angle, angles[pass]);
    EXPECT_EQ(trace[pass].color.x, pass == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(trace[pass].color.y, pass == 1 ? 1.0f : 0.0f);
    EXPECT_EQ(trace[pass].color.z, pass == 2 ? 1.0f : 0.0f);
    EXPECT_EQ(trace[pass].color.w, 1.0f);
  }
  trace.clear();
  field(2, 0.5f);
  ASSERT_EQ(trace.size(), 6u);  // layer by layer: coarse three times, then medium
  EXPECT_EQ(trace[2].layer, coarse());
  EXPECT_EQ(trace[3].layer, medium());
}

TEST_F(DotField, DrawnPassLeavesFixedStateAndSkippedPassLeavesAll) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  glEnable(GL_BLEND);
  gl::setBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  field(1, -1.0f);  // skipped: nothing changes
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_REVERSE_SUBTRACT);

  field(1, 0.0f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
  GLint value = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &value);
  EXPECT_EQ(value, 0);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
  EXPECT_EQ(value, GL_TEXTURE0);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &value);
  EXPECT_EQ(value, 0);
  // Unit 0 keeps the dot sprite enabled and bound; unit 1 was switched off.
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
  EXPECT_EQ(static_cast<GLuint>(value), currentTextureRegistry->findTexture("DOT")->glId);
  gl::glActiveTexture(GL_TEXTURE1);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  gl::glActiveTexture(GL_TEXTURE0);
  glDisable(GL_TEXTURE_2D);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float matrix[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
  EXPECT_EQ(matrix[12], 1.0f);
  EXPECT_EQ(matrix[13], 2.0f);
  EXPECT_EQ(matrix[14], 3.0f);
  glPopMatrix();
}

TEST_F(DotField, UnchangedColoursAndScalesAreNotUploadedAgain) {
  DotLayer& layer = *dotLayerTable->coarse;
  field(1, 0.0f, 1.25f);
  const uint64_t before = dotFieldStats.bytesUploaded;
  field(1, 0.0f, 1.25f);
  EXPECT_EQ(dotFieldStats.bytesUploaded, before);
  field(1, 0.0f, 1.5f);  // new scale: only the scale array
  EXPECT_EQ(dotFieldStats.bytesUploaded - before, layer.scales.size() * sizeof(float));
  EXPECT_EQ(layer.scales.front(), 1.5f);
  EXPECT_EQ(layer.scales.back(), 1.5f);
  const uint64_t afterScale = dotFieldStats.bytesUploaded;
  field(2, 0.0f, 1.5f);  // three colours, the scale kept
  EXPECT_EQ(dotFieldStats.bytesUploaded - afterScale, 3 * layer.colors.size() * sizeof(Vec4));
  EXPECT_EQ(layer.colors.back().z, 1.0f);
  EXPECT_EQ(layer.colors.back().x, 0.0f);
}

// --- Pictures -----------------------------------------------------------------------------------

void blackSquare() {
  glColor3f(0, 0, 0);
  glBegin(GL_QUADS);
  glVertex2f(-0.4f, -0.4f);
  glVertex2f(0.4f, -0.4f);
  glVertex2f(0.4f, 0.4f);
  glVertex2f(-0.4f, 0.4f);
  glEnd();
}

void allBlack() {
  glColor3f(0, 0, 0);
  glRectf(-1, -1, 1, 1);
}

// Grey ramp from white at the left to black at the right, with a dark disc and a light bar.
void testPicture() {
  glBegin(GL_QUADS);
  glColor3f(1, 1, 1);
  glVertex2f(-1, -1);
  glColor3f(0, 0, 0);
  glVertex2f(1, -1);
  glVertex2f(1, 1);
  glColor3f(1, 1, 1);
  glVertex2f(-1, 1);
  glEnd();
  glBegin(GL_TRIANGLE_FAN);
  glColor3f(0.1f, 0.05f, 0.2f);
  glVertex2f(-0.35f, 0.1f);
  glColor3f(0.7f, 0.6f, 0.5f);
  for (int i = 0; i <= 64; ++i) {
    const float a = i * 6.2831853f / 64;
    glVertex2f(-0.35f + 0.4f * std::cos(a), 0.1f + 0.7f * std::sin(a));
  }
  glEnd();
  glColor3f(0.85f, 0.85f, 0.85f);
  glRectf(0.2f, -0.6f, 0.9f, -0.35f);
}

struct Band {
  std::vector<uint8_t> pixels;
  int width = 0, height = 0;
  const uint8_t* at(int x, int y) const {
    return &pixels[(static_cast<size_t>(y) * width + x) * 4];
  }
};

// The dots subtract alpha too, so the band is kept opaque to look like what the window shows.
void keepOpaque(const std::string& name, const Band& band) {
  std::vector<uint8_t> opaque = band.pixels;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  keepTestPicture(name, opaque, band.width, band.height);
}

Band halftoneBand(int mode, float phase, float scale = 1.0f) {
  Band band;
  band.pixels = halftone(mode, phase, scale, band.width, band.height);
  return band;
}

TEST_F(DotField, BlackSquareGivesFullDotsInsideAndNoneOutside) {
  paintPicture(blackSquare);
  const Band band = halftoneBand(1, 0.0f);
  ASSERT_GT(band.width, 100);
  int inside = 0, insideDark = 0, outside = 0, outsideMarked = 0;
  for (int y = 0; y < band.height; ++y) {
    for (int x = 0; x < band.width; ++x) {
      const float nx = (x + 0.5f) / band.width * 2 - 1, ny = (y + 0.5f) / band.height * 2 - 1;
      const uint8_t* p = band.at(x, y);
      if (std::fabs(nx) < 0.3f && std::fabs(ny) < 0.3f) {
        ++inside;
        insideDark += p[0] < 128;
      } else if (std::fabs(nx) > 0.55f || std::fabs(ny) > 0.55f) {
        ++outside;
        outsideMarked += p[0] < 250 || p[1] < 250 || p[2] < 250;
      }
    }
  }
  // Discs of the full grid step cover pi/4 of their cells.
  EXPECT_GT(insideDark, inside * 0.6);
  EXPECT_LT(insideDark, inside * 0.95);
  EXPECT_EQ(outsideMarked, 0) << "of " << outside;
  keepOpaque("dots_black_square_mode1.png", band);
}

// Mean difference of one channel with itself shifted by (dx, dy), over the middle of the band.
double shiftedDifference(const Band& band, int channel, int dx, int dy) {
  double sum = 0;
  int count = 0;
  for (int y = band.height / 4; y < band.height * 3 / 4; ++y) {
    for (int x = band.width / 4; x < band.width * 3 / 4; ++x) {
      sum += std::abs(band.at(x, y)[channel] - band.at(x + dx, y + dy)[channel]);
      ++count;
    }
  }
  return sum / count;
}

TEST_F(DotField, ModeTwoOverBlackLeavesCyanMagentaYellowScreensAtTheirAngles) {
  paintPicture(allBlack);
  const Band band = halftoneBand(2, 0.0f);
  int cyan = 0, magenta = 0, yellow = 0;
  for (size_t i = 0; i < band.pixels.size(); i += 4) {
    const bool r = band.pixels[i] > 192, g = band.pixels[i + 1] > 192, b = band.pixels[i + 2] > 192;
    const bool r0 = band.pixels[i] < 64, g0 = band.pixels[i + 1] < 64, b0 = band.pixels[i + 2] < 64;
    cyan += r0 && g && b;
    magenta += r && g0 && b;
    yellow += r && g && b0;
  }
  const int total = band.width * band.height;
  EXPECT_GT(cyan, total / 100);
  EXPECT_GT(magenta, total / 100);
  EXPECT_GT(yellow, total / 100);

  // Each channel repeats along its own screen's lattice: the coarse step, turned by 1, 6 or 16
  // degrees, in pixels of the band under the show's projection (the eye depth of the dots is 0.6).
  float projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  const double unitsX = projection[0] / 0.6 * band.width / 2;
  const double unitsY = projection[5] / 0.6 * band.height / 2;
  const double step = 0.05;
  const double angles[3] = {1.0, 6.0, 16.0};
  for (int channel = 0; channel < 3; ++channel) {
    int best = -1;
    double bestDifference = 1e9;
    for (int candidate = 0; candidate < 3; ++candidate) {
      const double a = angles[candidate] * M_PI / 180;
      const int dx = static_cast<int>(std::lround(step * std::cos(a) * unitsX));
      const int dy = static_cast<int>(std::lround(step * std::sin(a) * unitsY));
      const double difference = shiftedDifference(band, channel, dx, dy);
      if (difference < bestDifference) {
        bestDifference = difference;
        best = candidate;
      }
    }
    EXPECT_EQ(best, channel) << "channel " << channel;
  }
  keepOpaque("dots_black_mode2.png", band);
}

// --- Which way up ------------------------------------------------------------------------------

// A dark block in the upper-left quadrant only, in the -1..1 units of paintPicture.
constexpr float kBlockLeft = -0.8f, kBlockBottom = 0.25f, kBlockRight = -0.3f, kBlockTop = 0.75f;

void darkBlockUpperLeft() {
  glColor3f(0, 0, 0);
  glRectf(kBlockLeft, kBlockBottom, kBlockRight, kBlockTop);
}

// White along the bottom edge, black along the top.
void darkerAtTheTop() {
  glBegin(GL_QUADS);
  glColor3f(1, 1, 1);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glColor3f(0, 0, 0);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
}

// Ink of one channel (255 minus its level) summed over the band, with its centroid in band pixels
// (rows counted from the bottom, as read back).
struct Ink {
  double total = 0, x = 0, y = 0;
  double upperLeft = 0;  // the part of the total in the upper-left quadrant
};

Ink inkOf(const Band& band, int channel) {
  Ink ink;
  for (int y = 0; y < band.height; ++y) {
    for (int x = 0; x < band.width; ++x) {
      const double amount = 255 - band.at(x, y)[channel];
      ink.total += amount;
      ink.x += amount * (x + 0.5);
      ink.y += amount * (y + 0.5);
      if (x < band.width / 2 && y >= band.height / 2) ink.upperLeft += amount;
    }
  }
  if (ink.total > 0) {
    ink.x /= ink.total;
    ink.y /= ink.total;
  }
  return ink;
}

// Mean ink of one channel over a run of rows.
double meanInk(const Band& band, int channel, int firstRow, int endRow) {
  double sum = 0;
  for (int y = firstRow; y < endRow; ++y) {
    for (int x = 0; x < band.width; ++x) sum += 255 - band.at(x, y)[channel];
  }
  return sum / (static_cast<double>(endRow - firstRow) * band.width);
}

// Band pixels per unit of eye space at the dots' depth (0.6) under the show's projection.
void pixelsPerEyeUnit(const Band& band, double& unitsX, double& unitsY) {
  float projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  unitsX = projection[0] / 0.6 * band.width / 2;
  unitsY = projection[5] / 0.6 * band.height / 2;
}

// Each dot samples the picture under its own (turned) centre, up to the grid's slight zoom: the
// grid spans 2.4 eye units for the picture's full width, a little more than the view shows at the
// dots' depth, so the halftone is the picture enlarged about the band's centre by
// 2.4 x (band pixels per eye unit) / (band width); and a layer's own offset moves its dots off
// the points they sample by that offset, turned with the screen. The block's ink must lie in its
// own quadrant, its centroid within two dot spacings of the block's centre so carried, for the
// coarse and the fine layer and every colour screen (1, 6 and 16 degrees).
TEST_F(DotField, InkLiesUnderTheDarkBlockInEveryScreen) {
  paintPicture(darkBlockUpperLeft);
  struct Layer {
    float phase;
    double spacing;  // grid step in eye units
    double offset;   // the grid's offset in x and y, in eye units
  };
  constexpr double kScreenAngles[3] = {1.0, 6.0, 16.0};
  for (const Layer layer : {Layer{0.0f, 0.05, 0.0}, Layer{2.0f, 0.0125, -0.01875}}) {
    for (int mode : {1, 2}) {
      const Band band = halftoneBand(mode, layer.phase);
      double unitsX = 0, unitsY = 0;
      pixelsPerEyeUnit(band, unitsX, unitsY);
      const double centreX = band.width / 2.0, centreY = band.height / 2.0;
      const double blockX = (0.5 * (kBlockLeft + kBlockRight) + 1) / 2 * band.width;
      const double blockY = (0.5 * (kBlockBottom + kBlockTop) + 1) / 2 * band.height;
      // The square picture texture is band.width texels on each side.
      const double zoomX = 2.4 * unitsX / band.width, zoomY = 2.4 * unitsY / band.width;
      const double tolerance = 2 * layer.spacing * std::max(unitsX, unitsY);
      for (int channel = 0; channel < (mode == 1 ? 1 : 3); ++channel) {
        SCOPED_TRACE(testing::Message()
                     << "phase " << layer.phase << ", mode " << mode << ", channel " << channel);
        const double turn = kScreenAngles[channel] * M_PI / 180;
        const double offsetX = layer.offset * (std::cos(turn) - std::sin(turn));
        const double offsetY = layer.offset * (std::sin(turn) + std::cos(turn));
        const double expectedX = centreX + (blockX - centreX) * zoomX + offsetX * unitsX;
        const double expectedY = centreY + (blockY - centreY) * zoomY + offsetY * unitsY;
        const Ink ink = inkOf(band, channel);
        ASSERT_GT(ink.total, 0);
        EXPECT_GT(ink.upperLeft / ink.total, 0.97);
        EXPECT_NEAR(ink.x, expectedX, tolerance);
        EXPECT_NEAR(ink.y, expectedY, tolerance);
      }
    }
  }
}

TEST_F(DotField, PictureDarkerAtTheTopGivesHalftoneDarkerAtTheTop) {
  paintPicture(darkerAtTheTop);
  for (int mode : {1, 2}) {
    const Band band = halftoneBand(mode, 0.0f);
    for (int channel = 0; channel < (mode == 1 ? 1 : 3); ++channel) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << ", channel " << channel);
      const double top = meanInk(band, channel, band.height * 3 / 4, band.height);
      const double bottom = meanInk(band, channel, 0, band.height / 4);
      EXPECT_GT(top, 3 * bottom + 20) << "top " << top << ", bottom " << bottom;
    }
  }
}

TEST_F(DotField, SkippedUploadsDrawTheSamePicture) {
  paintPicture(testPicture);
  Band kept = halftoneBand(2, 0.5f);
  for (DotLayer* layer : {dotLayerTable->coarse.get(), dotLayerTable->medium.get()}) {
    layer->colorsUploaded = false;
    layer->scalesUploaded = false;
  }
  Band fresh = halftoneBand(2, 0.5f);
  EXPECT_EQ(kept.pixels, fresh.pixels);
}

// Leaving out the dots that cannot reach the viewport, and those over picture so light that they
// round to nothing, changes no pixel: every layer alone (phases 0, 1 and 2) in both modes, at the
// show's dot size and at a larger one whose dots reach further and shade more, drawn with no
// culling, with the view's only, and with the picture's too, over the grey ramp (light dots near
// the threshold) and over a black square on white (sharp edges). Each culling must have left dots
// out for this to say anything.
TEST_F(DotField, CullingLeavesEveryPixelAsTheWholeLayerDrawsIt) {
  auto drawn = [](bool view, bool picture, Band& band, int mode, float phase, float scale) {
    dotViewCulling = view;
    dotPictureCulling = picture;
    const uint64_t before = dotFieldStats.verticesDrawn;
    band = halftoneBand(mode, phase, scale);
    dotViewCulling = true;
    dotPictureCulling = true;
    return dotFieldStats.verticesDrawn - before;
  };
  for (void (*picture)() : {testPicture, blackSquare}) {
    paintPicture(picture);
    for (int mode : {1, 2}) {
      for (float phase : {0.0f, 1.0f, 2.0f}) {
        for (float scale : {1.0f, 2.5f}) {
          SCOPED_TRACE(testing::Message()
                       << (picture == blackSquare ? "square" : "ramp") << ", mode " << mode
                       << ", phase " << phase << ", scale " << scale);
          Band whole, inView, culled;
          const uint64_t all = drawn(false, false, whole, mode, phase, scale);
          const uint64_t visible = drawn(true, false, inView, mode, phase, scale);
          const uint64_t left = drawn(true, true, culled, mode, phase, scale);
          EXPECT_LT(visible, all);
          // The picture is read only when the frame draws many dots: not for the coarse layer,
          // nor for the medium one in one colour.
          const bool read = phase == 2.0f || (phase == 1.0f && mode == 2);
          EXPECT_LE(left, read && picture == blackSquare ? visible / 2 : visible);
          EXPECT_TRUE(read || left == visible);
          EXPECT_TRUE(inView.pixels == whole.pixels);
          EXPECT_TRUE(culled.pixels == whole.pixels);
          if (picture == testPicture && phase == 0.0f && scale == 1.0f)
            keepOpaque("dots_test_picture_mode" + std::to_string(mode) + ".png", culled);
        }
      }
    }
  }
}

}  // namespace
