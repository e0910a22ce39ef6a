// Where the show's data lives. Names are spelled as the show has always spelled them
// ("Data\\music.mp3"); on POSIX the backslashes become slashes. Data/ is looked for in the working
// directory first, then beside the executable, so build/nightloom runs from the repository root.
#pragma once

#include <string>

// Directory of the running executable, set once by the entry; empty: working directory only.
void setExecutableDirectory(const std::string& directory);

// The path that opens `showPath` here: the working directory's copy when it exists, else the one
// beside the executable, else the working-directory spelling (so errors name the expected place).
std::string resolveDataPath(const char* showPath);
