// Start-up and shutdown run in a fixed order because GL objects must go while their context is
// current and the display last; stop() undoes whatever part of start() was reached, so a start
// that failed halfway is cleaned up the same way as a show that ran.
#include "app/show.h"

#include "app/scene_params.h"
#include "assets/configurator.h"
#include "audio/music.h"
#include "audio/spectrum.h"
#include "gfx/display.h"
#include "gfx/start_display.h"
#include "launcher/demo_context.h"
#include "scenes/demo_runtime.h"

void prepareOffscreenContext(DemoContext& context, int width, int height) {
  context.width = width;
  context.height = height;
  context.bitsPerPixel = 32;
  context.aspect = kAspect16x9;
  context.musicEnabled = 1;
  context.vsync = 0;
  context.music.output = AudioOutput::Driven;
}

Show::Show(DemoContext& demoContext) : context(demoContext) {}

Show::~Show() { stop(); }

bool Show::fail(std::string reason) {
  failure = std::move(reason);
  return false;
}

bool Show::start(Display& display) {
  // Every run starts from the state a fresh process has, whatever an earlier run in this process
  // left (a web page plays the show again, and draws a still again at a new size): the animation
  // state with its random generator, and the beat detector's history.
  sceneParams = SceneParams{};
  spectrumAnalyzer = SpectrumAnalyzer{};
  configurator = std::make_unique<ActorsConfigurator>(&context);
  context.configurator = configurator.get();
  // Set before the first step, so that stop() undoes whatever part of the start-up was reached.
  displayUp = true;
  std::string displayError;
  if (!startDisplay(context, display, displayError)) return fail(displayError);
  if (!configurator->configure()) return fail(configurator->error());
  runtime = std::make_unique<DemoRuntime>(context);
  if (!runtime->ok()) return fail(runtime->error());
  sceneParams.reduceFlashing = context.reduceFlashing != 0;
  loop.lastTick = 0;  // the first frame's delta counts from demo time 0
  return true;
}

LoopEnd Show::play(FramePlatform& platform) { return loop.run(context, platform); }

void Show::followDisplaySize() {
  if (!displayUp || !context.display) return;
  int width = 0;
  int height = 0;
  context.display->drawableSize(width, height);
  if (width <= 0 || height <= 0) return;
  context.width = width;
  context.height = height;
  fitLetterbox(*context.display);
  context.textureRegistry.resizeRenderTargets(width);
}

void Show::stop() {
  if (!displayUp) return;
  configurator.reset();
  context.configurator = nullptr;
  stopMusic(context.music, context.musicStarted);
  // GL objects go while the context is still current: the dot layers, then both registries.
  runtime.reset();
  context.shaderRegistry.release();
  context.textureRegistry.release();
  stopDisplay(context);
  displayUp = false;
}
