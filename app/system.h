// The little the off-screen runs ask of the operating system beyond the standard library: whether
// progress goes to a terminal, whether a folder takes new files, and the run's peak memory. One
// source file per system implements it (system_posix.cpp).
#pragma once

#include <string>

// True when standard error is a terminal, where progress is rewritten in place.
bool stderrIsTerminal();

// True when this process may create files in `directory` (which exists).
bool canWriteInto(const std::string& directory);

// The largest resident size the process has had, in megabytes; 0 when the system does not say.
double peakMemoryMegabytes();
