// The capture's frame schedule and its encoder: how many frames a capture has, when its music
// starts, the command ffmpeg gets and where the encoder is looked up.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/offscreen.h"
#include "capture/video_encoder.h"

namespace {

TEST(CaptureSchedule, FramesAndMusicStartFollowTheFrameRate) {
  EXPECT_EQ(captureFrameTime(0, 60), 0u);
  EXPECT_EQ(captureFrameTime(1, 60), 16u);
  EXPECT_EQ(captureFrameTime(3, 60), 50u);
  EXPECT_EQ(captureFrameCount(60), 4560u);
  EXPECT_EQ(captureFrameCount(25), 1900u);
  EXPECT_EQ(captureFrameCount(7), 532u);  // frame 532 would be at 76000 ms
  EXPECT_EQ(captureMusicStartMs(60), 3016u);
  EXPECT_EQ(captureMusicStartMs(25), 3040u);
}

TEST(CaptureSchedule, TheEncoderGetsRawFramesAndTheDelayedMusic) {
  const auto command =
      ffmpegCommand(640, 360, 60, "Data/music.mp3", 3016, EncoderSettings{}, "x.mp4");
  auto has = [&](const std::string& part) {
    return std::find(command.begin(), command.end(), part) != command.end();
  };
  EXPECT_EQ(command.front(), "ffmpeg");
  EXPECT_TRUE(has("640x360"));
  EXPECT_TRUE(has("bgr0"));  // as GL reads the frame, rows bottom first: ffmpeg turns them
  // The sound track lasts the show whatever the music's length: padded with silence, then cut.
  EXPECT_TRUE(has("adelay=3016:all=1,apad=whole_dur=76.000,atrim=end=76.000"));
  EXPECT_FALSE(has("-shortest"));
  EXPECT_TRUE(has("yuv420p"));
  EXPECT_EQ(command.back(), "x.mp4");
}

TEST(CaptureSchedule, TheEncoderIsLookedUpOnThePath) {
  // The system's own shell is on every PATH: sh on POSIX, cmd.exe (found through PATHEXT) on
  // Windows.
  EXPECT_TRUE(programOnPath("sh") || programOnPath("cmd"));
  EXPECT_FALSE(programOnPath("no-such-program-nightloom"));
}

}  // namespace
