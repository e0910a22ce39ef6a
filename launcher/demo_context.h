// The one record of the production: the settings chosen in the setup dialog, the display with its
// GL context, the loader state, both asset registries, the music and the demo clock. Every part
// that needs a setting, a handle or the clock reads it from here.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/shader_registry.h"
#include "assets/texture_registry.h"
#include "audio/music.h"
#include "gfx/gl_loader.h"
#include "launcher/display_modes.h"

class Display;
class DemoConfigurator;

// Aspect-ratio codes of the setup dialog and the letterbox.
using AspectCode = int32_t;
inline constexpr AspectCode kAspectNone = 0;
inline constexpr AspectCode kAspect4x3 = 1;
inline constexpr AspectCode kAspect5x4 = 2;
inline constexpr AspectCode kAspect16x9 = 3;
inline constexpr AspectCode kAspect16x10 = 4;

// Virtual-key code of Escape; letters and digits use their upper-case ASCII codes.
inline constexpr int kKeyEscape = 27;

struct DemoContext {
  // Declaration order is destruction order reversed: the music goes first, then the shader and
  // texture registries, then the mode list.
  std::vector<DisplayMode> displayModes;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t fullscreen = 0;
  uint8_t vsync = 0;
  uint32_t bitsPerPixel = 0;
  int32_t sampleCount = 0;
  int32_t maxSampleCount = 0;
  AspectCode aspect = kAspectNone;
  AspectCode desktopAspect = kAspectNone;
  Display* display = nullptr;  // window or headless surface with the GL context; not owned
  uint8_t keyDown[256] = {};
  GLVersion glVersion;
  ExtensionLoader extensions;
  TextureRegistry textureRegistry;
  ShaderRegistry shaderRegistry;
  MusicState music;
  DemoConfigurator* configurator = nullptr;
  uint8_t musicEnabled = 0;
  uint8_t musicStarted = 0;
  uint8_t reduceFlashing = 0;  // the show with reduced flashing (the viewer's choice)
  uint32_t ms = 0;             // demo time: milliseconds since the timer started
  float frameDelta = 0.0f;     // time since the last frame in units of 500 ms (0.002 is 1 ms)

  // Fills displayModes and desktopAspect from a display-mode query (empty query: no modes, aspect
  // 0).
  void initDisplayModes(const DisplayModeQuery& query);
};
