// One headless display and context shared by all GL tests of a process.
#include "support/headless_gl.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "capture/png_file.h"
#include "gfx/backends.h"
#include "gfx/gl.h"
#include "gfx/start_display.h"
#include "launcher/demo_context.h"

namespace {
struct HeadlessState {
  std::unique_ptr<DemoContext> context;
  std::unique_ptr<Display> display;
  std::string error;
  bool ok = false;
};

int pinDriverLibrary(dl_phdr_info* info, size_t, void*) {
  const std::string name = info->dlpi_name ? info->dlpi_name : "";
  for (const char* part : {"mesa", "dri", "gallium", "LLVM", "glapi"}) {
    if (name.find(part) != std::string::npos) {
      dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
      break;
    }
  }
  return 0;
}

HeadlessState& state(int width, int height) {
  static HeadlessState made = [&] {
    HeadlessState s;
    s.context = std::make_unique<DemoContext>();
    s.display = createHeadlessDisplay();
    s.context->width = width;
    s.context->height = height;
    s.context->aspect = kAspect16x9;
    s.ok = startDisplay(*s.context, *s.display, s.error);
    pinGraphicsDriver();
    return s;
  }();
  return made;
}
}  // namespace

void pinGraphicsDriver() { dl_iterate_phdr(pinDriverLibrary, nullptr); }

DemoContext& headlessGL(int width, int height) {
  HeadlessState& s = state(width, height);
  if (!s.ok) {
    ADD_FAILURE() << "no headless GL context: " << s.error;
    std::fprintf(stderr, "headless GL unavailable: %s\n", s.error.c_str());
    std::abort();
  }
  return *s.context;
}

std::vector<uint8_t> readRGBA(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

void keepTestPicture(const std::string& name, const std::vector<uint8_t>& rgba, int width,
                     int height) {
  const char* folder = std::getenv("NIGHTLOOM_TEST_PICTURES");
  if (folder == nullptr || *folder == '\0') return;
  const size_t stride = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> topFirst(rgba.size());
  for (int row = 0; row < height; ++row) {
    std::copy_n(rgba.begin() + (height - 1 - row) * stride, stride,
                topFirst.begin() + row * stride);
  }
  std::string error;
  if (!writePngFile(std::string(folder) + "/" + name, topFirst.data(), width, height, 4, error)) {
    ADD_FAILURE() << error;
  }
}
