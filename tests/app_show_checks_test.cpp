// The whole show rendered once off screen at 320x180, 10 frames a second, through the real frame
// loop, with measures of the pictures taken from the back buffer: the fades, the halftone pass, the
// title, the greetings, the credits roll. Robust measures (levels, shares of pixels, rectangles),
// never pixel goldens, so a driver update does not break them. Also: two runs give the same frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/scene_params.h"
#include "app/show.h"
#include "app/timeline.h"
#include "capture/offscreen.h"
#include "capture/png_file.h"
#include "gfx/backends.h"
#include "launcher/demo_context.h"
#include "support/headless_gl.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kFps = 10;

// One frame as read back, rows top first, with the dot mode its composite used.
struct Frame {
  uint32_t ms = 0;
  int32_t dotMode = 0;
  std::vector<uint8_t> rgb;

  int luma(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
    return (p[0] + p[1] + p[2]) / 3;
  }
};

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 1469598103934665603ull;
  for (uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

double meanLevel(const Frame& frame) {
  double sum = 0;
  for (uint8_t v : frame.rgb) sum += v;
  return sum / static_cast<double>(frame.rgb.size());
}

// Ink: how far a pixel is from white in its most-inked channel, so cyan, magenta and yellow dots
// count as fully as black ones.
int ink(const Frame& frame, int x, int y) {
  const uint8_t* p = &frame.rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
  return 255 - std::min({p[0], p[1], p[2]});
}

struct Rect {
  int x0, y0, x1, y1;  // x1 and y1 excluded
};

// Share of the pixels in `area` whose grey level passes `test`.
template <typename Test>
double shareOf(const Frame& frame, Rect area, Test test) {
  int count = 0;
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) count += test(frame.luma(x, y)) ? 1 : 0;
  }
  return static_cast<double>(count) / ((area.x1 - area.x0) * (area.y1 - area.y0));
}

double meanIn(const Frame& frame, Rect area) {
  double sum = 0;
  for (int y = area.y0; y < area.y1; ++y) {
    for (int x = area.x0; x < area.x1; ++x) sum += frame.luma(x, y);
  }
  return sum / ((area.x1 - area.x0) * (area.y1 - area.y0));
}

// The band above the frame's middle: inside the overlay's border line and above every line of
// lettering before the credits roll, so what it holds is the scene's picture alone.
constexpr Rect kSceneBand{12, 12, 308, 64};

// How a halftone shows: it breaks the smooth edges and mid-tones of the picture into dots a few
// pixels across, so the mid-tone pixels sit on sharp peaks and pits of ink. Measured as the mean
// absolute 4-neighbour Laplacian of the ink over the mid-tone pixels of the scene band; the soft
// scene dots stay near 2, a halftone gives tens. `midShare` says how much there was to measure.
struct Grain {
  double midShare = 0;
  double laplacian = 0;
};

Grain halftoneGrain(const Frame& frame) {
  const Rect band = kSceneBand;
  int mid = 0;
  double sum = 0;
  for (int y = band.y0; y < band.y1; ++y) {
    for (int x = band.x0; x < band.x1; ++x) {
      const int here = ink(frame, x, y);
      if (here < 48 || here > 207) continue;
      ++mid;
      sum += std::abs(4 * here - ink(frame, x - 1, y) - ink(frame, x + 1, y) -
                      ink(frame, x, y - 1) - ink(frame, x, y + 1));
    }
  }
  Grain grain;
  grain.midShare = static_cast<double>(mid) / ((band.x1 - band.x0) * (band.y1 - band.y0));
  grain.laplacian = mid ? sum / mid : 0.0;
  return grain;
}

// What every frame leaves behind, kept or not.
struct FrameFacts {
  uint32_t ms = 0;
  int32_t dotMode = 0;
  uint64_t hash = 0;
  double mean = 0;  // mean grey level, 0..255
  Grain grain;
};

// Drives frame i at floor(i * 1000 / fps) like the capture, reads every presented frame back and
// keeps the ones at the wanted times; asks the loop to stop once demo time reaches stopMs.
class RecordingPlatform final : public FramePlatform {
 public:
  RecordingPlatform(std::set<uint32_t> wanted, uint32_t stopAtMs)
      : keep(std::move(wanted)), stopMs(stopAtMs) {}

  uint32_t ticks() override { return captureFrameTime(index, kFps); }
  void pumpEvents(uint8_t*, FrameEvents&) override {}
  bool stopRequested() override { return ticks() >= stopMs; }
  void render(DemoContext& context) override {
    renderTimeline(context);
    dotMode = sceneParams.dotMode;
  }
  void present() override {
    Frame frame;
    frame.ms = ticks();
    frame.dotMode = dotMode;
    readFrame(kWidth, kHeight, frame.rgb);
    facts.push_back(
        {frame.ms, frame.dotMode, fnv1a(frame.rgb), meanLevel(frame), halftoneGrain(frame)});
    if (keep.count(frame.ms)) kept.emplace(frame.ms, std::move(frame));
    ++index;
  }

  std::vector<FrameFacts> facts;
  std::map<uint32_t, Frame> kept;

 private:
  std::set<uint32_t> keep;
  uint32_t stopMs;
  uint64_t index = 0;
  int32_t dotMode = 0;
};

// One run of the show in a fresh context, as a process start would give it. Empty facts and the
// reason in `error` when the show cannot start.
struct ShowRun {
  std::vector<FrameFacts> facts;
  std::map<uint32_t, Frame> frames;
  std::string error;
};

ShowRun runShow(const std::set<uint32_t>& wanted, uint32_t stopMs = kShowEndMs) {
  ShowRun run;
  OffscreenShow session(createHeadlessDisplay);
  if (!session.start(kWidth, kHeight, run.error)) return run;
  pinGraphicsDriver();
  RecordingPlatform platform(wanted, stopMs);
  session.show->play(platform);
  session.show->stop();
  run.facts = std::move(platform.facts);
  run.frames = std::move(platform.kept);
  return run;
}

// Greeting i owns the second from 49 500 + 1000 i; at 10 frames a second its lettering is full at
// w + 500 and gone again by w + 900.
uint32_t greetingStart(int i) { return 49500u + 1000u * static_cast<uint32_t>(i); }

// The times whose whole frames the checks look at.
std::set<uint32_t> wantedTimes() {
  std::set<uint32_t> times = {0, 500, 1000, 3500, 69500};
  for (uint32_t ms = 10000; ms <= 16000; ms += 100) times.insert(ms);
  for (int i = 0; i < 16; ++i) {
    times.insert(greetingStart(i) + 500);
    times.insert(greetingStart(i) + 900);
  }
  for (uint32_t ms = 70600; ms <= 75000; ms += 100) times.insert(ms);
  return times;
}

// With NIGHTLOOM_CHECK_FRAMES set to a directory, the kept frames are written there as PNGs, every
// frame's hash to hashes.txt (to compare two builds or machines) and the measures are printed, to
// see what a threshold stands on.
const char* frameDirectory() { return std::getenv("NIGHTLOOM_CHECK_FRAMES"); }

template <typename... Values>
void note(const char* format, Values... values) {
  if (frameDirectory()) std::printf(format, values...);
}

void writeFrames(const ShowRun& run) {
  const char* directory = frameDirectory();
  if (!directory) return;
  std::string error;
  if (FILE* list = std::fopen((directory + std::string("/hashes.txt")).c_str(), "w")) {
    for (const FrameFacts& fact : run.facts) {
      std::fprintf(list, "%u %d %016llx\n", fact.ms, fact.dotMode,
                   static_cast<unsigned long long>(fact.hash));
    }
    std::fclose(list);
  }
  for (const auto& [ms, frame] : run.frames) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05u_mode%d.png", ms, frame.dotMode);
    if (!writePngFile(directory + std::string(name), frame.rgb.data(), kWidth, kHeight, 3, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
    }
  }
}

// The kept frame at `ms`; a black one if that time was not kept (the test checks they all were).
const Frame& frameAt(const ShowRun& run, uint32_t ms) {
  static const Frame missing{0, 0, std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight * 3)};
  const auto found = run.frames.find(ms);
  return found == run.frames.end() ? missing : found->second;
}

// Middle of the picture, clear of the scene dots in the first second.
constexpr Rect kCentre{120, 60, 200, 120};

void checkOpeningFade(const ShowRun& run) {
  SCOPED_TRACE("opening fade");
  const Frame& first = frameAt(run, 0);
  ASSERT_FALSE(first.rgb.empty());
  EXPECT_LE(*std::max_element(first.rgb.begin(), first.rgb.end()), 2);
  const double half = meanIn(frameAt(run, 500), kCentre);
  const double clear = meanIn(frameAt(run, 1000), kCentre);
  note("fade: centre level %.1f at 500 ms, %.1f at 1000 ms\n", half, clear);
  EXPECT_GT(clear, 180);
  EXPECT_NEAR(half / clear, 0.5, 0.06);
}

void checkClosingFade(const ShowRun& run) {
  SCOPED_TRACE("closing fade");
  double before = -1;
  double last = 0;
  double fullLevel = 0;
  for (const FrameFacts& fact : run.facts) {
    if (fact.ms == 74900) fullLevel = fact.mean;
    if (fact.ms < 75000) continue;
    if (before >= 0) {
      EXPECT_LT(fact.mean, before) << "at " << fact.ms << " ms";
    }
    before = last = fact.mean;
  }
  ASSERT_FALSE(run.facts.empty());
  EXPECT_EQ(run.facts.back().ms, 75900u);
  note("closing: mean level %.1f at 74.9 s, %.1f at 75.9 s\n", fullLevel, last);
  EXPECT_LT(last, 0.2 * fullLevel);
}

// Dots where dotMode is set and the scene band has a picture to break up; none where it is 0 in
// the soft scenes (orbiting dots, dot ring). The credits roll from 68 s draws into the second
// target over an empty first one, and the cube cloud's own edges are sharp, so neither counts.
void checkHalftone(const ShowRun& run) {
  SCOPED_TRACE("halftone");
  double lowestOn = 1e9;
  double highestOff = 0;
  uint32_t lowestOnMs = 0;
  uint32_t highestOffMs = 0;
  int on = 0;
  int off = 0;
  for (const FrameFacts& fact : run.facts) {
    if (fact.ms < 1000 || fact.ms >= 68000 || fact.grain.midShare < 0.03) continue;
    if (fact.dotMode != 0) {
      ++on;
      if (fact.grain.laplacian < lowestOn) {
        lowestOn = fact.grain.laplacian;
        lowestOnMs = fact.ms;
      }
      EXPECT_GT(fact.grain.laplacian, 16.0) << "dots missing at " << fact.ms << " ms";
    } else if (fact.ms < 19000 || (fact.ms > 37000 && fact.ms <= 48000)) {
      ++off;
      if (fact.grain.laplacian > highestOff) {
        highestOff = fact.grain.laplacian;
        highestOffMs = fact.ms;
      }
      EXPECT_LT(fact.grain.laplacian, 12.0) << "dots at " << fact.ms << " ms";
    }
  }
  note(
      "halftone: %d frames with dots, lowest grain %.1f at %u ms; %d without, highest %.1f at %u "
      "ms\n",
      on, lowestOn, lowestOnMs, off, highestOff, highestOffMs);
  // Which frames have dots follows the music's beats; there are hundreds of each at this rate.
  EXPECT_GT(on, 100);
  EXPECT_GT(off, 50);
}

// The first title line (the name under a dotted rule) lies over the dark disc that the three
// orbiting dots make: x 126..254, y 58..122 at this size; the name fills these rows.
constexpr Rect kTitleWord{130, 92, 200, 108};

void checkTitle(const ShowRun& run) {
  SCOPED_TRACE("title");
  const auto bright = [](int level) { return level > 160; };
  const auto dark = [](int level) { return level < 40; };
  const Frame& before = frameAt(run, 3500);
  EXPECT_GT(shareOf(before, kTitleWord, dark), 0.95);
  EXPECT_EQ(shareOf(before, kTitleWord, bright), 0.0);
  int plain = 0;
  double leastLit = 1;
  for (const auto& [ms, frame] : run.frames) {
    if (ms < 10000 || ms > 16000 || frame.dotMode != 0) continue;
    ++plain;
    const double lit = shareOf(frame, kTitleWord, bright);
    leastLit = std::min(leastLit, lit);
    EXPECT_GT(lit, 0.15) << "at " << ms << " ms";
    EXPECT_GT(shareOf(frame, kTitleWord, dark), 0.4) << "at " << ms << " ms";
  }
  note("title: %d plain frames, least lit share %.3f\n", plain, leastLit);
  EXPECT_GT(plain, 10);
}

// Greetings are drawn across the middle (x 70..250, y 79..101); the bands above and below them
// hold the same halftone disc without lettering, so the difference is the lettering alone.
constexpr Rect kGreetingStrip{70, 82, 250, 98};
constexpr Rect kAboveGreeting{70, 52, 250, 68};
constexpr Rect kBelowGreeting{70, 112, 250, 128};

double greetingLight(const Frame& frame) {
  const auto white = [](int level) { return level > 200; };
  return shareOf(frame, kGreetingStrip, white) -
         0.5 * (shareOf(frame, kAboveGreeting, white) + shareOf(frame, kBelowGreeting, white));
}

void checkGreetings(const ShowRun& run) {
  SCOPED_TRACE("greetings");
  // From the third on the disc behind them is whole; the first two rise over the gathering dots.
  for (int i = 2; i < 16; ++i) {
    const double full = greetingLight(frameAt(run, greetingStart(i) + 500));
    const double gone = greetingLight(frameAt(run, greetingStart(i) + 900));
    note("greeting %d: lit %.3f at w+500, %.3f at w+900\n", i, full, gone);
    EXPECT_GT(full, 0.15) << "greeting " << i;
    // The halftone grid alone moves this by up to 0.05 either way.
    EXPECT_LT(gone, 0.25 * full) << "greeting " << i;
  }
}

// The roll stands still from 70.5 s: its lettering covers the same dark area until the closing
// fade; the closing message below it (from 72 s) is outside the measured rows.
constexpr Rect kRollArea{12, 12, 308, 140};

void checkCreditsRoll(const ShowRun& run) {
  SCOPED_TRACE("credits roll");
  const auto dark = [](int level) { return level < 100; };
  const double standing = shareOf(frameAt(run, 71000), kRollArea, dark);
  const double turning = shareOf(frameAt(run, 69500), kRollArea, dark);
  note("credits: dark share %.4f at 71 s, %.4f at 69.5 s\n", standing, turning);
  EXPECT_GT(standing, 0.008);
  EXPECT_GT(std::abs(turning - standing), 0.3 * standing);  // still turning: the measure sees it
  double farthest = 0;
  for (uint32_t ms = 70600; ms <= 75000; ms += 100) {
    const double share = shareOf(frameAt(run, ms), kRollArea, dark);
    farthest = std::max(farthest, std::abs(share - standing));
    EXPECT_NEAR(share, standing, 0.05 * standing) << "at " << ms << " ms";
  }
  note("credits: from 70.6 to 75 s at most %.5f from the share at 71 s\n", farthest);
}

}  // namespace

TEST(ShowChecks, TheWholeShowKeepsItsPromises) {
  const ShowRun run = runShow(wantedTimes());
  ASSERT_TRUE(run.error.empty()) << run.error;
  ASSERT_EQ(run.facts.size(), captureFrameCount(kFps));
  ASSERT_EQ(run.frames.size(), wantedTimes().size());
  writeFrames(run);
  checkOpeningFade(run);
  checkHalftone(run);
  checkTitle(run);
  checkGreetings(run);
  checkCreditsRoll(run);
  checkClosingFade(run);
}

// The music runs on its driven clock, the scene tables come from the one seeded generator and each
// start begins from a fresh state, so two runs in one process (as a web page plays them) give the
// same frames, beats and dot-mode switches included.
TEST(ShowChecks, TwoRunsGiveIdenticalFrames) {
  constexpr uint32_t kStretchEndMs = 12000;  // past the music's start and the first beat switches
  const ShowRun first = runShow({}, kStretchEndMs);
  ASSERT_TRUE(first.error.empty()) << first.error;
  const ShowRun second = runShow({}, kStretchEndMs);
  ASSERT_TRUE(second.error.empty()) << second.error;
  ASSERT_EQ(first.facts.size(), second.facts.size());
  EXPECT_EQ(first.facts.size(), kStretchEndMs / (1000 / kFps));
  int switches = 0;
  for (size_t i = 0; i < first.facts.size(); ++i) {
    EXPECT_EQ(first.facts[i].hash, second.facts[i].hash) << "frame at " << first.facts[i].ms;
    if (i > 0 && first.facts[i].dotMode != first.facts[i - 1].dotMode) ++switches;
  }
  EXPECT_GT(switches, 0);  // the stretch includes beat-driven frames
}
