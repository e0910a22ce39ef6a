// A child process fed through a pipe to its standard input, with its output and errors going to a
// log file: started, written to, closed and waited for with a time limit, or killed together with
// whatever it started. It runs apart from the terminal's (or console's) Ctrl-C, so that the parent,
// not the child, decides how an interrupted run ends, and it never outlives the parent. The video
// encoder runs ffmpeg through it. One source file per system: child_process_posix.cpp,
// child_process_win32.cpp; the web build has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();  // kills a process still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program at `path` with the arguments `command` (command[0] is its name, as the
  // messages use it), its output and errors written to `logPath`. False with `error` set.
  bool start(const std::string& path, const std::vector<std::string>& command,
             const std::string& logPath, std::string& error);
  bool running() const { return process != nullptr; }
  // Writes all of `bytes` to its input; false when it stopped taking them.
  bool send(const uint8_t* bytes, size_t size);
  // Closes its input, which tells a filter like ffmpeg that the stream has ended.
  void closeInput();
  // Waits up to `milliseconds` for it to end: its exit status (-1 when it cannot be followed),
  // after which the process is let go of; nothing while it still runs.
  std::optional<int> waitForExit(int milliseconds);
  // Kills it and everything it started, and waits for it.
  void kill();

 private:
  struct Handles;  // the system's: process, input pipe
  void release();
  std::unique_ptr<Handles> process;
};

// This process's id, to give its files names no other run of the program uses at the same time.
unsigned long currentProcessId();

// How a user of this system puts `program` on the PATH, as a clause: "install it with ...".
std::string installAdvice(const std::string& program);

// The full name of `program` as found in a directory of $PATH (on Windows with one of %PATHEXT%'s
// extensions when it has none).
std::optional<std::string> findProgram(const std::string& program);
inline bool programOnPath(const std::string& program) { return findProgram(program).has_value(); }
