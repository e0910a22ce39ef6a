// ChildProcess on Windows: CreateProcess with a pipe to the child's standard input and its output
// in a log file. The child gets a console and a process group of its own, so Ctrl-C and Ctrl-Break
// in nightloom's console reach only nightloom, which then closes the pipe in order; a job object
// that kills its processes when its last handle closes ends the child even if nightloom is killed
// outright.
//   [x] program looked up on %PATH% with %PATHEXT%'s extensions   [x] input pipe, output to a log
//   [x] own console and process group (no Ctrl-C from ours)   [x] never outlives nightloom (job)
//   [x] wait with a time limit   [x] killed with all it started (the job)
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/child_process.h"

struct ChildProcess::Handles {
  HANDLE process = nullptr;
  HANDLE job = nullptr;
  HANDLE input = nullptr;  // write end of the pipe to its standard input; null once closed
};

namespace {

constexpr DWORD kPipeBytes = 1 << 20;

void closeOnce(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

// One argument as the C run-time's parser reads it back: quoted when it has blanks or quotes, with
// the backslashes before a quote doubled.
std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

std::string commandLineOf(const std::string& program, const std::vector<std::string>& command) {
  std::string line = quoteArgument(program);
  for (size_t i = 1; i < command.size(); ++i) {
    line += ' ';
    line += quoteArgument(command[i]);
  }
  return line;
}

// A job whose processes all die when its last handle closes, which at the latest is our exit.
HANDLE makeKillOnCloseJob() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    closeOnce(job);
  }
  return job;
}

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> splitList(const std::string& list) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(';', start), list.size());
    std::string part = list.substr(start, end - start);
    if (part.size() >= 2 && part.front() == '"' && part.back() == '"') {
      part = part.substr(1, part.size() - 2);
    }
    if (!part.empty()) parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

std::string environmentValue(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() { kill(); }

bool ChildProcess::start(const std::string& path, const std::vector<std::string>& command,
                         const std::string& logPath, std::string& error) {
  const std::string& name = command.front();

  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, kPipeBytes)) {
    error = "cannot make a pipe to " + name;
    return false;
  }
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE logFile = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (logFile == INVALID_HANDLE_VALUE) {
    error = "cannot write " + name + "'s log " + logPath;
    closeOnce(readEnd);
    closeOnce(writeEnd);
    return false;
  }

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = logFile;
  startup.hStdError = logFile;
  PROCESS_INFORMATION child = {};
  std::string line = commandLineOf(path, command);
  // Suspended until it is in the job, so nothing it starts can escape the job either.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
  const bool started = CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                                      nullptr, nullptr, &startup, &child);
  const DWORD startError = GetLastError();
  closeOnce(readEnd);
  closeOnce(logFile);
  if (!started) {
    closeOnce(writeEnd);
    error = "cannot start " + name + " (Windows error " + std::to_string(startError) + ")";
    return false;
  }
  HANDLE job = makeKillOnCloseJob();
  // Without a job (a system that refuses nesting) the child still ends with its closed input.
  if (job != nullptr && !AssignProcessToJobObject(job, child.hProcess)) closeOnce(job);
  ResumeThread(child.hThread);
  CloseHandle(child.hThread);
  process = std::make_unique<Handles>(Handles{child.hProcess, job, writeEnd});
  return true;
}

bool ChildProcess::send(const uint8_t* bytes, size_t size) {
  if (!process || process->input == nullptr) return false;
  size_t written = 0;
  while (written < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - written, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(process->input, bytes + written, chunk, &n, nullptr) || n == 0) return false;
    written += n;
  }
  return true;
}

void ChildProcess::closeInput() {
  if (process) closeOnce(process->input);
}

std::optional<int> ChildProcess::waitForExit(int milliseconds) {
  if (!process) return -1;
  const DWORD waited = WaitForSingleObject(process->process, static_cast<DWORD>(milliseconds));
  if (waited == WAIT_TIMEOUT) return std::nullopt;
  DWORD status = 1;
  const bool known =
      waited == WAIT_OBJECT_0 && GetExitCodeProcess(process->process, &status) != FALSE;
  release();
  return known ? static_cast<int>(status) : -1;
}

void ChildProcess::release() {
  closeOnce(process->input);
  closeOnce(process->process);
  closeOnce(process->job);
  process.reset();
}

void ChildProcess::kill() {
  if (!process) return;
  closeOnce(process->input);
  // The whole job, so that nothing the child started stays behind either.
  if (process->job == nullptr || !TerminateJobObject(process->job, 1)) {
    TerminateProcess(process->process, 1);
  }
  WaitForSingleObject(process->process, INFINITE);
  release();
}

unsigned long currentProcessId() { return GetCurrentProcessId(); }

std::string installAdvice(const std::string& program) {
  return "put the folder that holds " + program + ".exe on the PATH";
}

std::optional<std::string> findProgram(const std::string& program) {
  const bool hasExtension = std::filesystem::path(program).has_extension();
  const std::vector<std::string> extensions =
      hasExtension ? std::vector<std::string>{""}
                   : splitList(environmentValue("PATHEXT", ".COM;.EXE;.BAT;.CMD"));
  for (const std::string& dir : splitList(environmentValue("PATH", ""))) {
    for (const std::string& extension : extensions) {
      const std::string candidate = (std::filesystem::path(dir) / (program + extension)).string();
      if (isFile(candidate)) return candidate;
    }
  }
  return std::nullopt;
}
