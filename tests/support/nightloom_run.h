// The built nightloom run as a user runs it, as a child process: in a session of its own (its
// group is what a terminal's Ctrl-C reaches), in a given working folder, with stderr going to a
// file, standard output dropped and some variables set in its environment. For the tests of the
// executable's start-up and of its off-screen runs under faults.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

// A scratch folder under the system's temporary directory, removed with all it holds.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;
  // root/name, made when missing.
  std::filesystem::path folder(const std::string& name) const;

  std::filesystem::path root;  // empty when it could not be made
};

// How the run ended.
struct Ended {
  bool exited = false;  // by exit(), not by a signal
  int status = -1;      // exit status, or the signal that ended it
  double seconds = 0;   // from the wait's start
};

class Nightloom {
 public:
  // Starts it with `arguments` in `workDir`; `overrides` ("NAME=value") go into its environment.
  Nightloom(const std::vector<std::string>& arguments, const std::filesystem::path& workDir,
            const std::filesystem::path& stderrFile,
            const std::vector<std::string>& overrides = {});
  ~Nightloom();  // kills its whole group if it still runs
  Nightloom(const Nightloom&) = delete;
  Nightloom& operator=(const Nightloom&) = delete;

  // Waits until its stderr holds `text`; false when it ended or the time ran out first.
  bool waitForMessage(const std::string& text);
  // Whether it has ended, without collecting its status.
  bool ended();
  void signalGroup(int number);
  void signalAlone(int number);
  // Waits for its end (at most a few minutes: a run that hangs fails instead of stalling).
  Ended wait();
  std::string stderrText() const;
  // Its last line on stderr (progress lines come before it).
  std::string lastLine() const;

 private:
  pid_t pid = -1;
  std::filesystem::path errors;
};

// Standard output of a shell command (an ffmpeg or ffprobe run over a test's files).
std::string commandOutput(const std::string& command);

// The whole of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// The build's Data/ folder, beside the executable.
std::filesystem::path builtDataFolder();
