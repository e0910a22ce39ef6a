// The analyser's report: the frames read, the area rule at their size, and per rule the most
// flashes in one second, where, the seconds with more than three, and the verdict.
#pragma once

#include <cstdio>
#include <string>

#include "tools/flashcheck/flash_analysis.h"

// Writes the report of `analyzer` on `input` to `out`.
void printFlashReport(std::FILE* out, const std::string& input, const FlashAnalyzer& analyzer,
                      double fps);

// Whether both rules pass.
inline bool flashesPass(const FlashAnalyzer& analyzer) {
  return analyzer.general().passes() && analyzer.red().passes();
}
