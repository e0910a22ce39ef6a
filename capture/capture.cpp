// Off-screen rendering of the show to files: one capture loop for the three outputs (video,
// numbered frames, one still), each of which says only what it checks before the show starts,
// what it does with a presented frame and how it ends; the checks on an output's target, progress,
// and the orderly end of a run interrupted from outside.
#include "capture/capture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "app/frame_loop.h"
#include "app/options.h"
#include "app/show.h"
#include "app/timeline.h"
#include "assets/data_files.h"
#include "assets/show_data.h"
#include "capture/bench.h"
#include "capture/frame_feed.h"
#include "capture/png_file.h"
#include "capture/video_encoder.h"
#include "gfx/gl.h"
#include "platform/interrupt.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// After an interrupt ffmpeg gets this long to end by itself once its input is closed.
constexpr double kInterruptedPatienceSeconds = 3.0;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Progress on stderr: rewritten in place on a terminal, a plain line every few seconds otherwise
// (a log file gets no carriage returns and not hundreds of lines).
class Progress {
 public:
  explicit Progress(uint64_t totalFrames) : total(totalFrames), terminal(stderrIsTerminal()) {}

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

 private:
  uint64_t total;
  bool terminal;
  bool midLine = false;
  Clock::time_point started = Clock::now();
  double lastShown = -1e9;
};

bool directoryWritable(const std::string& directory, std::string& error) {
  std::error_code ignored;
  fs::create_directories(directory, ignored);
  if (!fs::is_directory(directory, ignored) || !canWriteInto(directory)) {
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

// A file output also needs a folder it can write its file into.
bool fileOutputAllowed(const std::string& path, bool& replacing, std::string& error) {
  return fileTargetAllowed(path, replacing, error) && directoryWritable(parentOf(path), error);
}

int fatal(const std::string& message) {
  reportFailure(message);
  return 1;
}

std::string describeSize(uintmax_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

// One capture output, driven by runCapture. Frame i is presented at floor(i * 1000 / fps); the
// loop stops before the next frame once the output failed or has all it wants, or an interrupt
// came. Only what differs between the outputs is virtual.
class CaptureOutput : public FramePlatform {
 public:
  CaptureOutput(const Options& options, int w, int h)
      : reduceFlashing(options.reduceFlashing),
        fps(options.fps),
        width(w),
        height(h),
        path(options.output) {}

  const bool reduceFlashing;  // for the show the capture starts

  uint32_t ticks() override { return captureFrameTime(frameIndex, fps); }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  void render(DemoContext& context) override { renderTimeline(context); }
  void present() override {
    if (!failed) failed = !takeFrame();
    ++frameIndex;
    if (!failed && progress) progress->update(frameIndex);
  }
  bool stopRequested() override { return failed || finished || interruptCount() > 0; }

  // Before the show starts: false with `error` set when the output cannot go where it is asked to.
  virtual bool checkTarget(std::string& error) = 0;
  // Once the show is up, before its first frame.
  virtual bool begin(std::string&) { return true; }
  // After the last frame, whatever ended the loop.
  virtual void settle() {}
  // Whether an interrupt cut the output short.
  virtual bool interrupted() const { return interruptCount() > 0; }
  // Whether the output is complete; failure() says why not.
  virtual bool succeeded() const { return !failed; }
  virtual std::string failure() const { return error; }
  // Removes what an interrupted or failed output left; returns what stays, for the line that
  // reports an interrupt.
  virtual std::string abandon() { return "nothing written"; }
  // Gives the complete output its name; false with `error` set.
  virtual bool publish(std::string&) { return true; }
  // The line that says what was written, `seconds` after the first frame.
  virtual void summarize(double seconds) const = 0;
  // Frames up to the last the output wants.
  virtual uint64_t frameCount() const { return captureFrameCount(fps); }

  uint64_t frames() const { return frameIndex; }  // presented so far
  void showProgress() { progress.emplace(frameCount()); }
  void endProgressLine() {
    if (progress) progress->endLine();
  }

 protected:
  // What the output does with the frame just presented; false with `error` set when it failed.
  virtual bool takeFrame() = 0;

  const int fps;
  const int width;
  const int height;
  const std::string path;  // the file or folder named on the command line
  uint64_t frameIndex = 0;
  bool failed = false;
  bool finished = false;  // the output has all it wants
  std::string error;
  std::vector<uint8_t> rgb;
  std::optional<Progress> progress;
};

// The loop all three outputs share.
int runCapture(CaptureOutput& output, DisplayFactory makeDisplay, int width, int height) {
  std::string error;
  if (!output.checkTarget(error)) return fatal(error);
  OffscreenShow session(makeDisplay);
  session.context.reduceFlashing = output.reduceFlashing ? 1 : 0;
  if (!session.start(width, height, error) || !output.begin(error)) return fatal(error);
  const Clock::time_point started = Clock::now();
  session.show->play(output);
  session.show->stop();
  output.settle();
  if (output.interrupted()) {
    output.endProgressLine();
    const std::string left = output.abandon();
    return reportInterrupted(output.frames(), output.frameCount(), left);
  }
  if (!output.succeeded()) {
    output.abandon();
    return fatal(output.failure());
  }
  if (!output.publish(error)) return fatal(error);
  output.summarize(secondsSince(started));
  return 0;
}

// --capture: raw frames piped into ffmpeg, which writes a hidden partial file; only a finished
// video gets the real name.
class VideoOutput final : public CaptureOutput {
 public:
  VideoOutput(const Options& options, int w, int h) : CaptureOutput(options, w, h) {
    format = videoFormatFor(path);
    settings.format = format.value_or(VideoFormat::Mp4);
    if (options.crf >= 0) settings.crf = options.crf;
    crfGiven = options.crf >= 0;
    settings.audible = options.music;
    const fs::path finalPath(path);
    // Appended piece by piece: "." + string makes GCC 12 at -O3 (the Release build) warn of an
    // overlapping copy that cannot happen (-Wrestrict). GCC 13 no longer does; once the oldest
    // compiler the build supports is 13, this can be one expression again.
    std::string partialName = ".";
    partialName += finalPath.filename().string();
    partialName += ".partial";
    partialName += videoFormatExtension(settings.format);
    partial = finalPath.parent_path() / partialName;
  }

  bool checkTarget(std::string& why) override {
    if (!fileTargetAllowed(path, replacing, why)) return false;
    if (!format) {
      why = unknownVideoFormatMessage(path);
      return false;
    }
    if (crfGiven && settings.format == VideoFormat::Master) {
      why = "--crf sets the quality of an .mp4; an .mkv master is lossless";
      return false;
    }
    if (!programOnPath("ffmpeg")) {
      why = "--capture needs the ffmpeg command, which is not on the PATH; " +
            installAdvice("ffmpeg") + ", or use --frames DIR, which needs no ffmpeg";
      return false;
    }
    // 4:2:0 chroma covers two by two pixels; the master keeps the width and height it is given.
    if (settings.format == VideoFormat::Mp4 && (width % 2 || height % 2)) {
      why = "H.264 video needs an even width and height";
      return false;
    }
    return fileOutputAllowed(path, replacing, why);
  }
  bool begin(std::string& why) override {
    showProgress();
    if (!encoder.start(ffmpegCommand(width, height, fps, dataFilePath(kMusicFile),
                                     captureMusicStartMs(fps), settings, partial.string()),
                       why)) {
      return false;
    }
    feed = std::make_unique<FrameFeed>(encoder, static_cast<size_t>(width) * height * 4);
    return true;
  }
  void render(DemoContext& context) override {
    renderStarted = Clock::now();
    CaptureOutput::render(context);
  }
  // Closes ffmpeg's input and waits for it. After an interrupt it gets a few seconds and a second
  // interrupt ends it at once; otherwise it takes what it needs unless an interrupt comes.
  void settle() override {
    // The last frame sent is written first.
    if (feed && !feed->finish() && !failed) {
      failed = true;
      error = "ffmpeg stopped taking frames";
    }
    if (interruptCount() > 0) {
      encoded = encoder.finish(
          kInterruptedPatienceSeconds, [] { return interruptCount() > 1; }, encodeError);
    } else {
      encoded = encoder.finish(
          std::numeric_limits<double>::infinity(), [] { return interruptCount() > 0; },
          encodeError);
    }
  }
  bool succeeded() const override { return !failed && encoded; }
  std::string failure() const override {
    return failed ? error + (encoded ? "" : "; " + encodeError) : encodeError;
  }
  std::string abandon() override {
    std::error_code ignored;
    fs::remove(partial, ignored);
    return "nothing written";
  }
  bool publish(std::string& why) override {
    // Looked at again: something else may have been put there while the show rendered.
    if (fileTargetAllowed(path, replacing, why)) {
      std::error_code renameError;
      fs::rename(partial, path, renameError);
      if (!renameError) return true;
      why = "cannot rename the finished video to " + path + ": " + renameError.message();
    }
    abandon();
    return false;
  }
  void summarize(double seconds) const override {
    std::error_code ignored;
    const uint64_t total = frameCount();
    // Where a frame's time went, before the line that says what was written.
    const double perFrame = 1000.0 / static_cast<double>(std::max<uint64_t>(frames(), 1));
    std::fprintf(stderr,
                 "nightloom: a frame took %.1f ms to draw, %.1f ms to read back and %.1f ms of "
                 "waiting for the encoder\n",
                 drawingSeconds * perFrame, readingSeconds * perFrame,
                 (feed ? feed->waitedSeconds() : 0.0) * perFrame);
    std::fprintf(stderr,
                 "nightloom: %s %s (%s: %s; %dx%d, %.2f s, %llu frames at %d fps) in %.1f s\n",
                 replacing ? "replaced" : "wrote", path.c_str(),
                 describeSize(fs::file_size(path, ignored)).c_str(),
                 describeStreams(settings).c_str(), width, height, total / static_cast<double>(fps),
                 static_cast<unsigned long long>(total), fps, seconds);
  }

 private:
  // The encoder takes the frame on the feed's thread while the next one is drawn.
  bool takeFrame() override {
    glFinish();
    const Clock::time_point drawn = Clock::now();
    drawingSeconds += std::chrono::duration<double>(drawn - renderStarted).count();
    uint8_t* buffer = feed->nextBuffer();
    if (!buffer) {
      error = "ffmpeg stopped taking frames";
      return false;
    }
    const Clock::time_point free = Clock::now();
    readFrameAsRead(width, height, buffer);
    readingSeconds += secondsSince(free);
    feed->send();
    return true;
  }

  std::optional<VideoFormat> format;  // nothing: the path's extension names no format
  EncoderSettings settings;
  bool crfGiven = false;
  fs::path partial;
  bool replacing = false;
  VideoEncoder encoder;
  std::unique_ptr<FrameFeed> feed;  // after the encoder: it goes first
  Clock::time_point renderStarted;
  double drawingSeconds = 0;
  double readingSeconds = 0;
  bool encoded = false;
  std::string encodeError;
};

// --frames: numbered PNG files in a folder. The frames already written when an interrupt comes
// are whole files, so they stay.
class FramesOutput final : public CaptureOutput {
 public:
  using CaptureOutput::CaptureOutput;

  bool checkTarget(std::string& why) override {
    const fs::file_type type = typeAt(path);
    if (occupied(type) && type != fs::file_type::directory) {
      why = "--frames wants a directory, but " + path + " is " + describeFileType(type);
      return false;
    }
    return directoryWritable(path, why);
  }
  bool begin(std::string&) override {
    showProgress();
    return true;
  }
  std::string abandon() override {
    return written ? "kept " + std::to_string(written) + " frames in " + path : "nothing written";
  }
  void summarize(double seconds) const override {
    std::fprintf(stderr, "nightloom: wrote %llu frames (%dx%d, %d fps) to %s in %.1f s\n",
                 static_cast<unsigned long long>(frameCount()), width, height, fps, path.c_str(),
                 seconds);
  }

 private:
  bool takeFrame() override {
    readFrame(width, height, rgb);
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05llu.png",
                  static_cast<unsigned long long>(frameIndex));
    if (!writePngFile(path + "/" + name, rgb.data(), width, height, 3, error)) return false;
    ++written;
    return true;
  }

  uint64_t written = 0;
};

// --still: renders from 0 up to the still's time, stepping at fps, and keeps only the last frame.
// A still written in full before an interrupt was seen is kept: it is complete.
class StillOutput final : public CaptureOutput {
 public:
  StillOutput(const Options& options, int w, int h)
      : CaptureOutput(options, w, h), target(options.stillMs) {}

  uint32_t ticks() override {
    const uint32_t t = captureFrameTime(frameIndex, fps);
    return t < target ? t : target;
  }
  bool checkTarget(std::string& why) override {
    if (!fileOutputAllowed(path, replacing, why)) return false;
    if (target >= kShowEndMs) {
      why = "--still wants a time before 76000 ms";
      return false;
    }
    return true;
  }
  bool interrupted() const override { return !saved && interruptCount() > 0; }
  bool succeeded() const override { return saved; }
  std::string failure() const override {
    return error.empty() ? "the still was not reached" : error;
  }
  void summarize(double) const override {
    std::fprintf(stderr, "nightloom: %s %s (%dx%d, demo time %u ms)\n",
                 replacing ? "replaced" : "wrote", path.c_str(), width, height, target);
  }
  uint64_t frameCount() const override {
    uint64_t count = 1;
    while (captureFrameTime(count - 1, fps) < target) ++count;
    return count;
  }

 private:
  bool takeFrame() override {
    if (captureFrameTime(frameIndex, fps) < target) return true;
    readFrame(width, height, rgb);
    saved = writePngFile(path, rgb.data(), width, height, 3, error);
    finished = true;
    return saved;
  }

  uint32_t target;
  bool replacing = false;
  bool saved = false;
};

}  // namespace

int runOffscreen(const Options& options, DisplayFactory makeDisplay) {
  // Ctrl-C, SIGTERM and SIGHUP from here on stop the run after its current frame.
  const InterruptWatch watch;
  const bool bench = options.mode == RunMode::Bench;
  const int width = options.width ? options.width : (bench ? 1280 : 1920);
  const int height = options.height ? options.height : (bench ? 720 : 1080);
  switch (options.mode) {
    case RunMode::Capture: {
      VideoOutput output(options, width, height);
      return runCapture(output, makeDisplay, width, height);
    }
    case RunMode::Frames: {
      FramesOutput output(options, width, height);
      return runCapture(output, makeDisplay, width, height);
    }
    case RunMode::Still: {
      StillOutput output(options, width, height);
      return runCapture(output, makeDisplay, width, height);
    }
    case RunMode::Bench:
      return runBench(makeDisplay, width, height, options.fps, options.reduceFlashing);
    default:
      return 2;
  }
}
