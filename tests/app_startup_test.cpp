// Start-up of the real executable, run in a scratch working directory: the one Data/ folder all
// nine files come from (a missing file there is reported, never taken from the other folder), and
// options refused with exit status 2 instead of being dropped. The executable's own folder holds
// the build's generated Data/.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kExecutable = NIGHTLOOM_EXECUTABLE;
const fs::path kBuildData = kExecutable.parent_path() / "Data";

struct Outcome {
  int status = -1;   // exit status; -1 when the process did not exit normally
  std::string said;  // what it wrote on stderr
};

// In the forked child: moves into `directory`, sends stderr to `log` and becomes the executable.
[[noreturn]] void becomeExecutable(const fs::path& directory, const fs::path& log,
                                   const std::vector<std::string>& arguments) {
  if (chdir(directory.c_str()) != 0) _exit(127);
  if (!std::freopen(log.c_str(), "w", stderr) || !std::freopen("/dev/null", "w", stdout)) {
    _exit(127);
  }
  setenv("SDL_VIDEODRIVER", "offscreen", 1);  // no window may open on a test's display
  // In a sanitizer build the child's leak check would only see Mesa's caches, which the driver
  // leaves nameless once it is unloaded at exit; what is checked here is what it says.
  const char* sanitizer = std::getenv("ASAN_OPTIONS");
  setenv("ASAN_OPTIONS", (std::string(sanitizer ? sanitizer : "") + ":detect_leaks=0").c_str(), 1);
  alarm(300);  // a start-up that hangs fails instead of stalling the suite
  std::vector<char*> argv = {const_cast<char*>(kExecutable.c_str())};
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  execv(kExecutable.c_str(), argv.data());
  _exit(127);
}

// A scratch working directory, removed with everything in it.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "nightloom_startup_XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
  // Data/ with the build's files, less those named in `without`.
  void dataFolderWithout(const std::vector<std::string>& without) {
    fs::create_directory(path / "Data");
    for (const fs::directory_entry& entry : fs::directory_iterator(kBuildData)) {
      const std::string name = entry.path().filename().string();
      if (std::find(without.begin(), without.end(), name) != without.end()) continue;
      fs::copy_file(entry.path(), path / "Data" / name);
    }
  }
  // Runs the executable here with `arguments`; stderr is collected, stdout dropped.
  Outcome run(const std::vector<std::string>& arguments) const {
    const fs::path log = path / "stderr.txt";
    const pid_t child = fork();
    if (child == 0) becomeExecutable(path, log, arguments);
    Outcome outcome;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
      outcome.status = WEXITSTATUS(status);
    }
    std::ifstream file(log);
    outcome.said.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return outcome;
  }

  fs::path path;
};

const std::vector<std::string> kStill = {"--still", "0", "still.png", "--size", "64x36"};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Startup : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.path.empty());
    ASSERT_TRUE(fs::exists(kBuildData / "music.mp3")) << "the build's Data/ is missing";
  }
  Scratch scratch;
};

TEST_F(Startup, DataHereWithoutTheMusicEndsStartUpEvenWhenTheBuildsHasIt) {
  scratch.dataFolderWithout({"music.mp3"});
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 1) << outcome.said;
  EXPECT_TRUE(has(outcome.said, "\"Data/music.mp3\" does not exist")) << outcome.said;
  EXPECT_FALSE(has(outcome.said, "reading the data from")) << outcome.said;
  EXPECT_FALSE(fs::exists(scratch.path / "still.png"));
}

TEST_F(Startup, APictureMissingHereWarnsByNameAndStaysBlank) {
  scratch.dataFolderWithout({"title.p"});
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 0) << outcome.said;
  EXPECT_TRUE(has(outcome.said,
                  "nightloom: warning: picture \"TITLE\" stays blank: cannot open "
                  "Data/title.p"))
      << outcome.said;
  EXPECT_TRUE(fs::exists(scratch.path / "still.png"));
}

TEST_F(Startup, WithoutDataHereTheFolderBesideTheExecutableIsNamed) {
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 0) << outcome.said;
  const std::string line =
      "nightloom: no Data/ folder in the working directory; reading the data "
      "from " +
      kBuildData.string() + "\n";
  EXPECT_TRUE(has(outcome.said, line)) << outcome.said;
  EXPECT_FALSE(has(outcome.said, "warning")) << outcome.said;
}

// Options the live show cannot honour stop it with status 2 and a sentence naming them.
TEST_F(Startup, OptionsTheLiveShowCannotHonourAreRefused) {
  struct Case {
    std::vector<std::string> arguments;
    std::string named;
  };
  const Case cases[] = {{{"--fps", "30"}, "--fps"},
                        {{"--window", "640x360", "--fps", "30"}, "--fps"},
                        {{"--size", "1000x500"}, "--size 1000x500"}};
  for (const Case& c : cases) {
    const Outcome outcome = scratch.run(c.arguments);
    EXPECT_EQ(outcome.status, 2) << c.named << ": " << outcome.said;
    EXPECT_TRUE(has(outcome.said, "nightloom: " + c.named)) << outcome.said;
  }
}

}  // namespace
