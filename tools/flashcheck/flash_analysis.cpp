// Flash counting from the definitions: relative luminance from linearised sRGB, a general flash
// as two opposing luminance changes of 0.1 or more whose darker state is below 0.8, a red flash as
// two opposing changes of more than 20 in (R - G - B) x 320 with a saturated red at one end.
#include "tools/flashcheck/flash_analysis.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr float kGeneralChange = 0.1f;  // "0.1 or more"
constexpr float kDarkerBelow = 0.8f;
constexpr float kRedScale = 320.0f;
constexpr float kRedChange = 20.0f;  // "more than 20"
constexpr float kSaturatedRedShare = 0.8f;
constexpr int kCellsPerHeight = 180;
// WCAG's 10-degree field on its reference screen.
constexpr double kFieldWidthOf768 = 341.0;
constexpr double kFieldHeightOf768 = 256.0;
constexpr double kReferenceHeight = 768.0;
constexpr double kFieldShareLimit = 0.25;

const std::array<float, 256>& linearTable() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> values{};
    for (int i = 0; i < 256; ++i) values[i] = linearFromSrgb(static_cast<uint8_t>(i));
    return values;
  }();
  return table;
}

// What counts as one transition for a rule: the change a leg must reach, and whether its two ends
// qualify.
struct Rule {
  float change;
  bool inclusive;  // the change may equal the threshold
  bool (*qualifies)(const Swing&);
};

bool darkerStateDarkEnough(const Swing& s) { return std::min(s.pivot, s.extreme) < kDarkerBelow; }
bool involvesSaturatedRed(const Swing& s) { return s.pivotSaturated || s.extremeSaturated; }

constexpr Rule kGeneralRule = {kGeneralChange, true, darkerStateDarkEnough};
constexpr Rule kRedRule = {kRedChange, false, involvesSaturatedRed};

bool reaches(float delta, const Rule& rule) {
  return rule.inclusive ? delta >= rule.change : delta > rule.change;
}

// Before its first leg a swing keeps the lowest value seen in `pivot` and the highest in
// `extreme`; the first leg runs from whichever came first to the value that makes them far enough
// apart.
void startLeg(Swing& s, float value, bool saturated, const Rule& rule) {
  const bool newLow = value < s.pivot;
  const bool newHigh = value > s.extreme;
  if (newLow) {
    s.pivot = value;
    s.pivotSaturated = saturated;
  }
  if (newHigh) {
    s.extreme = value;
    s.extremeSaturated = saturated;
  }
  if (!reaches(s.extreme - s.pivot, rule)) return;
  s.direction = newHigh ? 1 : -1;
  if (newLow) {
    // Falling from the highest value to this one.
    std::swap(s.pivot, s.extreme);
    std::swap(s.pivotSaturated, s.extremeSaturated);
  }
}

// Moves the swing to this frame's value; true when a transition is counted in this frame.
bool follow(Swing& s, float value, bool saturated, const Rule& rule) {
  if (!s.started) {
    s = Swing{value, value, saturated, saturated, 0, false, true};
    return false;
  }
  if (s.direction == 0) {
    startLeg(s, value, saturated, rule);
  } else if ((value - s.extreme) * s.direction >= 0.0f) {
    s.extreme = value;  // the leg goes on
    s.extremeSaturated = saturated;
  } else if (reaches((s.extreme - value) * s.direction, rule)) {
    s.pivot = s.extreme;  // it turned
    s.pivotSaturated = s.extremeSaturated;
    s.extreme = value;
    s.extremeSaturated = saturated;
    s.direction = static_cast<int8_t>(-s.direction);
    s.counted = false;
  }
  if (s.direction == 0 || s.counted) return false;
  if (!reaches(std::fabs(s.extreme - s.pivot), rule) || !rule.qualifies(s)) return false;
  s.counted = true;
  return true;
}

void noteFailing(std::vector<FrameRange>& failing, uint64_t frame) {
  if (!failing.empty() && failing.back().last + 1 == frame) {
    failing.back().last = frame;
  } else {
    failing.push_back({frame, frame});
  }
}

}  // namespace

double relativeLuminance(double r, double g, double b) {
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

float linearFromSrgb(uint8_t value) {
  const double c = value / 255.0;
  return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

FlashGeometry FlashGeometry::of(int width, int height) {
  FlashGeometry g;
  g.width = width;
  g.height = height;
  g.cellSize = std::max(1, height / kCellsPerHeight);
  g.columns = (width + g.cellSize - 1) / g.cellSize;
  g.rows = (height + g.cellSize - 1) / g.cellSize;
  const double scale = height / kReferenceHeight;
  g.fieldColumns = std::clamp(static_cast<int>(std::lround(kFieldWidthOf768 * scale / g.cellSize)),
                              1, g.columns);
  g.fieldRows =
      std::clamp(static_cast<int>(std::lround(kFieldHeightOf768 * scale / g.cellSize)), 1, g.rows);
  g.fieldWidth = std::min(width, g.fieldColumns * g.cellSize);
  g.fieldHeight = std::min(height, g.fieldRows * g.cellSize);
  g.areaLimit = kFieldShareLimit * g.fieldWidth * g.fieldHeight;
  return g;
}

FlashAnalyzer::FlashAnalyzer(int width, int height, double fps)
    : shape(FlashGeometry::of(width, height)),
      window(std::max(1, static_cast<int>(std::lround(fps)))) {
  const size_t cells = static_cast<size_t>(shape.columns) * shape.rows;
  sumR.assign(cells, 0.0f);
  sumG.assign(cells, 0.0f);
  sumB.assign(cells, 0.0f);
  cellArea.assign(cells, 0.0f);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      cellArea[static_cast<size_t>(y / shape.cellSize) * shape.columns + x / shape.cellSize] += 1;
    }
  }
  cellOfX.resize(width);
  for (int x = 0; x < width; ++x) cellOfX[x] = x / shape.cellSize;
  for (RuleWindow* rule : {&generalWindow, &redWindow}) {
    rule->swings.assign(cells, Swing{});
    rule->counts.assign(cells, 0);
    rule->eventsByFrame.assign(window, {});
  }
  areaTable.assign(static_cast<size_t>(shape.columns + 1) * (shape.rows + 1), 0.0);
}

void FlashAnalyzer::addFrame(const uint8_t* rgb) {
  measureCells(rgb);
  openFrame(generalWindow);
  openFrame(redWindow);
  followCells();
  closeFrame(generalWindow, generalResult);
  closeFrame(redWindow, redResult);
  ++frameCount;
}

void FlashAnalyzer::measureCells(const uint8_t* rgb) {
  const std::array<float, 256>& linear = linearTable();
  std::fill(sumR.begin(), sumR.end(), 0.0f);
  std::fill(sumG.begin(), sumG.end(), 0.0f);
  std::fill(sumB.begin(), sumB.end(), 0.0f);
  for (int y = 0; y < shape.height; ++y) {
    const uint8_t* pixel = rgb + static_cast<size_t>(y) * shape.width * 3;
    const size_t rowStart = static_cast<size_t>(y / shape.cellSize) * shape.columns;
    for (int x = 0; x < shape.width; ++x, pixel += 3) {
      const size_t cell = rowStart + cellOfX[x];
      sumR[cell] += linear[pixel[0]];
      sumG[cell] += linear[pixel[1]];
      sumB[cell] += linear[pixel[2]];
    }
  }
}

void FlashAnalyzer::openFrame(RuleWindow& rule) {
  std::vector<uint32_t>& leaving = rule.eventsByFrame[frameCount % window];
  for (uint32_t cell : leaving) --rule.counts[cell];
  rule.inWindow -= leaving.size();
  rule.changed = !leaving.empty();
  leaving.clear();
}

void FlashAnalyzer::followCells() {
  std::vector<uint32_t>& generalEvents = generalWindow.eventsByFrame[frameCount % window];
  std::vector<uint32_t>& redEvents = redWindow.eventsByFrame[frameCount % window];
  for (size_t cell = 0; cell < cellArea.size(); ++cell) {
    const float r = sumR[cell] / cellArea[cell];
    const float g = sumG[cell] / cellArea[cell];
    const float b = sumB[cell] / cellArea[cell];
    const auto luminance = static_cast<float>(relativeLuminance(r, g, b));
    const float redness = std::max(0.0f, r - g - b) * kRedScale;
    const float total = r + g + b;
    const bool saturated = total > 0.0f && r / total >= kSaturatedRedShare;
    if (follow(generalWindow.swings[cell], luminance, false, kGeneralRule)) {
      generalEvents.push_back(static_cast<uint32_t>(cell));
      ++generalWindow.counts[cell];
    }
    if (follow(redWindow.swings[cell], redness, saturated, kRedRule)) {
      redEvents.push_back(static_cast<uint32_t>(cell));
      ++redWindow.counts[cell];
    }
  }
}

void FlashAnalyzer::closeFrame(RuleWindow& rule, FlashRuleResult& result) {
  const std::vector<uint32_t>& added = rule.eventsByFrame[frameCount % window];
  rule.inWindow += added.size();
  if (rule.changed || !added.empty()) {
    rule.current = rule.inWindow ? worstInWindow(rule.counts) : FlashWorst{};
  }
  if (rule.current.transitions > result.worst.transitions) {
    result.worst = rule.current;
    result.worst.endFrame = frameCount;
  }
  if (rule.current.transitions > kMaxTransitionsPerSecond) noteFailing(result.failing, frameCount);
}

FlashWorst FlashAnalyzer::worstInWindow(const std::vector<uint16_t>& counts) {
  const int most = *std::max_element(counts.begin(), counts.end());
  FlashWorst best;
  // Covering a field with k transitions implies covering it with fewer.
  for (int k = 1; k <= most; ++k) {
    FlashWorst where;
    if (!fieldCovered(counts, k, where)) break;
    best = where;
    best.transitions = k;
  }
  return best;
}

bool FlashAnalyzer::fieldCovered(const std::vector<uint16_t>& counts, int atLeast,
                                 FlashWorst& where) {
  const int columns = shape.columns;
  const size_t stride = static_cast<size_t>(columns) + 1;
  for (int row = 0; row < shape.rows; ++row) {
    double rowSum = 0.0;
    for (int column = 0; column < columns; ++column) {
      const size_t cell = static_cast<size_t>(row) * columns + column;
      if (counts[cell] >= atLeast) rowSum += cellArea[cell];
      areaTable[(row + 1) * stride + column + 1] = areaTable[row * stride + column + 1] + rowSum;
    }
  }
  double most = -1.0;
  for (int top = 0; top + shape.fieldRows <= shape.rows; ++top) {
    const int bottom = top + shape.fieldRows;
    for (int left = 0; left + shape.fieldColumns <= columns; ++left) {
      const int right = left + shape.fieldColumns;
      const double area = areaTable[bottom * stride + right] - areaTable[top * stride + right] -
                          areaTable[bottom * stride + left] + areaTable[top * stride + left];
      if (area > most) {
        most = area;
        where.fieldX = left * shape.cellSize;
        where.fieldY = top * shape.cellSize;
      }
    }
  }
  where.coverage = most / (static_cast<double>(shape.fieldWidth) * shape.fieldHeight);
  return most > shape.areaLimit;
}
