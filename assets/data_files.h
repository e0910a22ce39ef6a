// Where the show's data lives: one Data/ folder, chosen once at start-up, from which all nine files
// are read, so a data set is never a mixture of two folders.
#pragma once

#include <string>
#include <vector>

// The places a Data/ folder is looked for, in order: the working directory's, then the one beside
// the executable, then the installed one, share/nightloom/Data next to the executable's bin/ (the
// last two are left out when `executableDirectory` is empty, i.e. unknown). The installed place is
// found from the executable's own folder, so an install tree moved as a whole keeps its data.
std::vector<std::string> dataFolderPlaces(const std::string& executableDirectory);

// Reads every data file from the first of `places` that is a directory from now on; when none is,
// from the first place, so that errors name the files where they were expected. Says in one line
// on stderr when the folder is not the first place. Returns the folder.
std::string chooseDataFolder(const std::vector<std::string>& places);

// The path of the data file `name` ("music.mp3") in the chosen folder; in the working directory's
// Data/ until one is chosen.
std::string dataFilePath(const char* name);
