// VideoEncoder on Windows: CreateProcess with a pipe to the encoder's standard input and its output
// in a log file. The encoder gets a console and a process group of its own, so Ctrl-C and
// Ctrl-Break in nightloom's console reach only nightloom, which then closes the pipe in order; a
// job object that kills its processes when its last handle closes ends the encoder even if
// nightloom is killed outright.
//   [x] program looked up on %PATH% with %PATHEXT%'s extensions
//   [x] own console and process group (no Ctrl-C from ours)   [x] never outlives nightloom (job)
//   [x] wait with a time limit   [x] log tail on failure
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "capture/video_encoder.h"

struct VideoEncoder::Process {
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

VideoEncoder::VideoEncoder() = default;
VideoEncoder::~VideoEncoder() { kill(); }

bool VideoEncoder::start(const std::vector<std::string>& command, std::string& error) {
  const std::optional<std::string> path = locate(command.front(), GetCurrentProcessId(), error);
  if (!path) return false;

  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, kPipeBytes)) {
    error = "cannot make a pipe to ffmpeg";
    return false;
  }
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE logFile = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (logFile == INVALID_HANDLE_VALUE) {
    error = "cannot write ffmpeg's log " + log;
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
  std::string line = commandLineOf(*path, command);
  // Suspended until it is in the job, so nothing it starts can escape the job either.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
  const bool started = CreateProcessA(path->c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                                      nullptr, nullptr, &startup, &child);
  const DWORD startError = GetLastError();
  closeOnce(readEnd);
  closeOnce(logFile);
  if (!started) {
    closeOnce(writeEnd);
    DeleteFileA(log.c_str());
    error = "cannot start ffmpeg (Windows error " + std::to_string(startError) + ")";
    return false;
  }
  HANDLE job = makeKillOnCloseJob();
  // Without a job (a system that refuses nesting) the encoder still ends with its closed input.
  if (job != nullptr && !AssignProcessToJobObject(job, child.hProcess)) closeOnce(job);
  ResumeThread(child.hThread);
  CloseHandle(child.hThread);
  process = std::make_unique<Process>(Process{child.hProcess, job, writeEnd});
  return true;
}

bool VideoEncoder::send(const uint8_t* bytes, size_t size) {
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

void VideoEncoder::closeInput() { closeOnce(process->input); }

std::optional<int> VideoEncoder::waitForExit(int milliseconds) {
  switch (WaitForSingleObject(process->process, static_cast<DWORD>(milliseconds))) {
    case WAIT_TIMEOUT:
      return std::nullopt;
    case WAIT_OBJECT_0: {
      DWORD status = 1;
      if (!GetExitCodeProcess(process->process, &status)) return -1;
      return static_cast<int>(status);
    }
    default:
      return -1;
  }
}

void VideoEncoder::release() {
  closeOnce(process->process);
  closeOnce(process->job);
  process.reset();
}

void VideoEncoder::kill() {
  if (!process) return;
  closeOnce(process->input);
  // The whole job, so that nothing the encoder started stays behind either.
  if (process->job == nullptr || !TerminateJobObject(process->job, 1)) {
    TerminateProcess(process->process, 1);
  }
  WaitForSingleObject(process->process, INFINITE);
  release();
  DeleteFileA(log.c_str());
}

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
