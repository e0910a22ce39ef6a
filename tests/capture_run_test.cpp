// The off-screen capture under faults, run as a user runs it: the built nightloom as a child
// process with the real ffmpeg. Interrupted by Ctrl-C (to its process group, as a terminal sends
// it), SIGTERM or SIGHUP it leaves no partial file and no encoder behind and exits 130, 143 or
// 129; it refuses targets that are not regular files before the first frame; and a music file
// shorter than the show still gives the show's 76 s, the music, then silence.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/options.h"
#include "capture/capture.h"
#include "gfx/backends.h"
#include "support/headless_gl.h"
#include "support/mp3_writer.h"
#include "support/nightloom_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generous: the sanitizer build renders many times slower.
constexpr std::chrono::seconds kCloseLimit{240};

std::vector<std::string> namesIn(const fs::path& directory) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Processes whose command line mentions `text` (an encoder writing into a test's folder).
std::vector<std::string> processesMentioning(const std::string& text) {
  std::vector<std::string> found;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string line = readFile(entry.path() / "cmdline");
    std::replace(line.begin(), line.end(), '\0', ' ');
    if (line.find(text) != std::string::npos) found.push_back(name + ": " + line);
  }
  return found;
}

std::optional<uint64_t> interruptedAtFrame(const std::string& line, const std::string& outcome) {
  const std::regex pattern("nightloom: interrupted at frame ([0-9]+) of ([0-9]+); (.*)");
  std::smatch match;
  if (!std::regex_match(line, match, pattern) || match[3] != outcome) return std::nullopt;
  return std::stoull(match[1]);
}

// A capture interrupted once its first frames are out: what it leaves in its folders.
struct InterruptedCapture {
  Sandbox sandbox;
  fs::path output = sandbox.folder("out");
  fs::path temp = sandbox.folder("tmp");  // its TMPDIR, where the encoder's log goes
  fs::path work = sandbox.folder("work");
  fs::path errors = sandbox.root / "stderr.txt";

  Nightloom start(const std::vector<std::string>& arguments, const std::string& path = "") {
    std::vector<std::string> environment{"TMPDIR=" + temp.string()};
    if (!path.empty()) environment.push_back("PATH=" + path + ":" + std::getenv("PATH"));
    return Nightloom(arguments, work, errors, environment);
  }
};

// The options of a short, small capture; the frame rate keeps it running long enough to be
// interrupted while it renders.
std::vector<std::string> smallCapture(const std::string& option, const fs::path& target) {
  return {option, target.string(), "--size", "64x36", "--fps", "60"};
}

void expectInterruptedCaptureLeavesNothing(int signalNumber, bool toGroup, int expectedStatus) {
  InterruptedCapture run;
  Nightloom nightloom = run.start(smallCapture("--capture", run.output / "show.mp4"));
  ASSERT_TRUE(nightloom.waitForMessage("frame 1 of")) << nightloom.stderrText();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  toGroup ? nightloom.signalGroup(signalNumber) : nightloom.signalAlone(signalNumber);
  const Ended ended = nightloom.wait();

  EXPECT_TRUE(ended.exited) << "ended by signal " << ended.status;
  EXPECT_EQ(ended.status, expectedStatus) << nightloom.stderrText();
  const std::optional<uint64_t> frame = interruptedAtFrame(nightloom.lastLine(), "nothing written");
  ASSERT_TRUE(frame) << nightloom.lastLine();
  EXPECT_GE(*frame, 1u);
  EXPECT_EQ(namesIn(run.output), std::vector<std::string>{});
  EXPECT_EQ(namesIn(run.temp), std::vector<std::string>{});
  EXPECT_EQ(processesMentioning(run.sandbox.root.string()), std::vector<std::string>{});
}

TEST(CaptureInterrupted, CtrlCToTheProcessGroupLeavesNoFileAndNoEncoder) {
  expectInterruptedCaptureLeavesNothing(SIGINT, true, 130);
}

TEST(CaptureInterrupted, SigtermToNightloomAloneLeavesNoFileAndNoEncoder) {
  expectInterruptedCaptureLeavesNothing(SIGTERM, false, 143);
}

TEST(CaptureInterrupted, HangUpDuringFramesKeepsTheWholeFramesWritten) {
  InterruptedCapture run;
  const fs::path frames = run.output / "frames";
  Nightloom nightloom = run.start(smallCapture("--frames", frames));
  ASSERT_TRUE(nightloom.waitForMessage("frame 1 of")) << nightloom.stderrText();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  nightloom.signalAlone(SIGHUP);
  const Ended ended = nightloom.wait();

  EXPECT_TRUE(ended.exited && ended.status == 129) << nightloom.stderrText();
  const std::vector<std::string> names = namesIn(frames);
  const std::optional<uint64_t> frame =
      interruptedAtFrame(nightloom.lastLine(),
                         "kept " + std::to_string(names.size()) + " frames in " + frames.string());
  ASSERT_TRUE(frame) << nightloom.lastLine();
  EXPECT_EQ(*frame, names.size());
  ASSERT_GE(names.size(), 1u);
  for (size_t i = 0; i < names.size(); ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "frame_%05zu.png", i);
    EXPECT_EQ(names[i], expected);
    // Whole files: a PNG ends with its IEND chunk.
    const std::string png = readFile(frames / names[i]);
    EXPECT_EQ(png.substr(png.size() >= 8 ? png.size() - 8 : 0, 4), "IEND") << names[i];
  }
}

// Stands in for ffmpeg: writes its output file, takes its input until the pipe closes, says so,
// then hangs; it notes any SIGINT that reaches it.
void writeStuckEncoder(const fs::path& folder) {
  const fs::path script = folder / "ffmpeg";
  std::ofstream(script) << "#!/bin/sh\n"
                           "trap 'echo >> \""
                        << (folder / "got-sigint").string()
                        << "\"' INT\n"
                           "for last; do :; done\n"
                           "echo partial > \"$last\"\n"
                           "cat > /dev/null\n"
                           "echo > \""
                        << (folder / "input-closed").string()
                        << "\"\n"
                           "exec sleep 600\n";
  fs::permissions(script, fs::perms::owner_all);
}

TEST(CaptureInterrupted, ASecondCtrlCEndsAStuckEncoderAtOnce) {
  InterruptedCapture run;
  const fs::path bin = run.sandbox.folder("bin");
  writeStuckEncoder(bin);
  Nightloom nightloom = run.start(smallCapture("--capture", run.output / "show.mp4"), bin);
  ASSERT_TRUE(nightloom.waitForMessage("frame 1 of")) << nightloom.stderrText();
  nightloom.signalGroup(SIGINT);
  const Clock::time_point start = Clock::now();
  while (!fs::exists(bin / "input-closed") && !nightloom.ended() &&
         Clock::now() - start < kCloseLimit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(fs::exists(bin / "input-closed")) << "the encoder's input was never closed";
  nightloom.signalGroup(SIGINT);
  const Ended ended = nightloom.wait();

  EXPECT_TRUE(ended.exited && ended.status == 130) << nightloom.stderrText();
  // Without the second Ctrl-C it would wait 3 s for the encoder before killing it.
  EXPECT_LT(ended.seconds, 2.0);
  EXPECT_TRUE(interruptedAtFrame(nightloom.lastLine(), "nothing written")) << nightloom.lastLine();
  EXPECT_EQ(namesIn(run.output), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(bin / "got-sigint")) << "the terminal's Ctrl-C reached the encoder";
  EXPECT_EQ(processesMentioning(run.sandbox.root.string()), std::vector<std::string>{});
}

// A target that is not a regular file: refused in one line before anything renders.
struct RefusedTarget {
  Sandbox sandbox;
  fs::path output = sandbox.folder("out");
  fs::path errors = sandbox.root / "stderr.txt";

  void expectRefused(const std::vector<std::string>& arguments, const std::string& message) {
    Nightloom nightloom(arguments, sandbox.folder("work"), errors);
    const Ended ended = nightloom.wait();
    EXPECT_TRUE(ended.exited && ended.status == 1) << nightloom.stderrText();
    // The refusal is the last line and no progress came before it: nothing was rendered. (The
    // line naming the Data folder beside the executable may come first.)
    EXPECT_EQ(nightloom.lastLine(), "nightloom: " + message);
    EXPECT_EQ(nightloom.stderrText().find("frame "), std::string::npos) << nightloom.stderrText();
  }
};

fs::file_type typeOf(const fs::path& path) { return fs::symlink_status(path).type(); }

TEST(CaptureTarget, AFifoOrADirectoryIsRefusedAndLeftAsItWas) {
  RefusedTarget run;
  const fs::path fifo = run.output / "fifo";
  const fs::path directory = run.output / "directory";
  const fs::path plain = run.output / "plain.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(directory);
  std::ofstream(plain) << "not a picture";

  run.expectRefused(smallCapture("--capture", fifo),
                    "will not replace " + fifo.string() + ": it is a fifo, not a regular file");
  run.expectRefused(
      smallCapture("--capture", directory),
      "will not replace " + directory.string() + ": it is a directory, not a regular file");
  run.expectRefused({"--still", "1000", fifo.string(), "--size", "64x36"},
                    "will not replace " + fifo.string() + ": it is a fifo, not a regular file");
  run.expectRefused(smallCapture("--frames", plain),
                    "--frames wants a directory, but " + plain.string() + " is a regular file");

  EXPECT_EQ(typeOf(fifo), fs::file_type::fifo);
  EXPECT_EQ(typeOf(directory), fs::file_type::directory);
  EXPECT_TRUE(fs::is_empty(directory));
  EXPECT_EQ(readFile(plain), "not a picture");
  EXPECT_EQ(namesIn(run.output), (std::vector<std::string>{"directory", "fifo", "plain.png"}));
}

TEST(CaptureTarget, ACharacterDeviceIsRefusedAndLeftAsItWas) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  RefusedTarget run;
  // The numbers of /dev/full, made afresh in the test's own folder.
  const fs::path device = run.output / "full";
  ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0) << std::strerror(errno);

  run.expectRefused(
      smallCapture("--capture", device),
      "will not replace " + device.string() + ": it is a character device, not a regular file");
  run.expectRefused(
      smallCapture("--frames", device),
      "--frames wants a directory, but " + device.string() + " is a character device");

  struct stat info = {};
  ASSERT_EQ(stat(device.c_str(), &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(info.st_rdev, makedev(1, 7));
  EXPECT_EQ(namesIn(run.output), std::vector<std::string>{"full"});
}

TEST(CaptureTarget, ARegularFileIsReplacedAndTheSummarySaysSo) {
  Sandbox sandbox;
  const fs::path still = sandbox.folder("out") / "still.png";
  std::ofstream(still) << "an older picture";
  Nightloom nightloom({"--still", "0", still.string(), "--size", "64x36"}, sandbox.folder("work"),
                      sandbox.root / "stderr.txt");
  const Ended ended = nightloom.wait();
  EXPECT_TRUE(ended.exited && ended.status == 0) << nightloom.stderrText();
  EXPECT_EQ(nightloom.lastLine().rfind("nightloom: replaced " + still.string() + " (", 0), 0u)
      << nightloom.lastLine();
  EXPECT_EQ(readFile(still).substr(1, 3), "PNG");
}

// Root-mean-square level of mono 16-bit samples in [from, to) seconds, relative to full scale.
double levelBetween(const std::vector<int16_t>& samples, int rate, double from, double to) {
  const size_t first = static_cast<size_t>(from * rate);
  const size_t last = std::min(samples.size(), static_cast<size_t>(to * rate));
  double sum = 0;
  for (size_t i = first; i < last; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return last > first ? std::sqrt(sum / (last - first)) / 32768.0 : 0.0;
}

// A capture at 64x36, 5 fps, of the show's pictures with a 5-second music file; the sound track
// decoded to mono 8 kHz samples.
struct ShortMusicCapture {
  static constexpr int kDecodeRate = 8000;
  Sandbox sandbox;
  std::vector<int16_t> samples;
  double videoSeconds = 0;
  double audioSeconds = 0;

  void run(const std::vector<std::string>& extraArguments) {
    const fs::path work = sandbox.folder("work");
    const fs::path data = sandbox.folder("work/Data");
    for (const fs::directory_entry& entry : fs::directory_iterator(builtDataFolder())) {
      if (entry.path().extension() == ".p")
        fs::copy_file(entry.path(), data / entry.path().filename());
    }
    constexpr int kRate = 44100;
    ASSERT_TRUE(
        writeMp3((data / "music.mp3").string(), stereoSine(440, 0.5, kRate, 5 * kRate), 2, kRate));
    const fs::path video = sandbox.folder("out") / "show.mp4";
    std::vector<std::string> arguments = {"--capture", video.string(), "--size",
                                          "64x36",     "--fps",        "5"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    Nightloom nightloom(arguments, work, sandbox.root / "stderr.txt");
    const Ended ended = nightloom.wait();
    ASSERT_TRUE(ended.exited && ended.status == 0) << nightloom.stderrText();

    const std::string streams = commandOutput(
        "ffprobe -v error -show_entries "
        "stream=codec_type,duration -of csv=p=0 '" +
        video.string() + "'");
    ASSERT_EQ(std::sscanf(streams.c_str(), "video,%lf\naudio,%lf", &videoSeconds, &audioSeconds), 2)
        << streams;
    const std::string pcm = commandOutput("ffmpeg -nostdin -v error -i '" + video.string() +
                                          "' -map 0:a -ac 1 -ar 8000 -f s16le -");
    samples.resize(pcm.size() / 2);
    std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
  }
  double level(double from, double to) const {
    return levelBetween(samples, kDecodeRate, from, to);
  }
};

// Two shows one after the other in one process, as the web page's "Play again" and its still at a
// new size run them: an off-screen still, then another of another size. Each draws exactly what a
// lone run of the program draws; under AddressSanitizer a pointer left to the first show's
// registries or layers would be caught when the second uses it.
TEST(CaptureInProcess, TwoShowsInOneProcessDrawWhatLoneRunsDraw) {
  Sandbox sandbox;
  const fs::path out = sandbox.folder("out");
  {
    // The first show's display takes Mesa's driver with it when it goes; pinned now, what the
    // driver keeps for the process still carries a name the leak suppressions know.
    std::unique_ptr<Display> probe = createHeadlessDisplay();
    DisplayRequest request;
    request.width = 16;
    request.height = 16;
    ASSERT_TRUE(probe->create(request)) << probe->error();
    pinGraphicsDriver();
    probe->destroy();
  }
  for (const std::string size : {"96x54", "160x90"}) {
    Options options;
    options.mode = RunMode::Still;
    options.stillMs = 12000;
    options.fps = 20;
    options.output = (out / ("together-" + size + ".png")).string();
    ASSERT_TRUE(parseSize(size, options.width, options.height));
    ASSERT_EQ(runOffscreen(options, createHeadlessDisplay), 0) << size;
  }
  for (const std::string size : {"96x54", "160x90"}) {
    const fs::path alone = out / ("alone-" + size + ".png");
    Nightloom nightloom({"--still", "12000", alone.string(), "--size", size, "--fps", "20"},
                        sandbox.folder("work"), sandbox.root / "stderr.txt");
    const Ended ended = nightloom.wait();
    ASSERT_TRUE(ended.exited && ended.status == 0) << nightloom.stderrText();
    EXPECT_TRUE(readFile(alone) == readFile(out / ("together-" + size + ".png"))) << size;
  }
}

TEST(CaptureMusic, ShortMusicGivesTheWholeShowWithSilenceAfterIt) {
  ShortMusicCapture capture;
  ASSERT_NO_FATAL_FAILURE(capture.run({}));
  EXPECT_NEAR(capture.videoSeconds, 76.0, 0.01);
  EXPECT_NEAR(capture.audioSeconds, 76.0, 0.05);
  EXPECT_NEAR(capture.samples.size() / static_cast<double>(ShortMusicCapture::kDecodeRate), 76.0,
              0.05);
  // Silence, the music from its start in the first frame after 3 s (3200 ms at 5 fps) for 5 s,
  // then silence to the end; the margins keep the encoder's edges out of the measures.
  const double tone = 0.5 / std::sqrt(2.0);
  EXPECT_LT(capture.level(0.0, 3.1), 1e-3);
  EXPECT_NEAR(capture.level(3.4, 8.0), tone, 0.05);
  EXPECT_LT(capture.level(8.4, 75.9), 1e-3);
}

TEST(CaptureMusic, NoMusicGivesASilentSoundTrackOfTheShowsLength) {
  ShortMusicCapture capture;
  ASSERT_NO_FATAL_FAILURE(capture.run({"--no-music"}));
  EXPECT_NEAR(capture.videoSeconds, 76.0, 0.01);
  EXPECT_NEAR(capture.audioSeconds, 76.0, 0.05);
  EXPECT_LT(capture.level(0.0, 75.9), 1e-3);
}

}  // namespace
