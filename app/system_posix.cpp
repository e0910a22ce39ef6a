// The operating system's answers on POSIX.
#include <sys/resource.h>
#include <unistd.h>

#include "app/system.h"

bool stderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool canWriteInto(const std::string& directory) { return access(directory.c_str(), W_OK) == 0; }

double peakMemoryMegabytes() {
  rusage usage = {};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
  return usage.ru_maxrss / 1024.0;  // Linux counts it in kilobytes
}
