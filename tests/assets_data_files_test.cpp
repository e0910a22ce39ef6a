// The places a Data/ folder is looked for and the one chosen: the installed place is found from
// the executable's own folder (so a moved install tree keeps its data), and the first place that
// exists wins as a whole, the installed data included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assets/data_files.h"

namespace {

namespace fs = std::filesystem;

TEST(DataFolderPlaces, WorkingDirectoryThenBesideTheExecutableThenTheInstalledData) {
  EXPECT_EQ(dataFolderPlaces("/usr/bin"),
            (std::vector<std::string>{"Data", "/usr/bin/Data", "/usr/share/nightloom/Data"}));
  EXPECT_EQ(dataFolderPlaces("/home/ann/moved/opt/nightloom/bin"),
            (std::vector<std::string>{"Data", "/home/ann/moved/opt/nightloom/bin/Data",
                                      "/home/ann/moved/opt/nightloom/share/nightloom/Data"}));
  // An executable whose folder is unknown has only the working directory to look in.
  EXPECT_EQ(dataFolderPlaces(""), std::vector<std::string>{"Data"});
}

// An install tree in a scratch folder: prefix/bin and prefix/share/nightloom/Data.
class InstalledTree : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nightloom_places_XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    root = fs::canonical(pattern);
    fs::create_directories(root / "prefix/bin");
    fs::create_directories(root / "prefix/share/nightloom/Data");
    fs::create_directories(root / "work");
  }
  void TearDown() override {
    chooseDataFolder({"Data"});
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  // The places of an executable in prefix/bin, the working directory's made absolute in `here`.
  std::vector<std::string> placesFrom(const fs::path& here) const {
    std::vector<std::string> places = dataFolderPlaces((root / "prefix/bin").string());
    places.front() = (here / places.front()).string();
    return places;
  }
  fs::path root;
};

TEST_F(InstalledTree, WithNoDataHereNorBesideTheExecutableTheInstalledDataIsRead) {
  const std::string installed = (root / "prefix/share/nightloom/Data").string();
  testing::internal::CaptureStderr();
  EXPECT_EQ(chooseDataFolder(placesFrom(root / "work")), installed);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("reading the data from " + installed + "\n"), std::string::npos) << said;
  EXPECT_EQ(dataFilePath("music.mp3"), installed + "/music.mp3");
}

TEST_F(InstalledTree, AFolderBesideTheExecutableOrHereComesFirst) {
  fs::create_directory(root / "prefix/bin/Data");
  testing::internal::CaptureStderr();
  EXPECT_EQ(chooseDataFolder(placesFrom(root / "work")), (root / "prefix/bin/Data").string());
  fs::create_directory(root / "work/Data");
  EXPECT_EQ(chooseDataFolder(placesFrom(root / "work")), (root / "work/Data").string());
  testing::internal::GetCapturedStderr();
}

}  // namespace
