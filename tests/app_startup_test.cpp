// Start-up of the real executable, run in a scratch working directory: the one Data/ folder all
// nine files come from (a missing file there is reported, never taken from the other folder), and
// options refused with exit status 2 instead of being dropped. The executable's own folder holds
// the build's generated Data/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/nightloom_run.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;   // exit status; -1 when the process did not exit normally
  std::string said;  // what it wrote on stderr
};

// A scratch working directory for runs of the executable.
class Scratch {
 public:
  // Data/ with the build's files, less those named in `without`.
  void dataFolderWithout(const std::vector<std::string>& without) {
    const fs::path data = sandbox.folder("work/Data");
    for (const fs::directory_entry& entry : fs::directory_iterator(builtDataFolder())) {
      const std::string name = entry.path().filename().string();
      if (std::find(without.begin(), without.end(), name) != without.end()) continue;
      fs::copy_file(entry.path(), data / name);
    }
  }
  // Runs the executable in work/ with `arguments`; no window may open on a test's display.
  Outcome run(const std::vector<std::string>& arguments) const {
    Nightloom nightloom(arguments, sandbox.folder("work"), sandbox.root / "stderr.txt",
                        {"SDL_VIDEODRIVER=offscreen"});
    const Ended ended = nightloom.wait();
    return {ended.exited ? ended.status : -1, nightloom.stderrText()};
  }
  fs::path work() const { return sandbox.folder("work"); }

  Sandbox sandbox;
};

const std::vector<std::string> kStill = {"--still", "0", "still.png", "--size", "64x36"};

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Startup : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch.sandbox.root.empty());
    ASSERT_TRUE(fs::exists(builtDataFolder() / "music.mp3")) << "the build's Data/ is missing";
  }
  Scratch scratch;
};

TEST_F(Startup, DataHereWithoutTheMusicEndsStartUpEvenWhenTheBuildsHasIt) {
  scratch.dataFolderWithout({"music.mp3"});
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 1) << outcome.said;
  EXPECT_TRUE(has(outcome.said, "\"Data/music.mp3\" does not exist")) << outcome.said;
  EXPECT_FALSE(has(outcome.said, "reading the data from")) << outcome.said;
  EXPECT_FALSE(fs::exists(scratch.work() / "still.png"));
}

TEST_F(Startup, APictureMissingHereWarnsByNameAndStaysBlank) {
  scratch.dataFolderWithout({"title.p"});
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 0) << outcome.said;
  EXPECT_TRUE(has(outcome.said,
                  "nightloom: warning: picture \"TITLE\" stays blank: cannot open "
                  "Data/title.p"))
      << outcome.said;
  EXPECT_TRUE(fs::exists(scratch.work() / "still.png"));
}

TEST_F(Startup, WithoutDataHereTheFolderBesideTheExecutableIsNamed) {
  const Outcome outcome = scratch.run(kStill);
  EXPECT_EQ(outcome.status, 0) << outcome.said;
  const std::string line =
      "nightloom: no Data/ folder in the working directory; reading the data "
      "from " +
      builtDataFolder().string() + "\n";
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
