// The operating system's answers on POSIX (Linux): the executable from the kernel's /proc link,
// standard streams inherited from the shell, the rest from unistd and getrusage.
//   [x] folder of the executable (/proc/self/exe)   [x] console: inherited, nothing to attach
//   [x] failure line on stderr   [ ] message box (a desktop launcher shows no stderr)
//   [x] terminal test (isatty)   [x] writable folder (access)   [x] peak memory (ru_maxrss)
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/system.h"

std::string executableDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

void connectConsole() {}

void reportFailure(const std::string& message) {
  std::fprintf(stderr, "nightloom: %s\n", message.c_str());
}

bool stderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool canWriteInto(const std::string& directory) { return access(directory.c_str(), W_OK) == 0; }

double peakMemoryMegabytes() {
  rusage usage = {};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
  return usage.ru_maxrss / 1024.0;  // Linux counts it in kilobytes
}
