// Maps the show's data names onto the files of this machine.
#include "assets/data_files.h"

#include <filesystem>

namespace {
std::string executableDirectory;

std::string nativeSpelling(const char* showPath) {
  std::string path = showPath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}
}  // namespace

void setExecutableDirectory(const std::string& directory) { executableDirectory = directory; }

std::string resolveDataPath(const char* showPath) {
  const std::string relative = nativeSpelling(showPath);
  std::error_code ignored;
  if (std::filesystem::exists(relative, ignored) || executableDirectory.empty()) return relative;
  const std::filesystem::path beside = std::filesystem::path(executableDirectory) / relative;
  if (std::filesystem::exists(beside, ignored)) return beside.string();
  return relative;
}
