// Render targets on a real Mesa context: the letterboxed band each display width gets, a missing
// name that touches nothing, and the composite that shows a drawn band across the window, from
// targets made at the window's width or resized to it.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "assets/texture_registry.h"
#include "gfx/gl.h"
#include "support/headless_gl.h"

namespace {

std::array<GLint, 4> viewport() {
  std::array<GLint, 4> v{};
  glGetIntegerv(GL_VIEWPORT, v.data());
  return v;
}

GLint integer(GLenum what) {
  GLint value = 0;
  glGetIntegerv(what, &value);
  return value;
}

class RenderTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessGL();
    windowViewport = viewport();
    currentTextureRegistry = &registry;
  }
  void TearDown() override {
    gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glViewport(windowViewport[0], windowViewport[1], windowViewport[2], windowViewport[3]);
    registry.release();
    currentTextureRegistry = nullptr;
  }
  // The build-up's pair: a W x W colour texture and a target over it with the 1.778 band.
  void makeTarget(const char* name, const char* textureName, int w) {
    registry.createTexture(textureName, w, w, kMipmapNone, nullptr, GL_LINEAR, GL_LINEAR);
    registry.createRenderTarget(name, registry.findTexture(textureName), 1.778f);
  }
  TextureRegistry registry;
  std::array<GLint, 4> windowViewport{};
};

TEST_F(RenderTargetTest, BandViewportForEachDisplayWidth) {
  struct Band {
    int width, bottom, height;
  };
  const Band bands[] = {{1920, 420, 1079}, {1280, 280, 719}, {1024, 224, 575}, {800, 175, 449}};
  for (const Band& band : bands) {
    const std::string name = "RT_" + std::to_string(band.width);
    makeTarget(name.c_str(), ("TEX_" + name).c_str(), band.width);
    const RenderTarget& target = *registry.findRenderTarget(name.c_str());
    EXPECT_EQ(target.width, band.width);
    EXPECT_EQ(target.height, band.width);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), GLint(target.framebuffer));  // left bound
    gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

    const GLint depth = integer(GL_ATTRIB_STACK_DEPTH);
    ASSERT_TRUE(bindRenderTarget(name.c_str()));
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), GLint(target.framebuffer));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), depth + 1);
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, band.bottom, band.width, band.height}))
        << "W = " << band.width;
    glPopAttrib();
    EXPECT_EQ(viewport(), windowViewport);
    gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  }
}

TEST_F(RenderTargetTest, UnknownNameTouchesNothing) {
  makeTarget("RT_DEFAULT1", "DEFAULT_TARGET1", 64);
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  const GLint depth = integer(GL_ATTRIB_STACK_DEPTH);
  EXPECT_FALSE(bindRenderTarget("rt_default1"));
  EXPECT_FALSE(bindRenderTarget("RT_DEFAULT"));
  EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
  EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), depth);
  EXPECT_EQ(viewport(), windowViewport);

  currentTextureRegistry = nullptr;
  EXPECT_FALSE(bindRenderTarget("RT_DEFAULT1"));
  EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
}

TEST_F(RenderTargetTest, DuplicateTargetNameFindsTheFirst) {
  makeTarget("RT", "A", 16);
  makeTarget("RT", "B", 32);
  RenderTarget* found = registry.findRenderTarget("RT");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->width, 16);
  ASSERT_EQ(found->attachments.size(), 1u);
  EXPECT_EQ(found->attachments[0].texture, registry.findTexture("A"));
  EXPECT_EQ(found->attachments[0].attachmentPoint, GLenum(GL_COLOR_ATTACHMENT0_EXT));
}

// Fills the current viewport: lower half red, upper half blue.
void drawTwoToneBand() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glColor3f(1, 0, 0);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glVertex2f(1, 0);
  glVertex2f(-1, 0);
  glColor3f(0, 0, 1);
  glVertex2f(-1, 0);
  glVertex2f(1, 0);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glColor3f(1, 1, 1);
}

// Draws the two-tone band into RT_DEFAULT1, composites it onto the window, and checks that exactly
// the band fills the window's viewport.
void expectCompositeShowsTheBand(const std::array<GLint, 4>& windowViewport);

TEST_F(RenderTargetTest, CompositeShowsTheDrawnBandAcrossTheWindow) {
  makeTarget("RT_DEFAULT1", "DEFAULT_TARGET1", windowViewport[2]);
  expectCompositeShowsTheBand(windowViewport);
}

// A display that changes size under the show (a browser window) gets its targets made again at the
// new width: textures, depth buffer and band as a target made at that width has them.
TEST_F(RenderTargetTest, TargetsResizedToTheWindowCompositeAsNewOnes) {
  makeTarget("RT_DEFAULT1", "DEFAULT_TARGET1", 64);
  const int w = windowViewport[2];
  registry.resizeRenderTargets(w);
  const RenderTarget& target = *registry.findRenderTarget("RT_DEFAULT1");
  const Texture& texture = *registry.findTexture("DEFAULT_TARGET1");
  EXPECT_EQ(target.width, w);
  EXPECT_EQ(target.height, w);
  EXPECT_EQ(texture.width, w);
  GLint cardWidth = 0;
  glBindTexture(GL_TEXTURE_2D, texture.glId);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &cardWidth);
  EXPECT_EQ(cardWidth, w);
  EXPECT_TRUE(texture.pixels.empty());  // the picture lives on the card alone
  // A depth buffer left at the old size would leave the framebuffer incomplete: nothing drawn.
  expectCompositeShowsTheBand(windowViewport);
}

void expectCompositeShowsTheBand(const std::array<GLint, 4>& windowViewport) {
  const int w = windowViewport[2];
  // Green everywhere outside the band: none of it may reach the window.
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ASSERT_TRUE(bindRenderTarget("RT_DEFAULT1"));
  drawTwoToneBand();
  glPopAttrib();
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);

  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const GLint projectionDepth = integer(GL_PROJECTION_STACK_DEPTH);
  const GLint modelviewDepth = integer(GL_MODELVIEW_STACK_DEPTH);
  glColor4f(1, 1, 1, 1);
  compositeTexture("DEFAULT_TARGET1", 1.0f, 1.778f);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), projectionDepth);
  EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), modelviewDepth);
  EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);

  const int x0 = windowViewport[0], y0 = windowViewport[1], h = windowViewport[3];
  const std::vector<uint8_t> rgba = readRGBA(x0, y0, w, h);
  auto at = [&](int x, int y) { return &rgba[(size_t(y) * w + x) * 4]; };
  // Within one texel row of each edge and of the centre the truncations may blend colours.
  for (int y = 1; y < h - 1; ++y) {
    if (y >= h / 2 - 1 && y <= h / 2) continue;
    const bool lower = y < h / 2;
    for (int x = 0; x < w; x += 7) {
      const uint8_t* px = at(x, y);
      ASSERT_EQ(px[1], 0) << "green at " << x << "," << y;
      ASSERT_EQ(px[0], lower ? 255 : 0) << x << "," << y;
      ASSERT_EQ(px[2], lower ? 0 : 255) << x << "," << y;
    }
  }
}

TEST_F(RenderTargetTest, CompositeOfUnknownTextureStillDrawsTheQuad) {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, 0);  // incomplete texture: texturing is off, the colour shows
  glColor4f(1, 1, 0, 1);
  compositeTexture("NO_SUCH_TEXTURE", 1.0f, 1.778f);
  glColor4f(1, 1, 1, 1);
  const std::vector<uint8_t> centre = readRGBA(windowViewport[0] + windowViewport[2] / 2,
                                               windowViewport[1] + windowViewport[3] / 2, 1, 1);
  EXPECT_EQ(centre, (std::vector<uint8_t>{255, 255, 0, 255}));
}

}  // namespace
