// The show's life after the setup dialog: bring the display up, build the assets and open the
// music, set up the dot field and the scene tables, run frames, and tear everything down in order.
// The live window and the video capture share it; only their FramePlatform differs.
#pragma once

#include <memory>
#include <string>

#include "app/frame_loop.h"

struct DemoContext;
class Display;
class DemoConfigurator;
class DemoRuntime;

// The settings of a show that no dialog chose and no screen paces (the off-screen runs, the web
// page's stills): width x height with the 16:9 letterbox, music on (it drives the beats) on the
// clock driven by demo time, no vertical sync. Reduced flashing is the caller's to set.
void prepareOffscreenContext(DemoContext& context, int width, int height);

class Show {
 public:
  explicit Show(DemoContext& context);
  ~Show();  // stop() if the show was started
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  // Display, assets and music, runtime. False with error() set (one sentence) when any step fails;
  // what was built is torn down by stop().
  bool start(Display& display);
  // Runs frames until the loop ends.
  LoopEnd play(FramePlatform& platform);
  // Runs one frame, for a platform that hands control back between frames (a browser): the first
  // call after start() is the first frame.
  LoopEnd playFrame(FramePlatform& platform) { return loop.runFrame(context, platform); }
  // The display has changed size between frames (a browser's window resized, turned or put in
  // full screen): the letterbox, the perspective and the render targets follow its drawable, as
  // a show started at that size has them.
  void followDisplaySize();
  // Shutdown: configurator, music, dot layers and GL objects while the context is current, then the
  // display.
  void stop();

  const std::string& error() const { return failure; }

 private:
  bool fail(std::string reason);

  DemoContext& context;
  std::unique_ptr<DemoConfigurator> configurator;
  std::unique_ptr<DemoRuntime> runtime;
  FrameLoop loop;
  std::string failure;
  bool displayUp = false;
};
