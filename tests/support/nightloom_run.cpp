// fork and exec on the child's side, waitpid on ours; the child's group is killed with it.
#include "support/nightloom_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generous: the sanitizer build renders and starts up many times slower.
constexpr std::chrono::seconds kRunLimit{240};

std::vector<char*> pointersTo(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The parent's environment with `own` ("NAME=value") in place of the variables it names.
std::vector<std::string> environmentWith(std::vector<std::string> own) {
  // In the sanitizer build the child's leak check at exit would report the GL driver's caches
  // under no name, Mesa having unloaded the driver by then (the in-process tests pin it for that
  // reason); memory errors and undefined behaviour are still caught.
  const char* asan = std::getenv("ASAN_OPTIONS");
  own.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0");
  std::vector<std::string> environment = own;
  for (char** variable = environ; *variable; ++variable) {
    const std::string entry = *variable;
    const std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const std::string& mine : own) overridden |= mine.rfind(name + "=", 0) == 0;
    if (!overridden) environment.push_back(entry);
  }
  return environment;
}

}  // namespace

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "nightloom-test-XXXXXX").string();
  if (mkdtemp(pattern.data())) root = pattern;
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  if (!root.empty()) fs::remove_all(root, ignored);
}

fs::path Sandbox::folder(const std::string& name) const {
  fs::create_directories(root / name);
  return root / name;
}

Nightloom::Nightloom(const std::vector<std::string>& arguments, const fs::path& workDir,
                     const fs::path& stderrFile, const std::vector<std::string>& overrides)
    : errors(stderrFile) {
  std::vector<std::string> command{NIGHTLOOM_EXECUTABLE};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environment = environmentWith(overrides);
  std::vector<char*> argv = pointersTo(command);
  std::vector<char*> envp = pointersTo(environment);
  pid = fork();
  if (pid == 0) {
    setsid();
    const int err = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int out = open("/dev/null", O_WRONLY);
    if (err < 0 || out < 0 || chdir(workDir.c_str()) != 0 || dup2(err, 2) < 0 || dup2(out, 1) < 0) {
      _exit(126);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
}

Nightloom::~Nightloom() {
  if (pid > 0) {
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

bool Nightloom::waitForMessage(const std::string& text) {
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < kRunLimit) {
    if (stderrText().find(text) != std::string::npos) return true;
    if (ended()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

bool Nightloom::ended() {
  siginfo_t info = {};
  return waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid == pid;
}

void Nightloom::signalGroup(int number) { kill(-pid, number); }

void Nightloom::signalAlone(int number) { kill(pid, number); }

Ended Nightloom::wait() {
  Ended ended;
  const Clock::time_point start = Clock::now();
  int status = 0;
  while (Clock::now() - start < kRunLimit) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      ended.exited = WIFEXITED(status);
      ended.status = ended.exited ? WEXITSTATUS(status) : WTERMSIG(status);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ended.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return ended;
}

std::string Nightloom::stderrText() const { return readFile(errors); }

std::string Nightloom::lastLine() const {
  std::string text = stderrText();
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t cut = text.find_last_of("\r\n");
  return cut == std::string::npos ? text : text.substr(cut + 1);
}

std::string commandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  pclose(pipe);
  return output;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

fs::path builtDataFolder() { return fs::path(NIGHTLOOM_EXECUTABLE).parent_path() / "Data"; }
