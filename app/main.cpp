// Entry of nightloom on Linux and Windows: the command line, the setup dialog (GTK or Win32), then
// the show in an SDL2 window; or, with --capture, --frames, --still or --bench, the show rendered
// off screen on the headless display (EGL, or a hidden window's framebuffer object).
#include <cstdio>
#include <string>
#include <vector>

#include "app/launch_options.h"
#include "app/millisecond_timer.h"
#include "app/options.h"
#include "app/show.h"
#include "app/timeline.h"
#include "assets/data_files.h"
#include "audio/library_messages.h"
#include "audio/output_sdl.h"
#include "capture/capture.h"
#include "gfx/backends.h"
#include "launcher/demo_context.h"
#include "launcher/display_query.h"
#include "launcher/setup_dialog.h"
#include "platform/system.h"
#include "platform/timer_resolution.h"

namespace {

// Exit status after "Quit", Escape or closing the dialog (a POSIX shell sees 255).
constexpr int kExitDialogCancelled = -1;

// The live show's clock, window and timeline.
class LivePlatform final : public FramePlatform {
 public:
  LivePlatform(Display& liveDisplay, MillisecondTimer& liveTimer)
      : display(liveDisplay), timer(liveTimer) {}
  uint32_t ticks() override { return timer.ticks(); }
  void pumpEvents(uint8_t keyDown[256], FrameEvents& events) override {
    display.pumpEvents(keyDown, events);
  }
  void render(DemoContext& context) override { renderTimeline(context); }
  void present() override { display.present(); }

 private:
  Display& display;
  MillisecondTimer& timer;
};

int playLive(DemoContext& context) {
  std::unique_ptr<Display> display = createSdlDisplay();
  Show show(context);
  if (!show.start(*display)) {
    reportFailure(show.error());
    show.stop();
    return 1;
  }
  const TimerResolution resolution;
  if (resolution.period() == 0) {
    std::fprintf(stderr,
                 "nightloom: warning: the system refuses a 1 ms timer period; demo time may "
                 "advance in coarser steps\n");
  }
  MillisecondTimer timer;
  if (!timer.start()) {
    std::fprintf(stderr,
                 "nightloom: warning: the 1 ms timer thread did not start; demo time reads the "
                 "monotonic clock at each frame instead\n");
  }
  LivePlatform platform(*display, timer);
  show.play(platform);
  timer.stop();
  show.stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  connectConsole();
  std::string error;
  const std::optional<Options> options =
      parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    reportFailure(error);
    return 2;
  }
  if (options->mode == RunMode::Help) {
    std::fputs(usageText(), stdout);
    return 0;
  }
  if (options->mode == RunMode::Version) {
    std::puts("nightloom " NIGHTLOOM_VERSION);
    return 0;
  }
  chooseDataFolder(dataFolderPlaces(executableDirectory()));
  if (options->mode != RunMode::Dialog && options->mode != RunMode::Window) {
    return runOffscreen(*options, createHeadlessDisplay);
  }

  prepareSdlVideo();
  silenceSoundLibraryMessages();
  installSdlAudioDevice();
  DemoContext context;
  const DisplayModeQuery query = sdlDisplayModeQuery();
  context.initDisplayModes(query);
  SetupModel setup(context, query.currentMode ? query.currentMode() : std::nullopt);
  setup.setPreset(setupPresetOf(*options));
  if (options->mode == RunMode::Window) {
    storeLaunchSettings(setup.launchWithoutDialog(), context);
  } else {
    if (!dialogTakesOptions(*options, setup, error)) {
      reportFailure(error);
      return 2;
    }
    if (runSetupDialog(context, setup) != kSetupResultLaunch) return kExitDialogCancelled;
  }
  context.reduceFlashing = options->reduceFlashing ? 1 : 0;
  return playLive(context);
}
