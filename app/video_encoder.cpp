// What every platform's VideoEncoder shares: reading the last words of the encoder's log.
#include "app/video_encoder.h"

#include <cstdio>

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
