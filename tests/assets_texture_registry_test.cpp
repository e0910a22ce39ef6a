// Texture registry on a real Mesa context: lookup rules, the record's own pixel copy, both upload
// modes read back from the GPU, and release() deleting the GL objects.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <vector>

#include "assets/texture_registry.h"
#include "gfx/gl.h"
#include "support/headless_gl.h"

namespace {

std::vector<uint8_t> texelsOf(const Texture& texture, int level = 0) {
  GLint width = 0, height = 0;
  glBindTexture(GL_TEXTURE_2D, texture.glId);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  std::vector<uint8_t> texels(size_t(width) * size_t(height) * 4, 0xAB);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

GLint boundTexture() {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  return bound;
}

class TextureRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { headlessGL(); }
  void TearDown() override { registry.release(); }
  TextureRegistry registry;
};

TEST_F(TextureRegistryTest, FirstExactMatchWinsAndCaseMatters) {
  const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
  registry.createTexture("DOT", 1, 1, kMipmapNone, red, GL_NEAREST, GL_NEAREST);
  registry.createTexture("DOT", 1, 1, kMipmapNone, blue, GL_NEAREST, GL_NEAREST);
  registry.createTexture("TITLE", 1, 1, kMipmapNone, nullptr, GL_NEAREST, GL_NEAREST);

  Texture* found = registry.findTexture("DOT");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found, registry.textures()[0].get());
  EXPECT_EQ(texelsOf(*found), std::vector<uint8_t>(red, red + 4));
  EXPECT_EQ(registry.findTexture("dot"), nullptr);
  EXPECT_EQ(registry.findTexture("DOT "), nullptr);
  EXPECT_EQ(registry.findTexture("DO"), nullptr);
  EXPECT_EQ(registry.findTexture(nullptr), nullptr);
  ASSERT_EQ(registry.textures().size(), 3u);
  EXPECT_EQ(registry.textures()[2]->name, "TITLE");
}

// A name the show relies on and the registry lacks is said once, however often it is looked up;
// a plain find says nothing.
TEST_F(TextureRegistryTest, AMissingNameTheShowNeedsIsSaidOnce) {
  registry.createTexture("OVERLAY1", 1, 1, kMipmapNone, nullptr, GL_NEAREST, GL_NEAREST);
  testing::internal::CaptureStderr();
  EXPECT_EQ(registry.findTexture("SQUARE"), nullptr);
  EXPECT_NE(registry.requireTexture("OVERLAY1"), nullptr);
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_EQ(registry.requireTexture("SQUARE"), nullptr);
    EXPECT_EQ(registry.requireRenderTarget("RT_DEFAULT1"), nullptr);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "nightloom: warning: there is no texture \"SQUARE\"; what uses it draws without it\n"
            "nightloom: warning: there is no render target \"RT_DEFAULT1\"; what uses it draws "
            "without it\n");
}

TEST_F(TextureRegistryTest, NoPixelsGivesAllZeroTexelsAndCopy) {
  registry.createTexture("EMPTY", 16, 8, kMipmapNone, nullptr, GL_LINEAR, GL_LINEAR);
  const Texture& texture = *registry.findTexture("EMPTY");
  EXPECT_EQ(texture.pixels, std::vector<uint8_t>(16 * 8 * 4, 0));
  EXPECT_EQ(texelsOf(texture), std::vector<uint8_t>(16 * 8 * 4, 0));

  registry.createTexture("EMPTY_MIP", 8, 8, kMipmapBuild, nullptr, GL_LINEAR_MIPMAP_LINEAR,
                         GL_LINEAR);
  EXPECT_EQ(texelsOf(*registry.findTexture("EMPTY_MIP")), std::vector<uint8_t>(8 * 8 * 4, 0));
}

TEST_F(TextureRegistryTest, UploadsACopyAndLeavesTheTextureBound) {
  std::vector<uint8_t> pixels(4 * 2 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
  registry.createTexture("PIC", 4, 2, kMipmapNone, pixels.data(), GL_NEAREST, GL_LINEAR);
  const Texture& texture = *registry.findTexture("PIC");
  EXPECT_EQ(boundTexture(), GLint(texture.glId));
  pixels[0] = 99;  // the caller's buffer is not the record's
  EXPECT_EQ(texture.pixels[0], 0);
  EXPECT_EQ(texture.wrap, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(texture.target, GLenum(GL_TEXTURE_2D));

  GLint wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(minFilter, GL_NEAREST);
  EXPECT_EQ(magFilter, GL_LINEAR);
  EXPECT_EQ(texelsOf(texture), texture.pixels);
}

TEST_F(TextureRegistryTest, MipmappedPictureKeepsItsOwnSize) {
  std::vector<uint8_t> pixels(1024 * 576 * 4, 200);
  registry.createTexture("OVERLAY1", 1024, 576, kMipmapBuild, pixels.data(), GL_NEAREST,
                         GL_NEAREST);
  const Texture& texture = *registry.findTexture("OVERLAY1");
  EXPECT_EQ(boundTexture(), GLint(texture.glId));
  EXPECT_EQ(texture.width, 1024);
  EXPECT_EQ(texture.height, 576);
  EXPECT_EQ(texture.pixels.size(), 1024u * 576u * 4u);
  GLint width = 0, height = 0, smallest = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 10, GL_TEXTURE_WIDTH, &smallest);
  // GLU rescaled the 576 rows to a power of two and built the chain down to 1 x 1.
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(height & (height - 1), 0) << height;
  EXPECT_EQ(smallest, 1);
  const std::vector<uint8_t> level0 = texelsOf(texture);
  EXPECT_EQ(level0[0], 200);
  EXPECT_EQ(level0[level0.size() - 1], 200);
}

TEST_F(TextureRegistryTest, BindToUnitActivatesEnablesAndBinds) {
  registry.createTexture("A", 1, 1, kMipmapNone, nullptr, GL_NEAREST, GL_NEAREST);
  const Texture& texture = *registry.findTexture("A");
  glBindTexture(GL_TEXTURE_2D, 0);
  bindTextureToUnit(texture, 1);
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE1);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(boundTexture(), GLint(texture.glId));
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 0);
  gl::glActiveTexture(GL_TEXTURE0);
}

TEST_F(TextureRegistryTest, ReleaseDeletesTexturesAndTargets) {
  registry.createTexture("T", 8, 8, kMipmapNone, nullptr, GL_LINEAR, GL_LINEAR);
  const GLuint textureId = registry.findTexture("T")->glId;
  registry.createRenderTarget("RT", registry.findTexture("T"), 1.0f);
  const GLuint framebuffer = registry.findRenderTarget("RT")->framebuffer;
  const GLuint depth = registry.findRenderTarget("RT")->depthBuffer;
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  EXPECT_TRUE(glIsTexture(textureId));
  // Queries the show itself never needs, fetched here only to check the deletions.
  auto isFramebuffer =
      reinterpret_cast<PFNGLISFRAMEBUFFEREXTPROC>(eglGetProcAddress("glIsFramebufferEXT"));
  ASSERT_TRUE(isFramebuffer != nullptr);
  EXPECT_TRUE(isFramebuffer(framebuffer));
  registry.release();
  EXPECT_FALSE(glIsTexture(textureId));
  EXPECT_TRUE(registry.textures().empty());
  EXPECT_TRUE(registry.renderTargets().empty());
  EXPECT_EQ(registry.findTexture("T"), nullptr);
  auto isRenderbuffer =
      reinterpret_cast<PFNGLISRENDERBUFFEREXTPROC>(eglGetProcAddress("glIsRenderbufferEXT"));
  ASSERT_TRUE(isRenderbuffer != nullptr);
  EXPECT_FALSE(isFramebuffer(framebuffer));
  EXPECT_FALSE(isRenderbuffer(depth));
}

}  // namespace
