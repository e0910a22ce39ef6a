// The encoder's side of the ffmpeg process: the command line, finding the program and naming its
// log, waiting for it to finish, and reading the log's last words.
#include "capture/video_encoder.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>

#include "app/frame_loop.h"

namespace {
// How long one wait for the encoder lasts before the caller's giveUp is asked again.
constexpr int kPollMs = 10;
}  // namespace

VideoEncoder::~VideoEncoder() { kill(); }

bool VideoEncoder::start(const std::vector<std::string>& command, std::string& error) {
  const std::string& program = command.front();
  const std::optional<std::string> path = findProgram(program);
  if (!path) {
    error = "cannot find " + program + " on the PATH";
    return false;
  }
  std::error_code noTemp;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(noTemp);
  log = ((noTemp ? std::filesystem::path(".") : temp) /
         ("nightloom-" + program + "-" + std::to_string(currentProcessId()) + ".log"))
            .string();
  if (process.start(*path, command, log, error)) return true;
  std::remove(log.c_str());
  return false;
}

bool VideoEncoder::finish(double patienceSeconds, const std::function<bool()>& giveUp,
                          std::string& error) {
  if (!process.running()) {
    error = "ffmpeg is not running";
    return false;
  }
  process.closeInput();
  const auto started = std::chrono::steady_clock::now();
  std::optional<int> status;
  while (!(status = process.waitForExit(kPollMs))) {
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - started;
    if (giveUp() || waited.count() >= patienceSeconds) {
      kill();
      error = "ffmpeg did not finish and was stopped";
      return false;
    }
  }
  const bool ok = *status == 0;
  if (!ok) error = "ffmpeg failed; its last words: " + logTail();
  std::remove(log.c_str());
  return ok;
}

void VideoEncoder::kill() {
  if (!process.running()) return;
  process.kill();
  std::remove(log.c_str());
}

namespace {

struct FormatRow {
  VideoFormat format;
  const char* extension;
  const char* muxer;
};
constexpr FormatRow kFormats[] = {
    {VideoFormat::Mp4, ".mp4", "mp4"},
    {VideoFormat::Master, ".mkv", "matroska"},
};

const FormatRow& rowOf(VideoFormat format) {
  for (const FormatRow& row : kFormats) {
    if (row.format == format) return row;
  }
  return kFormats[0];
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void append(std::vector<std::string>& command, std::initializer_list<const char*> words) {
  command.insert(command.end(), words.begin(), words.end());
}

// Players, browsers and video sites read untagged HD video as BT.709, and most of them ignore the
// tags anyway: so the frames are converted with the BT.709 matrix into limited range (ffmpeg's
// own default would be BT.601, untagged), and every tag is written in the container and in the
// H.264 stream alike. +faststart puts the index first, so that a browser plays before the whole
// file has arrived.
void appendMp4Streams(std::vector<std::string>& command, int crf) {
  append(command, {"-vf", "vflip,scale=out_color_matrix=bt709:out_range=tv,format=yuv420p"});
  append(command, {"-c:v", "libx264", "-preset", "veryfast", "-crf"});
  command.push_back(std::to_string(crf));
  append(command, {"-pix_fmt", "yuv420p", "-color_primaries", "bt709", "-color_trc", "bt709"});
  append(command, {"-colorspace", "bt709", "-color_range", "tv"});
  append(command, {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"});
}

// FFV1 keeps the RGB frames exactly, each frame on its own (so any frame can be cut out), in
// slices with checksums, tagged as the sRGB the show draws; the sound is 32-bit float PCM, the
// very samples that the MP4's AAC encoder is given.
void appendMasterStreams(std::vector<std::string>& command) {
  append(command, {"-vf", "vflip", "-c:v", "ffv1", "-level", "3", "-g", "1"});
  append(command, {"-slices", "24", "-slicecrc", "1", "-pix_fmt", "gbrp"});
  append(command, {"-color_primaries", "bt709", "-color_trc", "iec61966-2-1"});
  append(command, {"-colorspace", "rgb", "-color_range", "pc", "-c:a", "pcm_f32le"});
}

}  // namespace

std::optional<VideoFormat> videoFormatFor(const std::string& path) {
  const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
  for (const FormatRow& row : kFormats) {
    if (extension == row.extension) return row.format;
  }
  return std::nullopt;
}

std::string unknownVideoFormatMessage(const std::string& path) {
  return "--capture writes FILE.mp4 (H.264 and AAC, to publish) or FILE.mkv (a lossless master), "
         "not " +
         path;
}

const char* videoFormatExtension(VideoFormat format) { return rowOf(format).extension; }

std::string describeStreams(const EncoderSettings& settings) {
  if (settings.format == VideoFormat::Master) {
    return "FFV1 lossless RGB, sRGB full range; 32-bit float PCM";
  }
  return "H.264 yuv420p crf " + std::to_string(settings.crf) +
         ", BT.709 limited range; AAC 192 kb/s";
}

std::string musicFilter(uint32_t musicDelayMs, bool audible) {
  char showSeconds[16];
  std::snprintf(showSeconds, sizeof showSeconds, "%.3f", kShowEndMs / 1000.0);
  // adelay writes real silence before the music (an edit list would be ignored by some players);
  // apad and atrim give the sound the show's length whatever the music's, so a short file ends in
  // silence and a long one is cut where the picture ends.
  return "adelay=" + std::to_string(musicDelayMs) + ":all=1,apad=whole_dur=" + showSeconds +
         ",atrim=end=" + showSeconds + (audible ? "" : ",volume=0");
}

// The frames come as GL reads them, BGRA rows from the bottom (a copy in memory where the renderer
// draws on the processor, where RGB would be converted pixel by pixel); vflip only turns ffmpeg's
// row pointers round.
std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, const EncoderSettings& settings,
                                       const std::string& output) {
  std::vector<std::string> command = {"ffmpeg",
                                      "-nostdin",
                                      "-y",
                                      "-loglevel",
                                      "error",
                                      "-f",
                                      "rawvideo",
                                      "-pix_fmt",
                                      "bgr0",
                                      "-s",
                                      std::to_string(width) + "x" + std::to_string(height),
                                      "-r",
                                      std::to_string(fps),
                                      "-i",
                                      "-",
                                      "-i",
                                      musicPath,
                                      "-map",
                                      "0:v",
                                      "-map",
                                      "1:a",
                                      "-af",
                                      musicFilter(musicDelayMs, settings.audible)};
  if (settings.format == VideoFormat::Master) {
    appendMasterStreams(command);
  } else {
    appendMp4Streams(command, settings.crf);
  }
  command.insert(command.end(), {"-f", rowOf(settings.format).muxer, output});
  return command;
}

std::string VideoEncoder::logTail() const {
  FILE* file = std::fopen(log.c_str(), "rb");
  if (!file) return "(no log)";
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const size_t cut = text.rfind('\n');
  return cut == std::string::npos ? text : text.substr(cut + 1);
}
