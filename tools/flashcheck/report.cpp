// Report wording: seconds rather than frame numbers, flashes rather than transitions.
#include "tools/flashcheck/report.h"

#include <algorithm>
#include <vector>

namespace {

struct Span {
  double from, to;  // seconds
};

// The one-second window that ends with frame `last`, in seconds of the video.
Span windowSpan(uint64_t last, int window, double fps) {
  const double end = (static_cast<double>(last) + 1.0) / fps;
  return {std::max(0.0, end - window / fps), end};
}

// The seconds covered by the failing windows, overlapping ones joined.
std::vector<Span> failingSpans(const FlashRuleResult& rule, int window, double fps) {
  std::vector<Span> spans;
  for (const FrameRange& range : rule.failing) {
    const Span span = {windowSpan(range.first, window, fps).from,
                       windowSpan(range.last, window, fps).to};
    if (!spans.empty() && span.from <= spans.back().to) {
      spans.back().to = span.to;
    } else {
      spans.push_back(span);
    }
  }
  return spans;
}

void printRule(std::FILE* out, const char* name, const FlashRuleResult& rule,
               const FlashAnalyzer& analyzer, double fps) {
  const FlashWorst& worst = rule.worst;
  std::fprintf(out, "  %s flashes: at most %g in one second (%d transitions)", name,
               worst.transitions / 2.0, worst.transitions);
  if (worst.transitions > 0) {
    const Span span = windowSpan(worst.endFrame, analyzer.windowFrames(), fps);
    const FlashGeometry& g = analyzer.geometry();
    std::fprintf(out, ", %.2f-%.2f s, over %.0f %% of the %dx%d field at (%d, %d)", span.from,
                 span.to, worst.coverage * 100.0, g.fieldWidth, g.fieldHeight, worst.fieldX,
                 worst.fieldY);
  }
  std::fprintf(out, "\n");
  const std::vector<Span> spans = failingSpans(rule, analyzer.windowFrames(), fps);
  if (spans.empty()) return;
  std::fprintf(out, "    more than 3 in one second within:");
  for (size_t i = 0; i < spans.size(); ++i) {
    std::fprintf(out, "%s %.2f-%.2f s", i ? "," : "", spans[i].from, spans[i].to);
  }
  std::fprintf(out, "\n");
}

}  // namespace

void printFlashReport(std::FILE* out, const std::string& input, const FlashAnalyzer& analyzer,
                      double fps) {
  const FlashGeometry& g = analyzer.geometry();
  std::fprintf(out, "%s: %dx%d, %g fps, %llu frames (%.2f s)\n", input.c_str(), g.width, g.height,
               fps, static_cast<unsigned long long>(analyzer.frames()), analyzer.frames() / fps);
  std::fprintf(out,
               "  area: flashes count where they cover more than %.0f px, a quarter of a %dx%d "
               "10-degree field (341x256 of 1024x768, scaled by height); cells of %d px\n",
               g.areaLimit, g.fieldWidth, g.fieldHeight, g.cellSize);
  printRule(out, "general", analyzer.general(), analyzer, fps);
  printRule(out, "red", analyzer.red(), analyzer, fps);
  const bool general = analyzer.general().passes();
  const bool red = analyzer.red().passes();
  std::fprintf(out, "  WCAG 2.3.1 three flashes: %s\n",
               general && red ? "passes"
               : general      ? "fails (red flashes)"
               : red          ? "fails (general flashes)"
                              : "fails (general and red flashes)");
}
