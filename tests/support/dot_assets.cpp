// Pictures and a built dot field for the build-up, dot-field and timeline tests.
#include "support/dot_assets.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/scene_params.h"
#include "assets/configurator.h"
#include "assets/packed_image.h"
#include "assets/texture_registry.h"
#include "dots/dot_field.h"
#include "gfx/gl.h"
#include "gfx/ortho_view.h"
#include "launcher/demo_context.h"
#include "scenes/demo_runtime.h"
#include "support/headless_gl.h"

namespace {
// Removes the directories made for pictures when the process ends.
struct TempDirs {
  std::vector<std::string> made;
  ~TempDirs() {
    std::error_code ignored;
    for (const std::string& dir : made) std::filesystem::remove_all(dir, ignored);
  }
};
TempDirs tempDirs;
}  // namespace

std::string enterTempDataDir(const char* tag) {
  char pattern[256];
  std::snprintf(pattern, sizeof pattern, "%s/nightloom_%s_XXXXXX",
                std::filesystem::temp_directory_path().c_str(), tag);
  const char* made = mkdtemp(pattern);
  if (made == nullptr) return {};
  std::filesystem::create_directories(std::filesystem::path(made) / "Data");
  std::filesystem::current_path(made);
  tempDirs.made.push_back(made);
  return made;
}

bool writeGreyPicture(const std::string& file, const std::vector<uint8_t>& indices, int width,
                      int height) {
  uint8_t palette[768];
  for (int i = 0; i < 256; ++i) palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = i;
  const std::vector<uint8_t> bytes = encodePackedImage(indices.data(), width, height, palette);
  FILE* out = std::fopen(("Data/" + file).c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

std::vector<uint8_t> discSprite(int size) {
  std::vector<uint8_t> indices(static_cast<size_t>(size) * size);
  const float radius = size * 0.5f;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float d = std::hypot(x + 0.5f - radius, y + 0.5f - radius);
      const float cover = std::fmin(1.0f, std::fmax(0.0f, radius - d));
      indices[static_cast<size_t>(y) * size + x] = static_cast<uint8_t>(cover * 255.0f);
    }
  }
  return indices;
}

DemoContext& dotFieldContext(int width, int height) {
  static DemoContext* built = [&] {
    DemoContext& context = headlessGL(width, height);
    enterTempDataDir("dots");
    writeGreyPicture("d.p", discSprite(256), 256, 256);
    static auto configurator = std::make_unique<ActorsConfigurator>(&context);
    if (!configurator->buildGraphicsAssets()) {
      ADD_FAILURE() << configurator->error();
    }
    static auto runtime = std::make_unique<DemoRuntime>(context);
    if (!runtime->ok()) ADD_FAILURE() << runtime->error();
    return &context;
  }();
  return *built;
}

void paintPicture(void (*draw)()) {
  bindRenderTarget("RT_DEFAULT1");
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  pushOrthoView();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  draw();
  popOrthoView();
  glPopAttrib();
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

std::vector<uint8_t> halftone(int mode, float phase, float scale, int& width, int& height) {
  sceneParams.dotMode = mode;
  sceneParams.dotPhase = phase;
  sceneParams.dotScale = scale;
  bindRenderTarget("RT_DEFAULT2");
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  drawDotField(1.0f, {1, 1, 1, 1});
  width = viewport[2];
  height = viewport[3];
  std::vector<uint8_t> pixels = readRGBA(viewport[0], viewport[1], width, height);
  glPopAttrib();
  gl::glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  return pixels;
}
