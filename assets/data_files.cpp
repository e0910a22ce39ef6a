// Chooses the show's Data/ folder and names the files in it.
#include "assets/data_files.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* kWorkingDirectoryData = "Data";
// Where `cmake --install` and the package put the data, seen from the installed executable.
constexpr const char* kInstalledDataFromExecutable = "../share/nightloom/Data";

std::string chosenFolder = kWorkingDirectoryData;

bool isDirectory(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_directory(path, ignored);
}

}  // namespace

std::vector<std::string> dataFolderPlaces(const std::string& executableDirectory) {
  std::vector<std::string> places = {kWorkingDirectoryData};
  if (!executableDirectory.empty()) {
    const std::filesystem::path executable = executableDirectory;
    places.push_back((executable / "Data").string());
    // Lexical clean-up only (/usr/bin/../share to /usr/share): the directory comes from the
    // kernel's link to the executable, which has no symbolic links left in it.
    places.push_back((executable / kInstalledDataFromExecutable).lexically_normal().string());
  }
  return places;
}

std::string chooseDataFolder(const std::vector<std::string>& places) {
  chosenFolder = places.empty() ? kWorkingDirectoryData : places.front();
  for (const std::string& place : places) {
    if (!isDirectory(place)) continue;
    chosenFolder = place;
    break;
  }
  if (!places.empty() && chosenFolder != places.front()) {
    std::fprintf(
        stderr, "nightloom: no %s%c folder in the working directory; reading the data from %s\n",
        places.front().c_str(), static_cast<char>(std::filesystem::path::preferred_separator),
        chosenFolder.c_str());
  }
  return chosenFolder;
}

std::string dataFilePath(const char* name) {
  return (std::filesystem::path(chosenFolder) / name).string();
}
