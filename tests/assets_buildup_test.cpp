// The start-up build of every asset on the headless context, from pictures written into a fresh
// Data/: every resource the show names, programs with their uniforms and attributes, the render
// targets' band for a 1280-wide display, pictures that are missing or of the wrong size, and the
// music step that must come first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "assets/configurator.h"
#include "assets/shader_registry.h"
#include "assets/shader_sources.h"
#include "assets/show_data.h"
#include "assets/texture_registry.h"
#include "audio/music.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"
#include "support/dot_assets.h"
#include "support/headless_gl.h"
#include "support/mp3_writer.h"

namespace {

// Picture r is filled with palette index 10 + r, which is grey (10 + r).
void writeRowPicture(int r, int width, int height) {
  const std::vector<uint8_t> indices(static_cast<size_t>(width) * height,
                                     static_cast<uint8_t>(10 + r));
  ASSERT_TRUE(writeGreyPicture(kPictureFiles[r].file, indices, width, height));
}

void writeAllPictures() {
  for (int r = 0; r < 8; ++r) {
    writeRowPicture(r, kPictureFiles[r].width, kPictureFiles[r].height);
  }
}

int rowOf(const char* file) {
  for (int r = 0; r < 8; ++r) {
    if (std::strcmp(kPictureFiles[r].file, file) == 0) return r;
  }
  return -1;
}

bool allZero(const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) {
    if (b != 0) return false;
  }
  return true;
}

class BuildUp : public ::testing::Test {
 protected:
  void SetUp() override {
    headlessGL();
    enterTempDataDir("buildup");
    context.width = 1280;
    currentTextureRegistry = &context.textureRegistry;
    currentShaderRegistry = &context.shaderRegistry;
  }
  void TearDown() override {
    gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    context.shaderRegistry.release();
    context.textureRegistry.release();
    currentTextureRegistry = nullptr;
    currentShaderRegistry = nullptr;
  }

  // Builds the graphics, capturing what goes to stderr.
  bool build(ActorsConfigurator& configurator) {
    testing::internal::CaptureStderr();
    const bool built = configurator.buildGraphicsAssets();
    warnings = testing::internal::GetCapturedStderr();
    return built;
  }

  DemoContext context;
  std::string warnings;
};

// Everything the show finds by name is there: every picture of the table as the texture it names,
// with its file's grey and the sampling its filter asks for; both render targets over textures of
// the display's width; both programs with every input located.
TEST_F(BuildUp, EveryResourceTheShowNamesIsBuiltFromItsFile) {
  writeAllPictures();
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(build(configurator)) << configurator.error();
  EXPECT_EQ(warnings, "");
  TextureRegistry& textures = context.textureRegistry;

  for (int r = 0; r < 8; ++r) {
    const PictureFile& picture = kPictureFiles[r];
    SCOPED_TRACE(picture.file);
    const Texture* texture = textures.findTexture(picture.texture);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, picture.width);
    EXPECT_EQ(texture->height, picture.height);
    const uint8_t grey = static_cast<uint8_t>(10 + r);
    EXPECT_EQ(texture->pixels.front(), grey);
    EXPECT_EQ(texture->pixels.back(), grey);
    // Every picture gets its mipmap chain from gluBuild2DMipmaps, which scales a side that is not
    // a power of two (the overlay's 576) to one first.
    glBindTexture(GL_TEXTURE_2D, texture->glId);
    GLint minFilter = 0, magFilter = 0, secondLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &secondLevel);
    EXPECT_EQ(secondLevel, picture.width / 2);
    const bool mipmapped = picture.filter == PictureFilter::Mipmapped;
    EXPECT_EQ(minFilter, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
    EXPECT_EQ(magFilter, mipmapped ? GL_LINEAR : GL_NEAREST);
  }

  for (const auto& [target, texture] :
       {std::pair{kSceneTarget, kSceneTexture}, std::pair{kHalftoneTarget, kHalftoneTexture}}) {
    SCOPED_TRACE(target);
    const RenderTarget* made = textures.findRenderTarget(target);
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->attachments.size(), 1u);
    EXPECT_EQ(made->attachments[0].texture, textures.findTexture(texture));
    EXPECT_EQ(made->attachments[0].texture->width, 1280);
    EXPECT_EQ(made->attachments[0].texture->height, 1280);
  }

  ShaderProgram* overlay = context.shaderRegistry.findProgram(kOverlayProgram);
  ASSERT_NE(overlay, nullptr);
  ASSERT_NE(overlay->findUniform("tex"), nullptr);
  EXPECT_GE(overlay->findUniform("tex")->location, 0);
  ShaderProgram* dots = context.shaderRegistry.findProgram(kDotsProgram);
  ASSERT_NE(dots, nullptr);
  for (const ProgramUniformSlot& slot : kDotsUniforms) {
    const ProgramUniform* uniform = dots->findUniform(slot.name);
    ASSERT_NE(uniform, nullptr) << slot.name;
    EXPECT_GE(uniform->location, 0) << slot.name;
  }
  for (const ProgramAttributeSlot& slot : kDotsAttributes) {
    const ProgramAttribute* attribute = dots->findAttribute(slot.name);
    ASSERT_NE(attribute, nullptr) << slot.name;
    EXPECT_GE(attribute->location, 0) << slot.name;
  }
}

TEST_F(BuildUp, TargetsOfA1280DisplayDrawIntoA719HighBandAt280) {
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(build(configurator));
  ASSERT_TRUE(bindRenderTarget("RT_DEFAULT1"));
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glPopAttrib();
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 280);
  EXPECT_EQ(viewport[2], 1280);
  EXPECT_EQ(viewport[3], 719);
}

TEST_F(BuildUp, MissingDotSpriteLeavesAnAllZeroTextureAndOneWarning) {
  writeAllPictures();
  std::filesystem::remove("Data/d.p");
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(build(configurator));
  EXPECT_NE(warnings.find("nightloom: warning:"), std::string::npos);
  EXPECT_NE(warnings.find("Data/d.p"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("\"DOT\""), std::string::npos) << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << warnings;

  Texture* dot = context.textureRegistry.findTexture("DOT");
  ASSERT_NE(dot, nullptr);
  EXPECT_EQ(dot->width, 256);
  EXPECT_EQ(dot->height, 256);
  EXPECT_TRUE(allZero(dot->pixels));
  std::vector<uint8_t> gpu(256 * 256 * 4, 0xAB);
  glBindTexture(GL_TEXTURE_2D, dot->glId);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, gpu.data());
  EXPECT_TRUE(allZero(gpu));
  EXPECT_EQ(configurator.assets->images[rowOf("d.p")].pixels, nullptr);
  // The other pictures are unaffected.
  EXPECT_EQ(context.textureRegistry.findTexture("TITLE")->pixels[0], 10 + rowOf("title.p"));
}

TEST_F(BuildUp, PictureOfTheWrongSizeIsRejectedWithBothSizes) {
  writeAllPictures();
  writeRowPicture(rowOf("square.p"), 256, 256);      // should be 512 x 512
  writeRowPicture(rowOf("overlay1.p"), 1024, 1024);  // larger than its 1024 x 576
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(build(configurator));
  EXPECT_NE(warnings.find("Data/square.p is 256x256, expected 512x512"), std::string::npos)
      << warnings;
  EXPECT_NE(warnings.find("Data/overlay1.p is 1024x1024, expected 1024x576"), std::string::npos)
      << warnings;
  EXPECT_TRUE(allZero(context.textureRegistry.findTexture("SQUARE")->pixels));
  EXPECT_TRUE(allZero(context.textureRegistry.findTexture("OVERLAY1")->pixels));
  // The entry keeps the decoded picture as read.
  EXPECT_EQ(configurator.assets->images[rowOf("square.p")].width, 256);
  EXPECT_NE(configurator.assets->images[rowOf("square.p")].pixels, nullptr);
}

TEST_F(BuildUp, ProgramThatDoesNotLinkStopsTheBuildNamingIt) {
  // A fragment shader registered first under the name "DOTS_VERT" is the one the link finds:
  // two fragment shaders with a main each cannot link.
  context.shaderRegistry.compileShader("DOTS_VERT", GL_FRAGMENT_SHADER, kDotsFragmentSource);
  ActorsConfigurator configurator(&context);
  EXPECT_FALSE(build(configurator));
  EXPECT_NE(configurator.error().find("\"DOTS\""), std::string::npos) << configurator.error();
  EXPECT_TRUE(context.textureRegistry.textures().empty());
}

TEST_F(BuildUp, WithoutMusicNothingIsBuilt) {
  writeAllPictures();
  context.music.output = AudioOutput::Driven;
  ActorsConfigurator configurator(&context);
  EXPECT_FALSE(configurator.configure());
  EXPECT_FALSE(configurator.error().empty());
  EXPECT_EQ(configurator.error(), context.music.error);
  EXPECT_TRUE(context.textureRegistry.textures().empty());
  EXPECT_TRUE(context.shaderRegistry.programs().empty());
}

TEST_F(BuildUp, WithMusicEverythingIsBuilt) {
  writeAllPictures();
  ASSERT_TRUE(writeMp3("Data/music.mp3", stereoSine(440, 0.3, 44100, 44100), 2, 44100));
  context.music.output = AudioOutput::Driven;
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(configurator.configure()) << configurator.error();
  EXPECT_EQ(context.textureRegistry.textures().size(), 10u);
  EXPECT_EQ(context.shaderRegistry.programs().size(), 2u);
}

}  // namespace
