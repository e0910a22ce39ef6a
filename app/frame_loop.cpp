// The steps of a frame never change order (clock, music, events, picture, fades, present), and the
// show's end (time up, Escape, the window closed) is decided after the frame is drawn, so that the
// live show, the captures and the tests draw the same frames for the same demo times.
#include "app/frame_loop.h"

#include "app/fades.h"
#include "audio/music.h"
#include "gfx/frame_passes.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"

namespace {
// frameDelta is in units of 500 ms; two frames in the same millisecond count as 1 ms apart.
constexpr float kOneMillisecondDelta = 0.002f;
}  // namespace

LoopEnd FrameLoop::runFrame(DemoContext& context, FramePlatform& platform) {
  if (platform.stopRequested()) return LoopEnd::Stopped;
  const uint32_t now = platform.ticks();
  const uint32_t delta = now - lastTick;
  lastTick = now;
  context.ms = platform.ticks();
  context.frameDelta = static_cast<float>(delta) / 500.0f;
  if (context.frameDelta < 0.000001f) context.frameDelta = kOneMillisecondDelta;

  startMusicIfDue(context.music, context.musicStarted, context.musicEnabled != 0, context.ms);

  FrameEvents events;
  platform.pumpEvents(context.keyDown, events);

  const uint32_t frameMs = context.ms;
  platform.render(context);
  markPass(FramePass::Fades);
  drawFadePass(frameMs);
  gl::bindFrameTarget();

  if (frameMs >= kShowEndMs) return LoopEnd::TimeUp;
  if (context.keyDown[kKeyEscape]) return LoopEnd::Escape;
  platform.present();
  return events.quit ? LoopEnd::Quit : LoopEnd::Running;
}

LoopEnd FrameLoop::run(DemoContext& context, FramePlatform& platform) {
  LoopEnd end = LoopEnd::Running;
  while (end == LoopEnd::Running) end = runFrame(context, platform);
  return end;
}
