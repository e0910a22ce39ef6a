// The flash analyser: counts general and red flashes in a run of frames by the thresholds of
// WCAG 2.3.1 (and the broadcast rules it follows), cell by cell over the picture, and counts a
// second's flashes only where they cover more than a quarter of some 10-degree field of view.
#pragma once

#include <cstdint>
#include <vector>

// How the picture is cut up and what area counts. The 10-degree field is WCAG's 341 x 256 pixels
// of a 1024 x 768 screen, scaled by the frame's height (a third of it tall, 341/768 of it wide),
// so a widescreen frame sees the field a 4:3 screen of the same height would; cells are square,
// 1/180 of the frame's height (about an eighth of a degree), whole pixels.
struct FlashGeometry {
  int width = 0, height = 0;            // frame, pixels
  int cellSize = 1;                     // pixels per cell side
  int columns = 0, rows = 0;            // cells
  int fieldWidth = 0, fieldHeight = 0;  // the 10-degree field, pixels
  int fieldColumns = 0, fieldRows = 0;  // the same in cells
  double areaLimit = 0.0;  // flashes count where they cover more pixels than this in one field

  static FlashGeometry of(int width, int height);
};

// Most transitions (opposing changes) in one one-second window over enough area; a flash is a
// pair of them, so more than six fail.
inline constexpr int kMaxTransitionsPerSecond = 6;

// Window-end frames first..last (inclusive) in which a rule had more than three flashes.
struct FrameRange {
  uint64_t first = 0, last = 0;
};

struct FlashWorst {
  int transitions = 0;         // in the worst window
  uint64_t endFrame = 0;       // last frame of that window
  int fieldX = 0, fieldY = 0;  // top-left pixel of the field they covered most
  double coverage = 0.0;       // share of that field they covered
};

struct FlashRuleResult {
  FlashWorst worst;
  std::vector<FrameRange> failing;
  bool passes() const { return worst.transitions <= kMaxTransitionsPerSecond; }
};

// One measure of one cell followed as a zig-zag: a leg runs from a turning point to the furthest
// value since, and turns once the value comes back by the rule's change. Each leg that qualifies
// is one transition, counted in the frame where it first does.
struct Swing {
  float pivot = 0.0f;
  float extreme = 0.0f;
  bool pivotSaturated = false;  // for the red rule: whether each end is a saturated red
  bool extremeSaturated = false;
  int8_t direction = 0;  // +1 rising, -1 falling, 0 before the first leg
  bool counted = false;
  bool started = false;
};

class FlashAnalyzer {
 public:
  // `fps` sets the window: a second is round(fps) frames.
  FlashAnalyzer(int width, int height, double fps);

  // One frame, width x height RGB with rows top first.
  void addFrame(const uint8_t* rgb);

  const FlashRuleResult& general() const { return generalResult; }
  const FlashRuleResult& red() const { return redResult; }
  const FlashGeometry& geometry() const { return shape; }
  uint64_t frames() const { return frameCount; }
  int windowFrames() const { return window; }

 private:
  // A rule's transitions in the current window, per cell.
  struct RuleWindow {
    std::vector<Swing> swings;
    std::vector<uint16_t> counts;
    std::vector<std::vector<uint32_t>> eventsByFrame;  // ring of `window` frames
    uint64_t inWindow = 0;
    bool changed = false;  // events came or went this frame
    FlashWorst current;    // the window's worst, kept while nothing changes
  };

  void measureCells(const uint8_t* rgb);
  // Drops the window's oldest frame of events, ready for this frame's.
  void openFrame(RuleWindow& rule);
  void followCells();
  void closeFrame(RuleWindow& rule, FlashRuleResult& result);
  // The most transitions that more than the area limit of some field shows in the window.
  FlashWorst worstInWindow(const std::vector<uint16_t>& counts);
  bool fieldCovered(const std::vector<uint16_t>& counts, int atLeast, FlashWorst& where);

  FlashGeometry shape;
  int window = 1;
  uint64_t frameCount = 0;
  std::vector<float> sumR, sumG, sumB;  // linear channel sums per cell
  std::vector<float> cellArea;          // pixels per cell (edge cells may be cut)
  std::vector<int> cellOfX;             // cell column of each pixel column
  RuleWindow generalWindow, redWindow;
  FlashRuleResult generalResult, redResult;
  std::vector<double> areaTable;  // summed-area table scratch
};

// Relative luminance of a linear RGB colour, and an 8-bit sRGB value linearised.
double relativeLuminance(double r, double g, double b);
float linearFromSrgb(uint8_t value);
