// Display bring-up shared by every backend: the backend makes the window and context, this file
// reads the version, runs the loader and sets the letterbox and projection the scenes draw under.
#include "gfx/start_display.h"

#include <cstdio>

#include "base/widescreen.h"
#include "gfx/display.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"

namespace {
constexpr double kFieldOfViewDegrees = static_cast<double>(93.1f);
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 10000.0;
}  // namespace

std::optional<Viewport> letterboxViewport(int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  Viewport viewport;
  if (w / kLetterboxRatio > h) {
    viewport.height = height;
    viewport.width = static_cast<int>(h * kLetterboxRatio);
  } else {
    viewport.width = width;
    viewport.height = static_cast<int>(w / kLetterboxRatio);
  }
  viewport.x = (width - viewport.width) / 2;
  viewport.y = (height - viewport.height) / 2;
  return viewport;
}

bool startDisplay(DemoContext& context, Display& display, std::string& error) {
  // No multisampled window: every scene draws into the single-sampled render targets, so it would
  // smooth nothing but the final full-screen quad. The record says what the window got.
  context.sampleCount = 0;
  context.display = &display;
  DisplayRequest request;
  request.width = context.width;
  request.height = context.height;
  request.fullscreen = context.fullscreen != 0;
  request.bitsPerPixel = context.bitsPerPixel;
  if (!display.create(request)) {
    error = display.error();
    return false;
  }
  // The loader decides on this version, so it is read from the context just made.
  context.glVersion = parseGLVersion(display.glVersionString());
  if (!context.extensions.load(display, context.glVersion)) {
    error = context.extensions.failureReason();
    return false;
  }
  display.show();
  if (!display.setSwapInterval(context.vsync ? 1 : 0) && context.vsync) {
    std::fprintf(stderr,
                 "nightloom: warning: the display refuses vertical sync; frames are not paced\n");
  }

  fitLetterbox(display);
  return true;
}

void fitLetterbox(Display& display) {
  int drawableWidth = 0;
  int drawableHeight = 0;
  display.drawableSize(drawableWidth, drawableHeight);
  // The drawable can differ from the size asked for (a full-screen mode, a high-density screen),
  // so the letterbox is fitted to what the window really has.
  const std::optional<Viewport> viewport = letterboxViewport(drawableWidth, drawableHeight);
  if (!viewport) return;
  glViewport(viewport->x, viewport->y, viewport->width, viewport->height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float ratio = static_cast<float>(viewport->width) / static_cast<float>(viewport->height);
  gluPerspective(kFieldOfViewDegrees, ratio, kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
}

void stopDisplay(DemoContext& context) {
  if (context.display) context.display->destroy();
}
