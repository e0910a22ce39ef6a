// Off-screen rendering of the show: the capture platforms, the checks on the output's target, the
// ffmpeg pipe, progress and summary, and the orderly end of a run interrupted from outside.
#include "app/capture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

#include "app/bench.h"
#include "app/interrupt.h"
#include "app/options.h"
#include "app/png_file.h"
#include "app/show.h"
#include "app/video_encoder.h"
#include "assets/data_files.h"
#include "assets/show_data.h"
#include "audio/music.h"
#include "gfx/display.h"
#include "gfx/gl.h"
#include "launcher/demo_context.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// After an interrupt ffmpeg gets this long to end by itself once its input is closed.
constexpr double kInterruptedPatienceSeconds = 3.0;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Progress on stderr: rewritten in place on a terminal, a plain line every few seconds otherwise.
class Progress {
 public:
  explicit Progress(uint64_t totalFrames) : total(totalFrames), terminal(isatty(2)) {}

  void update(uint64_t done) {
    const double elapsed = secondsSince(started);
    if (done < total && elapsed - lastShown < (terminal ? 0.25 : 5.0)) return;
    lastShown = elapsed;
    const double rate = elapsed > 0 ? done / elapsed : 0;
    const double left = rate > 0 ? (total - done) / rate : 0;
    std::fprintf(stderr, "%sframe %llu of %llu, %.1f fps, %.0f s left%s", terminal ? "\r" : "",
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                 rate, left, terminal ? "   " : "\n");
    midLine = terminal && done < total;
    if (terminal && done == total) std::fputc('\n', stderr);
  }
  // Ends a line left open on a terminal, so that a message after it starts on its own line.
  void endLine() {
    if (midLine) std::fputc('\n', stderr);
    midLine = false;
  }
  double elapsed() const { return secondsSince(started); }

 private:
  uint64_t total;
  bool terminal;
  bool midLine = false;
  Clock::time_point started = Clock::now();
  double lastShown = -1e9;
};

// Reads the finished frame from the back buffer as RGB rows, top first.
void readFrame(int width, int height, std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> upsideDown(static_cast<size_t>(width) * height * 3);
  rgb.resize(upsideDown.size());
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, upsideDown.data());
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int row = 0; row < height; ++row) {
    std::memcpy(rgb.data() + row * stride, upsideDown.data() + (height - 1 - row) * stride, stride);
  }
}

// Frame i at floor(i * 1000 / fps); what happens to each presented frame is the subclass's. The
// loop stops before the next frame once the output failed or has all it wants, or an interrupt
// came.
class CapturePlatform : public FramePlatform {
 public:
  CapturePlatform(int frameRate, int w, int h) : fps(frameRate), width(w), height(h) {}
  uint32_t ticks() override { return captureFrameTime(frameIndex, fps); }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void render(DemoContext& context) override { renderShowFrame(context); }
  void present() override {
    if (!failed) failed = !takeFrame();
    ++frameIndex;
  }
  bool stopRequested() override { return failed || finished || interruptCount() > 0; }
  // Frames presented so far.
  uint64_t frames() const { return frameIndex; }

  bool failed = false;
  std::string error;

 protected:
  bool finished = false;  // the output has all it wants
  virtual bool takeFrame() = 0;
  int fps;
  int width;
  int height;
  uint64_t frameIndex = 0;
  std::vector<uint8_t> rgb;
};

class FramesPlatform final : public CapturePlatform {
 public:
  FramesPlatform(int fps, int w, int h, std::string dir, Progress& bar)
      : CapturePlatform(fps, w, h), directory(std::move(dir)), progress(bar) {}
  uint64_t written = 0;

 private:
  bool takeFrame() override {
    readFrame(width, height, rgb);
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05llu.png",
                  static_cast<unsigned long long>(frameIndex));
    if (!writePngFile(directory + "/" + name, rgb.data(), width, height, 3, error)) return false;
    ++written;
    progress.update(frameIndex + 1);
    return true;
  }
  std::string directory;
  Progress& progress;
};

// Renders from 0 up to the still's time, stepping at fps, and keeps only the last frame.
class StillPlatform final : public CapturePlatform {
 public:
  StillPlatform(int fps, int w, int h, uint32_t stillMs, std::string file)
      : CapturePlatform(fps, w, h), target(stillMs), path(std::move(file)) {}
  uint32_t ticks() override {
    const uint32_t t = captureFrameTime(frameIndex, fps);
    return t < target ? t : target;
  }
  // Frames up to and including the still.
  uint64_t frameCount() const {
    uint64_t count = 1;
    while (captureFrameTime(count - 1, fps) < target) ++count;
    return count;
  }
  bool saved = false;

 private:
  bool takeFrame() override {
    if (captureFrameTime(frameIndex, fps) < target) return true;
    readFrame(width, height, rgb);
    saved = writePngFile(path, rgb.data(), width, height, 3, error);
    finished = true;
    return saved;
  }
  uint32_t target;
  std::string path;
};

class VideoPlatform final : public CapturePlatform {
 public:
  VideoPlatform(int fps, int w, int h, VideoEncoder& videoEncoder, Progress& bar)
      : CapturePlatform(fps, w, h), encoder(videoEncoder), progress(bar) {}

 private:
  bool takeFrame() override {
    readFrame(width, height, rgb);
    if (!encoder.send(rgb.data(), rgb.size())) {
      error = "ffmpeg stopped taking frames";
      return false;
    }
    progress.update(frameIndex + 1);
    return true;
  }
  VideoEncoder& encoder;
  Progress& progress;
};

// Checks what can be checked before the first frame; false with `error` set.
bool checkSize(int width, int height, std::string& error) {
  GLint maxTexture = 0;
  GLint maxViewport[2] = {0, 0};
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
  // The render targets are width x width textures.
  if (width > maxTexture || width > maxViewport[0] || height > maxViewport[1]) {
    error = "the size " + std::to_string(width) + "x" + std::to_string(height) +
            " is larger than this driver allows (textures up to " + std::to_string(maxTexture) +
            ", viewport up to " + std::to_string(maxViewport[0]) + "x" +
            std::to_string(maxViewport[1]) + ")";
    return false;
  }
  return true;
}

bool directoryWritable(const std::string& directory, std::string& error) {
  std::error_code ignored;
  fs::create_directories(directory, ignored);
  if (!fs::is_directory(directory, ignored) || access(directory.c_str(), W_OK) != 0) {
    error = "cannot write into " + directory;
    return false;
  }
  return true;
}

std::string parentOf(const std::string& path) {
  const std::string parent = fs::path(path).parent_path().string();
  return parent.empty() ? "." : parent;
}

// Words for what can stand at a path.
struct FileTypeName {
  fs::file_type type;
  const char* words;
};
constexpr FileTypeName kFileTypeNames[] = {
    {fs::file_type::regular, "a regular file"},
    {fs::file_type::directory, "a directory"},
    {fs::file_type::character, "a character device"},
    {fs::file_type::block, "a block device"},
    {fs::file_type::fifo, "a fifo"},
    {fs::file_type::socket, "a socket"},
};

std::string describeFileType(fs::file_type type) {
  for (const FileTypeName& name : kFileTypeNames) {
    if (name.type == type) return name.words;
  }
  return "something that is not a regular file";
}

// What stands at `path`, a link followed to what it leads to (a link to a device is a device).
fs::file_type typeAt(const std::string& path) {
  std::error_code ignored;
  return fs::status(path, ignored).type();
}

bool occupied(fs::file_type type) {
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

// A file output replaces a regular file, as ffmpeg's -y and cp do, but never a device, a
// directory, a fifo or a socket. False with `error` set; `replacing` says a regular file is there.
bool fileTargetAllowed(const std::string& path, bool& replacing, std::string& error) {
  const fs::file_type type = typeAt(path);
  replacing = type == fs::file_type::regular;
  if (!occupied(type) || replacing) return true;
  error = "will not replace " + path + ": it is " + describeFileType(type) + ", not a regular file";
  return false;
}

bool directoryTargetAllowed(const std::string& path, std::string& error) {
  const fs::file_type type = typeAt(path);
  if (!occupied(type) || type == fs::file_type::directory) return true;
  error = "--frames wants a directory, but " + path + " is " + describeFileType(type);
  return false;
}

int fatal(const std::string& message) {
  std::fprintf(stderr, "nightloom: %s\n", message.c_str());
  return 1;
}

struct Session {
  explicit Session(DisplayFactory makeDisplay) : display(makeDisplay()) {}
  DemoContext context;
  std::unique_ptr<Display> display;
  std::unique_ptr<Show> show;
};

// Brings up the headless show; false with `error` set.
bool startSession(Session& session, int width, int height, std::string& error) {
  prepareOffscreenContext(session.context, width, height);
  session.show = std::make_unique<Show>(session.context);
  if (!session.show->start(*session.display)) {
    error = session.show->error();
    return false;
  }
  return checkSize(width, height, error);
}

std::string describeSize(uintmax_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

// Closes ffmpeg's input and waits for it. After an interrupt it gets a few seconds and a second
// interrupt ends it at once; otherwise it takes what it needs unless an interrupt comes.
bool finishEncoder(VideoEncoder& encoder, std::string& error) {
  if (interruptCount() > 0) {
    return encoder.finish(
        kInterruptedPatienceSeconds, [] { return interruptCount() > 1; }, error);
  }
  return encoder.finish(
      std::numeric_limits<double>::infinity(), [] { return interruptCount() > 0; }, error);
}

// Gives the finished partial video its real name; the partial file goes when that fails.
bool publishVideo(const fs::path& partial, const std::string& output, bool& replacing,
                  std::string& error) {
  std::error_code renameError;
  // Looked at again: something else may have been put there while the show rendered.
  if (fileTargetAllowed(output, replacing, error)) {
    fs::rename(partial, output, renameError);
    if (!renameError) return true;
    error = "cannot rename the finished video to " + output + ": " + renameError.message();
  }
  std::error_code ignored;
  fs::remove(partial, ignored);
  return false;
}

int captureVideo(const Options& options, DisplayFactory makeDisplay, int width, int height) {
  if (!programOnPath("ffmpeg")) {
    return fatal(
        "--capture needs the ffmpeg command, which is not on the PATH; install it with "
        "'apt-get install ffmpeg', or use --frames DIR, which needs no ffmpeg");
  }
  if (width % 2 || height % 2) return fatal("H.264 video needs an even width and height");
  std::string error;
  bool replacing = false;
  if (!fileTargetAllowed(options.output, replacing, error) ||
      !directoryWritable(parentOf(options.output), error)) {
    return fatal(error);
  }
  Session session(makeDisplay);
  if (!startSession(session, width, height, error)) return fatal(error);

  // ffmpeg writes a hidden partial file; only a finished video gets the real name.
  const fs::path finalPath(options.output);
  const fs::path partial =
      finalPath.parent_path() / ("." + finalPath.filename().string() + ".partial.mp4");
  VideoEncoder encoder;
  const std::string music = dataFilePath(kMusicFile);
  if (!encoder.start(
          ffmpegCommand(width, height, options.fps, music, captureMusicStartMs(options.fps),
                        options.music, partial.string()),
          error)) {
    return fatal(error);
  }
  const uint64_t total = captureFrameCount(options.fps);
  Progress progress(total);
  VideoPlatform platform(options.fps, width, height, encoder, progress);
  session.show->play(platform);
  session.show->stop();
  std::string encodeError;
  const bool encoded = finishEncoder(encoder, encodeError);
  std::error_code ignored;
  if (interruptCount() > 0) {
    fs::remove(partial, ignored);
    progress.endLine();
    return reportInterrupted(platform.frames(), total, "nothing written");
  }
  if (platform.failed || !encoded) {
    fs::remove(partial, ignored);
    return fatal(platform.failed ? platform.error + (encoded ? "" : "; " + encodeError)
                                 : encodeError);
  }
  if (!publishVideo(partial, options.output, replacing, error)) return fatal(error);
  std::fprintf(stderr, "nightloom: %s %s (%s, %dx%d, %.2f s, %llu frames at %d fps) in %.1f s\n",
               replacing ? "replaced" : "wrote", options.output.c_str(),
               describeSize(fs::file_size(finalPath, ignored)).c_str(), width, height,
               total / static_cast<double>(options.fps), static_cast<unsigned long long>(total),
               options.fps, progress.elapsed());
  return 0;
}

int captureFrames(const Options& options, DisplayFactory makeDisplay, int width, int height) {
  std::string error;
  if (!directoryTargetAllowed(options.output, error) || !directoryWritable(options.output, error)) {
    return fatal(error);
  }
  Session session(makeDisplay);
  if (!startSession(session, width, height, error)) return fatal(error);
  const uint64_t total = captureFrameCount(options.fps);
  Progress progress(total);
  FramesPlatform platform(options.fps, width, height, options.output, progress);
  session.show->play(platform);
  session.show->stop();
  if (interruptCount() > 0) {
    // The frames already written are whole files, so they stay.
    progress.endLine();
    const std::string kept =
        "kept " + std::to_string(platform.written) + " frames in " + options.output;
    return reportInterrupted(platform.frames(), total, platform.written ? kept : "nothing written");
  }
  if (platform.failed) return fatal(platform.error);
  std::fprintf(stderr, "nightloom: wrote %llu frames (%dx%d, %d fps) to %s in %.1f s\n",
               static_cast<unsigned long long>(total), width, height, options.fps,
               options.output.c_str(), progress.elapsed());
  return 0;
}

int captureStill(const Options& options, DisplayFactory makeDisplay, int width, int height) {
  std::string error;
  bool replacing = false;
  if (!fileTargetAllowed(options.output, replacing, error) ||
      !directoryWritable(parentOf(options.output), error)) {
    return fatal(error);
  }
  if (options.stillMs >= kShowEndMs) return fatal("--still wants a time before 76000 ms");
  Session session(makeDisplay);
  if (!startSession(session, width, height, error)) return fatal(error);
  StillPlatform platform(options.fps, width, height, options.stillMs, options.output);
  session.show->play(platform);
  session.show->stop();
  // A still written in full before the interrupt was seen is kept: it is complete.
  if (!platform.saved && interruptCount() > 0) {
    return reportInterrupted(platform.frames(), platform.frameCount(), "nothing written");
  }
  if (!platform.saved) {
    return fatal(platform.error.empty() ? "the still was not reached" : platform.error);
  }
  std::fprintf(stderr, "nightloom: %s %s (%dx%d, demo time %u ms)\n",
               replacing ? "replaced" : "wrote", options.output.c_str(), width, height,
               options.stillMs);
  return 0;
}

}  // namespace

void prepareOffscreenContext(DemoContext& context, int width, int height) {
  context.width = width;
  context.height = height;
  context.bitsPerPixel = 32;
  context.aspect = kAspect16x9;
  context.musicEnabled = 1;
  context.vsync = 0;
  context.music.output = AudioOutput::Driven;
}

uint64_t captureFrameCount(int fps) {
  uint64_t count = 0;
  while (captureFrameTime(count, fps) < kShowEndMs) ++count;
  return count;
}

uint32_t captureMusicStartMs(int fps) {
  uint64_t index = 0;
  while (captureFrameTime(index, fps) <= 3000) ++index;
  return captureFrameTime(index, fps);
}

std::vector<std::string> ffmpegCommand(int width, int height, int fps, const std::string& musicPath,
                                       uint32_t musicDelayMs, bool audible,
                                       const std::string& output) {
  char showSeconds[16];
  std::snprintf(showSeconds, sizeof showSeconds, "%.3f", kShowEndMs / 1000.0);
  const std::string audio = "adelay=" + std::to_string(musicDelayMs) +
                            ":all=1,apad=whole_dur=" + showSeconds + ",atrim=end=" + showSeconds +
                            (audible ? "" : ",volume=0");
  return {"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "rgb24",
          "-s", std::to_string(width) + "x" + std::to_string(height), "-r", std::to_string(fps),
          "-i", "-", "-i", musicPath, "-map", "0:v", "-map", "1:a",
          // adelay writes real silence before the music (an edit list would be ignored by some
          // players); apad and atrim give the sound the show's length whatever the music's, so a
          // short file ends in silence and a long one is cut where the picture ends.
          "-af", audio, "-c:v", "libx264", "-preset", "veryfast", "-crf", "20", "-pix_fmt",
          "yuv420p", "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", output};
}

int reportInterrupted(uint64_t framesDone, uint64_t frameCount, const std::string& outcome) {
  std::fprintf(stderr, "nightloom: interrupted at frame %llu of %llu; %s\n",
               static_cast<unsigned long long>(framesDone),
               static_cast<unsigned long long>(frameCount), outcome.c_str());
  return interruptExitStatus(firstInterrupt());
}

int runOffscreen(const Options& options, DisplayFactory makeDisplay) {
  // Ctrl-C, SIGTERM and SIGHUP from here on stop the run after its current frame.
  const InterruptWatch watch;
  const bool bench = options.mode == RunMode::Bench;
  const int width = options.width ? options.width : (bench ? 1280 : 1920);
  const int height = options.height ? options.height : (bench ? 720 : 1080);
  switch (options.mode) {
    case RunMode::Capture:
      return captureVideo(options, makeDisplay, width, height);
    case RunMode::Frames:
      return captureFrames(options, makeDisplay, width, height);
    case RunMode::Still:
      return captureStill(options, makeDisplay, width, height);
    case RunMode::Bench:
      return runBench(makeDisplay, width, height, options.fps);
    default:
      return 2;
  }
}
