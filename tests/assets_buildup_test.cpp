// The start-up build of every asset on the headless context, from pictures written into a fresh
// Data/: registry contents and order, programs with their uniforms and attributes, the render
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

TEST_F(BuildUp, RegistriesHoldEveryAssetInCreationOrder) {
  writeAllPictures();
  ActorsConfigurator configurator(&context);
  ASSERT_TRUE(build(configurator)) << configurator.error();
  EXPECT_EQ(warnings, "");

  // The two render-target textures, then every picture of the table in its order, at its size,
  // with the grey its file holds (alpha repeating red) and the sampling its filter asks for.
  const auto& textures = context.textureRegistry.textures();
  ASSERT_EQ(textures.size(), 2 + std::size(kPictureFiles));
  EXPECT_EQ(textures[0]->name, "DEFAULT_TARGET1");
  EXPECT_EQ(textures[1]->name, "DEFAULT_TARGET2");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(textures[i]->width, 1280);
    EXPECT_EQ(textures[i]->height, 1280);
    EXPECT_EQ(textures[i]->mipmapMode, kMipmapNone);
    EXPECT_EQ(textures[i]->minFilter, GL_LINEAR);
    EXPECT_EQ(textures[i]->magFilter, GL_LINEAR);
  }
  for (int r = 0; r < 8; ++r) {
    const PictureFile& picture = kPictureFiles[r];
    const Texture& texture = *textures[2 + r];
    SCOPED_TRACE(picture.file);
    EXPECT_EQ(texture.name, picture.texture);
    EXPECT_EQ(texture.width, picture.width);
    EXPECT_EQ(texture.height, picture.height);
    const uint8_t grey = static_cast<uint8_t>(10 + r);
    EXPECT_EQ(texture.pixels.front(), grey);
    EXPECT_EQ(texture.pixels[3], grey);
    EXPECT_EQ(texture.pixels.back(), grey);
    // What GL samples with. Every picture gets its mipmap chain from gluBuild2DMipmaps, which
    // scales a side that is not a power of two (the overlay's 576) to one first.
    glBindTexture(GL_TEXTURE_2D, texture.glId);
    GLint minFilter = 0, magFilter = 0, width = 0, secondLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &secondLevel);
    EXPECT_EQ(width, picture.width);
    EXPECT_EQ(secondLevel, picture.width / 2);
    const bool mipmapped = picture.filter == PictureFilter::Mipmapped;
    EXPECT_EQ(minFilter, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
    EXPECT_EQ(magFilter, mipmapped ? GL_LINEAR : GL_NEAREST);
  }
  glBindTexture(GL_TEXTURE_2D, textures.back()->glId);

  const auto& targets = context.textureRegistry.renderTargets();
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[0]->name, "RT_DEFAULT1");
  EXPECT_EQ(targets[1]->name, "RT_DEFAULT2");
  EXPECT_EQ(targets[0]->attachments.at(0).texture, textures[0].get());
  EXPECT_EQ(targets[1]->attachments.at(0).texture, textures[1].get());
  EXPECT_EQ(targets[0]->aspect, 1.778f);

  const auto& shaders = context.shaderRegistry.shaders();
  ASSERT_EQ(shaders.size(), 4u);
  EXPECT_EQ(shaders[0]->name, "DEFAULT_OVERLAY_VERT");
  EXPECT_EQ(shaders[1]->name, "DEFAULT_OVERLAY_FRAG");
  EXPECT_EQ(shaders[2]->name, "DOTS_VERT");
  EXPECT_EQ(shaders[3]->name, "DOTS_FRAG");
  EXPECT_EQ(shaders[2]->type, static_cast<GLenum>(GL_VERTEX_SHADER));
  EXPECT_EQ(shaders[3]->type, static_cast<GLenum>(GL_FRAGMENT_SHADER));

  const auto& programs = context.shaderRegistry.programs();
  ASSERT_EQ(programs.size(), 2u);
  EXPECT_EQ(programs[0]->name, "OVERLAY");
  EXPECT_EQ(programs[1]->name, "DOTS");
  const ShaderProgram& overlay = *programs[0];
  ASSERT_EQ(overlay.uniforms.size(), 1u);
  EXPECT_EQ(overlay.uniforms[0]->name, "tex");
  EXPECT_EQ(overlay.uniforms[0]->type, kUniformInt);
  EXPECT_GE(overlay.uniforms[0]->location, 0);

  // Every uniform and attribute the dot layers and the dot pass look up, with a location.
  const ShaderProgram& dots = *programs[1];
  ASSERT_EQ(dots.uniforms.size(), std::size(kDotsUniforms));
  for (const auto& uniform : dots.uniforms) {
    EXPECT_EQ(uniform->location, gl::glGetUniformLocation(dots.glId, uniform->name.c_str()));
    EXPECT_GE(uniform->location, 0) << uniform->name;
  }
  ASSERT_EQ(dots.attributes.size(), std::size(kDotsAttributes));
  for (const auto& attribute : dots.attributes) {
    EXPECT_EQ(attribute->location, gl::glGetAttribLocation(dots.glId, attribute->name.c_str()));
    EXPECT_GE(attribute->location, 0) << attribute->name;
  }

  // Left behind: "RT_DEFAULT2" bound, "MESSAGE" on the active unit, no program.
  GLint value = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
  EXPECT_EQ(static_cast<GLuint>(value), targets[1]->framebuffer);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
  EXPECT_EQ(static_cast<GLuint>(value), textures[9]->glId);
  glGetIntegerv(GL_CURRENT_PROGRAM, &value);
  EXPECT_EQ(value, 0);
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
