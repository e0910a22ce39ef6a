// What a capture holds, decoded as a player decodes it. The MP4's colours, read with the matrix and
// range that its own tags name: colour bars straight through the capture's encoder command, and the
// show's saturated frames (the three-colour halftone, the ring's dots) against the --frames
// pictures of the same instants. The .mkv master against the --frames bytes and the music's
// samples. The quality option and a 2160p capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/offscreen.h"
#include "capture/video_encoder.h"
#include "support/nightloom_run.h"

namespace {

namespace fs = std::filesystem;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Frames of RGB bytes, rows top first.
struct RgbFrames {
  int width = 0;
  int height = 0;
  std::string bytes;

  size_t frameBytes() const { return static_cast<size_t>(width) * height * 3; }
  size_t count() const { return frameBytes() ? bytes.size() / frameBytes() : 0; }
  const uint8_t* frame(size_t i) const {
    return reinterpret_cast<const uint8_t*>(bytes.data()) + i * frameBytes();
  }
};

// A property of the first video stream as ffprobe names it ("bt709", "tv", "unknown").
std::string videoProperty(const fs::path& video, const std::string& name) {
  std::string value =
      commandOutput("ffprobe -v error -select_streams v:0 -show_entries stream=" + name +
                    " -of csv=p=0 " + quoted(video));
  while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
  return value;
}

// Decoded as players decode it: with the matrix and range its tags name, and untagged video as
// BT.709 in limited range, which is how players, browsers and video sites take HD video.
RgbFrames decodeAsPlayersDo(const fs::path& video, int width, int height) {
  std::string matrix = videoProperty(video, "color_space");
  std::string range = videoProperty(video, "color_range");
  if (matrix.empty() || matrix == "unknown") matrix = "bt709";
  if (range != "pc") range = "tv";
  return {width, height,
          commandOutput("ffmpeg -nostdin -v error -i " + quoted(video) +
                        " -vf scale=in_color_matrix=" + matrix + ":in_range=" + range +
                        " -f rawvideo -pix_fmt rgb24 -")};
}

RgbFrames decodePngFrames(const fs::path& folder, int width, int height) {
  return {width, height,
          commandOutput("ffmpeg -nostdin -v error -i " + quoted(folder / "frame_%05d.png") +
                        " -f rawvideo -pix_fmt rgb24 -")};
}

// The mean of each channel over the (2r+1)-square around every pixel, cut at the picture's edges:
// wide enough that 4:2:0 chroma, which is shared by two by two pixels, and the encoder's noise
// average out.
std::vector<float> boxBlur(const uint8_t* rgb, int width, int height, int r) {
  // Sums over the rectangle from (0, 0) to (x, y), exclusive, per channel.
  const size_t stride = static_cast<size_t>(width) + 1;
  std::vector<double> sums(stride * (height + 1) * 3, 0.0);
  auto at = [&](int x, int y, int c) -> double& { return sums[(y * stride + x) * 3 + c]; };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        at(x + 1, y + 1, c) = rgb[(static_cast<size_t>(y) * width + x) * 3 + c] + at(x, y + 1, c) +
                              at(x + 1, y, c) - at(x, y, c);
      }
    }
  }
  std::vector<float> out(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const int y0 = std::max(0, y - r), y1 = std::min(height, y + r + 1);
    for (int x = 0; x < width; ++x) {
      const int x0 = std::max(0, x - r), x1 = std::min(width, x + r + 1);
      const double area = static_cast<double>(x1 - x0) * (y1 - y0);
      for (int c = 0; c < 3; ++c) {
        const double sum = at(x1, y1, c) - at(x0, y1, c) - at(x1, y0, c) + at(x0, y0, c);
        out[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<float>(sum / area);
      }
    }
  }
  return out;
}

// How far a decoded video's colours lie from the pictures they were made from, per channel, over
// the saturated areas of the pictures (blurred, a channel apart from another by at least half the
// scale: the three-colour halftone's and the ring's colours, not the greys).
struct SaturatedError {
  std::array<double, 3> sum{};
  size_t pixels = 0;

  void add(const uint8_t* reference, const uint8_t* decoded, int width, int height) {
    constexpr int kBlurRadius = 4;
    const std::vector<float> want = boxBlur(reference, width, height, kBlurRadius);
    const std::vector<float> got = boxBlur(decoded, width, height, kBlurRadius);
    for (size_t p = 0; p < want.size(); p += 3) {
      const float high = std::max({want[p], want[p + 1], want[p + 2]});
      const float low = std::min({want[p], want[p + 1], want[p + 2]});
      if (high - low < 128.0f) continue;
      for (int c = 0; c < 3; ++c) sum[c] += std::fabs(want[p + c] - got[p + c]);
      ++pixels;
    }
  }
  double mean(int channel) const { return pixels ? sum[channel] / pixels : 0.0; }
};

// The captured video and the --frames pictures of one show, at one size and rate.
struct ShowCapture {
  Sandbox sandbox;
  fs::path errors = sandbox.root / "stderr.txt";
  std::string summary;  // the capture's last line

  // Runs nightloom with `arguments`; false (a test failure added) when it did not succeed.
  bool run(const std::vector<std::string>& arguments) {
    Nightloom nightloom(arguments, sandbox.folder("work"), errors);
    const Ended ended = nightloom.wait();
    summary = nightloom.lastLine();
    EXPECT_TRUE(ended.exited && ended.status == 0) << nightloom.stderrText();
    return ended.exited && ended.status == 0;
  }
  bool capture(const fs::path& video, const std::string& size, int fps,
               std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--capture", video.string(), "--size",
                                          size,        "--fps",        std::to_string(fps)};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return run(arguments);
  }
  bool frames(const fs::path& folder, const std::string& size, int fps) {
    return run({"--frames", folder.string(), "--size", size, "--fps", std::to_string(fps)});
  }
};

TEST(CaptureColours, ColourBarsThroughTheEncoderComeBackAsTheyWent) {
  constexpr int kWidth = 1920, kHeight = 1080, kFps = 30;
  // White, yellow, cyan, green, magenta, red, blue, black; sent as the capture sends frames, BGRA.
  constexpr uint8_t kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                   {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* pixel = &frame[(static_cast<size_t>(y) * kWidth + x) * 4];
      const uint8_t* bar = kBars[x * 8 / kWidth];
      pixel[0] = bar[2];
      pixel[1] = bar[1];
      pixel[2] = bar[0];
      pixel[3] = 255;
    }
  }
  Sandbox sandbox;
  const fs::path video = sandbox.root / "bars.mp4";
  VideoEncoder encoder;
  std::string error;
  ASSERT_TRUE(
      encoder.start(ffmpegCommand(kWidth, kHeight, kFps, (builtDataFolder() / "music.mp3").string(),
                                  captureMusicStartMs(kFps), EncoderSettings{}, video.string()),
                    error))
      << error;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(encoder.send(frame.data(), frame.size()));
  ASSERT_TRUE(encoder.finish(
      120.0, [] { return false; }, error))
      << error;

  EXPECT_EQ(videoProperty(video, "color_space"), "bt709");
  EXPECT_EQ(videoProperty(video, "color_primaries"), "bt709");
  EXPECT_EQ(videoProperty(video, "color_transfer"), "bt709");
  EXPECT_EQ(videoProperty(video, "color_range"), "tv");
  const RgbFrames decoded = decodeAsPlayersDo(video, kWidth, kHeight);
  ASSERT_EQ(decoded.count(), 3u);
  // The middle half of each bar, rows and columns, in the last frame.
  const uint8_t* last = decoded.frame(2);
  for (int bar = 0; bar < 8; ++bar) {
    std::array<double, 3> sum{};
    size_t pixels = 0;
    for (int y = kHeight / 4; y < kHeight * 3 / 4; ++y) {
      for (int x = (bar * 4 + 1) * kWidth / 32; x < (bar * 4 + 3) * kWidth / 32; ++x) {
        for (int c = 0; c < 3; ++c) sum[c] += last[(static_cast<size_t>(y) * kWidth + x) * 3 + c];
        ++pixels;
      }
    }
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(sum[c] / pixels, kBars[bar][c], 3.0) << "bar " << bar << ", channel " << c;
    }
  }
}

TEST(CaptureColours, TheShowsSaturatedColoursComeBackWithinThreeLevels) {
  constexpr int kWidth = 640, kHeight = 360, kFps = 1;
  ShowCapture show;
  const fs::path video = show.sandbox.root / "show.mp4";
  const fs::path frames = show.sandbox.root / "frames";
  ASSERT_TRUE(show.capture(video, "640x360", kFps));
  EXPECT_NE(show.summary.find("H.264 yuv420p crf 20, BT.709 limited range; AAC"), std::string::npos)
      << show.summary;
  ASSERT_TRUE(show.frames(frames, "640x360", kFps));

  const RgbFrames decoded = decodeAsPlayersDo(video, kWidth, kHeight);
  const RgbFrames pictures = decodePngFrames(frames, kWidth, kHeight);
  ASSERT_EQ(decoded.count(), captureFrameCount(kFps));
  ASSERT_EQ(pictures.count(), decoded.count());
  SaturatedError error;
  for (size_t i = 0; i < pictures.count(); ++i) {
    error.add(pictures.frame(i), decoded.frame(i), kWidth, kHeight);
  }
  // The halftone in three colours and the ring's dots give some thousands of such pixels.
  ASSERT_GT(error.pixels, 10000u);
  for (int c = 0; c < 3; ++c) {
    EXPECT_LE(error.mean(c), 3.0) << "channel " << c << " over " << error.pixels << " pixels";
  }
}

TEST(CaptureMaster, TheMkvHoldsTheFramesAndTheMusicExactly) {
  constexpr int kFps = 5;
  ShowCapture show;
  const fs::path master = show.sandbox.root / "show.mkv";
  const fs::path frames = show.sandbox.root / "frames";
  ASSERT_TRUE(show.capture(master, "320x180", kFps));
  EXPECT_NE(show.summary.find("FFV1 lossless RGB"), std::string::npos) << show.summary;
  ASSERT_TRUE(show.frames(frames, "320x180", kFps));

  const std::string decoded = commandOutput("ffmpeg -nostdin -v error -i " + quoted(master) +
                                            " -map 0:v -f rawvideo -pix_fmt rgb24 -");
  const RgbFrames pictures = decodePngFrames(frames, 320, 180);
  ASSERT_EQ(pictures.count(), captureFrameCount(kFps));
  EXPECT_TRUE(decoded == pictures.bytes) << "the master's frames differ from --frames'";

  // The sound track is the music through the sound filter the MP4's AAC encoder gets, sample for
  // sample, and it is not silence.
  const std::string sound =
      commandOutput("ffmpeg -nostdin -v error -i " + quoted(master) + " -map 0:a -f f32le -");
  const std::string fed =
      commandOutput("ffmpeg -nostdin -v error -i " + quoted(builtDataFolder() / "music.mp3") +
                    " -af " + musicFilter(captureMusicStartMs(kFps), true) + " -f f32le -");
  ASSERT_EQ(sound.size(), fed.size());
  EXPECT_TRUE(sound == fed) << "the master's sound differs from the samples AAC is fed";
  std::vector<float> samples(sound.size() / sizeof(float));
  std::memcpy(samples.data(), sound.data(), samples.size() * sizeof(float));
  EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 0.1f);
}

TEST(CaptureFormats, AnUnknownExtensionIsRefusedNamingTheTwo) {
  ShowCapture show;
  const fs::path video = show.sandbox.root / "show.avi";
  Nightloom nightloom({"--capture", video.string()}, show.sandbox.folder("work"), show.errors);
  const Ended ended = nightloom.wait();
  EXPECT_TRUE(ended.exited && ended.status == 1) << nightloom.stderrText();
  EXPECT_EQ(nightloom.lastLine(), "nightloom: " + unknownVideoFormatMessage(video.string()));
  EXPECT_FALSE(fs::exists(video));
}

TEST(CaptureQuality, A2160pCaptureAtTheQualityAskedFor) {
  ShowCapture show;
  const fs::path video = show.sandbox.root / "show.mp4";
  ASSERT_TRUE(show.capture(video, "3840x2160", 1, {"--crf", "30"}));
  EXPECT_NE(show.summary.find("crf 30"), std::string::npos) << show.summary;
  const std::string streams = commandOutput(
      "ffprobe -v error -show_entries stream=codec_name,profile,width,height,pix_fmt -of csv=p=0 " +
      quoted(video));
  EXPECT_EQ(streams, "h264,High,3840,2160,yuv420p\naac,LC\n");
  // x264 writes its settings into the stream; the index comes first (+faststart).
  const std::string bytes = readFile(video);
  EXPECT_NE(bytes.find("crf=30.0"), std::string::npos);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

}  // namespace
