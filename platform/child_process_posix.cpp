// ChildProcess on POSIX: fork and exec. The child gets a process group of its own, so a terminal's
// Ctrl-C (sent to the foreground group) reaches only nightloom, which then closes the pipe in
// order; on Linux a parent-death signal ends the child even if nightloom is killed outright, so it
// is never left running on its own.
//   [x] program looked up on $PATH (executable files)   [x] input pipe, output to a log file
//   [x] own process group (no Ctrl-C from ours)   [x] never outlives nightloom (Linux only)
//   [x] wait with a time limit (polled)   [x] killed with all it started (its group)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/child_process.h"

struct ChildProcess::Handles {
  pid_t pid = -1;
  int input = -1;  // write end of the pipe to its standard input; -1 once closed
};

namespace {

// Only async-signal-safe calls: the child of a threaded process runs here between fork and exec.
[[noreturn]] void becomeChild(pid_t parent, int input, int logFile, const char* path,
                              char* const* argv) {
  setpgid(0, 0);
#ifdef __linux__
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
  if (getppid() != parent) _exit(127);  // the parent went before the death signal was armed
  signal(SIGPIPE, SIG_DFL);             // the parent ignores it; the child should not inherit that
  if (dup2(input, 0) < 0 || dup2(logFile, 1) < 0 || dup2(logFile, 2) < 0) _exit(127);
  execv(path, argv);
  _exit(127);
}

void closeOnce(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() { kill(); }

bool ChildProcess::start(const std::string& path, const std::vector<std::string>& command,
                         const std::string& logPath, std::string& error) {
  const std::string& name = command.front();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    error = "cannot make a pipe to " + name;
    return false;
  }
  int logFile = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (logFile < 0) {
    error = "cannot write " + name + "'s log " + logPath + ": " + std::strerror(errno);
    closeOnce(fds[0]);
    closeOnce(fds[1]);
    return false;
  }
  std::vector<char*> argv;
  for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child == 0) becomeChild(parent, fds[0], logFile, path.c_str(), argv.data());
  const int forkError = errno;
  closeOnce(fds[0]);
  closeOnce(logFile);
  if (child < 0) {
    closeOnce(fds[1]);
    error = "cannot start " + name + ": " + std::string(std::strerror(forkError));
    return false;
  }
  // Set on both sides, so that whichever runs first, no signal to our group reaches the child.
  setpgid(child, child);
  // A dead child then shows as a failed write instead of ending the parent without a word.
  signal(SIGPIPE, SIG_IGN);
  process = std::make_unique<Handles>(Handles{child, fds[1]});
  return true;
}

bool ChildProcess::send(const uint8_t* bytes, size_t size) {
  if (!process || process->input < 0) return false;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(process->input, bytes + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

void ChildProcess::closeInput() {
  if (process) closeOnce(process->input);
}

std::optional<int> ChildProcess::waitForExit(int milliseconds) {
  if (!process) return -1;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(process->pid, &status, WNOHANG);
    if (ended == process->pid || (ended < 0 && errno != EINTR)) {
      release();
      return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::chrono::steady_clock::now() >= until) return std::nullopt;
    // Polled: POSIX has no wait with a time limit for a child.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void ChildProcess::release() {
  closeOnce(process->input);
  process.reset();
}

void ChildProcess::kill() {
  if (!process) return;
  closeOnce(process->input);
  // The whole group, so that nothing the child started stays behind either.
  if (::kill(-process->pid, SIGKILL) != 0) ::kill(process->pid, SIGKILL);
  while (waitpid(process->pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  process.reset();
}

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }

std::string installAdvice(const std::string& program) {
  return "install it with 'apt-get install " + program + "'";
}

std::optional<std::string> findProgram(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  const std::string paths = path;
  size_t start = 0;
  while (start <= paths.size()) {
    const size_t end = paths.find(':', start);
    const std::string dir =
        paths.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::nullopt;
}
