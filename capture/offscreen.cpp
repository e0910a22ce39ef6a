// The size a run asks for is checked against the driver once the display is up, as only a current
// context can say its limits; the frame schedule is whole-number arithmetic, so every run at the
// same rate steps through the same demo times.
#include "capture/offscreen.h"

#include <cstdio>
#include <cstring>

#include "app/frame_loop.h"
#include "app/show.h"
#include "audio/music.h"
#include "gfx/display.h"
#include "gfx/gl.h"
#include "platform/interrupt.h"

namespace {

// The render targets are width x width textures, so the width must fit a texture as well as the
// viewport; a driver would otherwise draw into a target cut short without a word.
bool checkSize(int width, int height, std::string& error) {
  GLint maxTexture = 0;
  GLint maxViewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
  if (width > maxTexture || width > maxViewport[0] || height > maxViewport[1]) {
    error = "the size " + std::to_string(width) + "x" + std::to_string(height) +
            " is larger than this driver allows (textures up to " + std::to_string(maxTexture) +
            ", viewport up to " + std::to_string(maxViewport[0]) + "x" +
            std::to_string(maxViewport[1]) + ")";
    return false;
  }
  return true;
}

}  // namespace

OffscreenShow::OffscreenShow(DisplayFactory makeDisplay) : display(makeDisplay()) {}

OffscreenShow::~OffscreenShow() = default;

bool OffscreenShow::start(int width, int height, std::string& error) {
  prepareOffscreenContext(context, width, height);
  show = std::make_unique<Show>(context);
  if (!show->start(*display)) {
    error = show->error();
    return false;
  }
  return checkSize(width, height, error);
}

// GL reads rows bottom-up.
void readFrame(int width, int height, std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> upsideDown(static_cast<size_t>(width) * height * 3);
  rgb.resize(upsideDown.size());
  glReadBuffer(gl::frameTarget.colourBuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, upsideDown.data());
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    std::memcpy(rgb.data() + row * stride, upsideDown.data() + (height - 1 - row) * stride, stride);
  }
}

void readFrameAsRead(int width, int height, uint8_t* bgra) {
  glReadBuffer(gl::frameTarget.colourBuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
}

uint64_t captureFrameCount(int fps) {
  uint64_t count = 0;
  while (captureFrameTime(count, fps) < kShowEndMs) ++count;
  return count;
}

uint32_t captureMusicStartMs(int fps) {
  uint64_t index = 0;
  while (captureFrameTime(index, fps) <= kMusicStartMs) ++index;
  return captureFrameTime(index, fps);
}

int reportInterrupted(uint64_t framesDone, uint64_t frameCount, const std::string& outcome) {
  std::fprintf(stderr, "nightloom: interrupted at frame %llu of %llu; %s\n",
               static_cast<unsigned long long>(framesDone),
               static_cast<unsigned long long>(frameCount), outcome.c_str());
  return interruptExitStatus(firstInterrupt());
}
