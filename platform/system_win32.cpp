// The operating system's answers on Windows: the executable's folder from GetModuleFileName, a
// GUI-subsystem program (no console window of its own) that borrows its parent's console for
// --help, progress and errors, a message box for a failure no console would show, the console test
// and the write check of the C run-time, and the peak working set.
//   [x] folder of the executable (GetModuleFileNameA)
//   [x] console: streams the parent redirected, else the parent's console (AttachConsole)
//   [x] failure line on stderr   [x] message box when there is no console
//   [x] terminal test (_isatty)   [ ] writable folder (_access sees only that it exists)
//   [x] peak memory (working set)
#include <windows.h>
// After windows.h, which it needs.
#include <io.h>
#include <psapi.h>

#include <cstdio>
#include <filesystem>

#include "platform/system.h"

namespace {

// Whether a line on stderr reaches anybody: a console, or a file or pipe the parent handed over.
bool failureLineSeen = false;

bool usableHandle(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

std::string executableDirectory() {
  std::string name(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(name.size() * 2);  // truncated: try a larger buffer
  }
  return std::filesystem::path(name).parent_path().string();
}

void connectConsole() {
  const bool output = usableHandle(STD_OUTPUT_HANDLE);
  const bool errors = usableHandle(STD_ERROR_HANDLE);
  failureLineSeen = errors;
  if ((output && errors) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  // Streams the parent redirected stay where they point; the others go to its console.
  if (!output) std::freopen("CONOUT$", "w", stdout);
  if (!errors) std::freopen("CONOUT$", "w", stderr);
  // The C library buffers a console opened this way in full; msvcrt refuses line buffering
  // without a buffer, so stderr goes unbuffered as a terminal's would be.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  failureLineSeen = true;
}

void reportFailure(const std::string& message) {
  std::fprintf(stderr, "nightloom: %s\n", message.c_str());
  std::fflush(stderr);
  if (!failureLineSeen) {
    MessageBoxA(nullptr, message.c_str(), "nightloom", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  }
}

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// For a folder the C run-time only checks that it is there: Windows decides writes by access
// lists, and a refused write is then reported where it happens.
bool canWriteInto(const std::string& directory) { return _access(directory.c_str(), 2) == 0; }

double peakMemoryMegabytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0.0;
  return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}
