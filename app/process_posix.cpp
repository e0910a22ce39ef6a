// The process on Linux: the executable from the kernel's /proc link, standard streams inherited
// from the shell, peak memory from getrusage.
//   [x] folder of the executable (/proc/self/exe)
//   [x] console: inherited, nothing to attach
//   [x] failure line on stderr   [ ] message box (a desktop launcher shows no stderr)
//   [x] peak memory (ru_maxrss)
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include "app/process.h"

std::string executableDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

void connectConsole() {}

void reportFailure(const std::string& message) {
  std::fprintf(stderr, "nightloom: %s\n", message.c_str());
}

double peakMemoryMegabytes() {
  rusage usage = {};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
}
