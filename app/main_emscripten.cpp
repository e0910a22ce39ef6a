// Entry of nightloom in a web page. Once the page has put the data files into /Data it calls
// nightloom_launch (the show from its launch panel; the browser then runs its frames, one per
// animation frame) or nightloom_still (one frame, as --still draws it, at once), and hears back
// through Module.onShowEnded, Module.onShowFailed and Module.onStillReady. When the canvas changes
// size the page calls nightloom_resize during the show, and nightloom_still again for a still.
//   [x] the show from the page's launch panel (full screen, music, reduced flashing)
//   [x] a still at any demo time, drawn again at a new canvas size   [x] the canvas resized
//   [x] Escape or the page ends the show   [x] console lines for the music and the dot modes
//   [ ] setup dialog (the page's panel instead)   [ ] --capture, --frames, --bench (no files)
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/scene_params.h"
#include "app/show.h"
#include "app/timeline.h"
#include "assets/data_files.h"
#include "audio/audio_engine.h"
#include "audio/output_sdl.h"
#include "capture/offscreen.h"
#include "gfx/backends.h"
#include "launcher/demo_context.h"

namespace {

// A still steps the show at this rate from 0, as --still does by default.
constexpr int kStillFps = 60;

struct WebRun {
  bool still = false;
  uint32_t stillMs = 0;
  uint64_t frameIndex = 0;
  double startedAt = 0.0;  // emscripten_get_now() at launch
  bool endRequested = false;
  int32_t dotMode = 0;  // last reported
  bool musicReported = false;
  DemoContext context;
  Show show{context};
};

std::unique_ptr<Display> canvas;
std::unique_ptr<WebRun> run;

// The canvas size the page measured last, taken up before the next frame: the page may report
// several sizes between two frames, and the GL work of a new size belongs between frames.
struct CanvasSize {
  int width = 0;
  int height = 0;
  bool pending = false;
};
CanvasSize newCanvasSize;

// The clock is read in the frame loop itself: the browser has no 1 ms timer thread to offer.
class BrowserPlatform final : public FramePlatform {
 public:
  uint32_t ticks() override {
    if (!run->still) return static_cast<uint32_t>(emscripten_get_now() - run->startedAt);
    const uint32_t t = captureFrameTime(run->frameIndex, kStillFps);
    return t < run->stillMs ? t : run->stillMs;
  }
  void pumpEvents(uint8_t keyDown[256], FrameEvents& events) override {
    canvas->pumpEvents(keyDown, events);
  }
  void render(DemoContext& context) override { renderTimeline(context); }
  void present() override { canvas->present(); }
  bool stopRequested() override { return run->endRequested; }
};

BrowserPlatform platform;

const char* endName(LoopEnd end) {
  switch (end) {
    case LoopEnd::TimeUp:
      return "end";
    case LoopEnd::Escape:
    case LoopEnd::Stopped:  // the page ended it, as Escape does
      return "escape";
    default:
      return "quit";
  }
}

// Calls the page's Module[handler](text), when the page has one.
void tellPage(const char* handler, const std::string& text) {
  EM_ASM(
      {
        if (Module[UTF8ToString($0)]) Module[UTF8ToString($0)](UTF8ToString($1));
      },
      handler, text.c_str());
}

void finishShow(LoopEnd end) {
  emscripten_cancel_main_loop();
  run.reset();
  tellPage("onShowEnded", endName(end));
}

// One console line when the music starts and whenever the beats switch the halftone: the page's
// tests watch for them.
void reportProgress() {
  if (run->context.musicStarted && !run->musicReported) {
    run->musicReported = true;
    const AudioEngine* engine = run->context.music.engine.get();
    const bool heard = engine && engine->output() == AudioOutput::Device;
    std::printf("nightloom: the music started at %u ms %s\n",
                static_cast<unsigned>(run->context.ms),
                heard ? "on the sound device" : "without a sound device");
  }
  if (sceneParams.dotMode == run->dotMode) return;
  run->dotMode = sceneParams.dotMode;
  std::printf("nightloom: dot mode %d at %u ms\n", static_cast<int>(run->dotMode),
              static_cast<unsigned>(run->context.ms));
}

// Every frame up to the still's, in this one call, as --still renders them: the canvas shows the
// still when the call returns, so that a screenshot taken right after the page was resized (as
// headless Chromium's --screenshot does) finds it drawn at the new size.
void drawStillFrames() {
  while (run->show.playFrame(platform) == LoopEnd::Running &&
         captureFrameTime(run->frameIndex, kStillFps) < run->stillMs) {
    ++run->frameIndex;
  }
}

// The running show takes the canvas's new size: create() on the living canvas only sets its size,
// then the show fits its letterbox and render targets to it.
void followCanvasSize() {
  if (!newCanvasSize.pending) return;
  newCanvasSize.pending = false;
  DisplayRequest request;
  request.width = newCanvasSize.width;
  request.height = newCanvasSize.height;
  if (canvas->create(request)) run->show.followDisplaySize();
}

void nextFrame() {
  followCanvasSize();
  const LoopEnd end = run->show.playFrame(platform);
  reportProgress();
  if (end != LoopEnd::Running) finishShow(end);
}

// A still is drawn as off screen, its beats from the music on the clock driven by demo time; the
// show from the launch panel plays on the sound device at the screen's pace, with the panel's
// Music and Reduce flashing boxes. The page passes the canvas size in device pixels.
bool startRun(int width, int height, std::optional<uint32_t> stillMs, bool music,
              bool reduceFlashing) {
  if (run) return false;
  newCanvasSize.pending = false;  // the run starts at the size the page gives now
  run = std::make_unique<WebRun>();
  const bool still = stillMs.has_value();
  run->still = still;
  run->stillMs = stillMs.value_or(0);
  DemoContext& context = run->context;
  prepareOffscreenContext(context, width, height);
  context.reduceFlashing = reduceFlashing ? 1 : 0;
  if (!still) {
    context.vsync = 1;
    context.musicEnabled = music ? 1 : 0;
    context.music.output = AudioOutput::Device;
  }
  if (!canvas) canvas = createCanvasDisplay();
  if (!run->show.start(*canvas)) {
    tellPage("onShowFailed", run->show.error());
    std::fprintf(stderr, "nightloom: %s\n", run->show.error().c_str());
    run.reset();
    return false;
  }
  run->startedAt = emscripten_get_now();
  if (!still) emscripten_set_main_loop(nextFrame, 0, 0);
  return true;
}

}  // namespace

extern "C" {

// The show from the launch panel, with reduced flashing when its box is ticked; false when a run is
// going on or the show could not start.
EMSCRIPTEN_KEEPALIVE int nightloom_launch(int width, int height, int fullscreen, int music,
                                          int reduceFlashing) {
  if (!startRun(width, height, std::nullopt, music != 0, reduceFlashing != 0)) return 0;
  run->context.fullscreen = fullscreen ? 1 : 0;  // the page itself put the canvas in full screen
  return 1;
}

// The frame at demo time `ms`, as --still renders it, drawn before the call returns; the page hears
// it through onStillReady. The page asks again when the canvas changes size: a still at a new size
// is drawn from the start, as --still draws it at that size.
EMSCRIPTEN_KEEPALIVE int nightloom_still(int width, int height, int ms) {
  if (ms < 0 || static_cast<uint32_t>(ms) >= kShowEndMs) {
    tellPage("onShowFailed", "a still wants a time from 0 to 75999 ms");
    return 0;
  }
  if (!startRun(width, height, static_cast<uint32_t>(ms), true, false)) return 0;
  drawStillFrames();
  run.reset();
  tellPage("onStillReady", std::to_string(ms));
  return 1;
}

// The canvas's new size in device pixels, taken up by the running show before its next frame.
EMSCRIPTEN_KEEPALIVE void nightloom_resize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  newCanvasSize = {width, height, true};
}

// Ends the running show at its next frame, as Escape does (the page calls it when full screen is
// left, which takes the Escape key away from the page).
EMSCRIPTEN_KEEPALIVE void nightloom_end() {
  if (run) run->endRequested = true;
}
}

int main() {
  chooseDataFolder(dataFolderPlaces(""));
  installSdlAudioDevice();
  return 0;
}
