// One headless display and context shared by all GL tests of a process.
#include "support/headless_gl.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <png.h>

#include <cstdio>
#include <memory>

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

// Mesa unloads its driver at exit, after which LeakSanitizer can only name its caches "unknown
// module" and no suppression matches them. Pinning the driver's libraries keeps their names.
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
    dl_iterate_phdr(pinDriverLibrary, nullptr);
    return s;
  }();
  return made;
}
}  // namespace

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

bool writePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int row = height - 1; row >= 0; --row) {
    png_write_row(png, rgba.data() + static_cast<size_t>(row) * width * 4);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}
