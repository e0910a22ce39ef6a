// What the program asks of the operating system beyond the standard library: the folder of its
// executable, a console to print on and the way a failure reaches the user (for the entry), and,
// for the off-screen runs, whether progress goes to a terminal, whether a folder takes new files
// and the run's peak memory. One source file per system: system_posix.cpp, system_win32.cpp; the
// web build asks nothing of the system.
#pragma once

#include <string>

// The folder of the running executable; empty when it cannot be found.
std::string executableDirectory();

// Makes standard output and error print where the user started the program. Nothing to do where
// every process inherits them; a Windows GUI program attaches to its parent's console, if any.
void connectConsole();

// Tells the user of a failure that ends the run: the line "nightloom: `message`" on stderr, and a
// message box as well where no console shows that line (a Windows program started from Explorer).
void reportFailure(const std::string& message);

// True when standard error is a terminal, where progress is rewritten in place.
bool stderrIsTerminal();

// True when this process may create files in `directory` (which exists).
bool canWriteInto(const std::string& directory);

// The largest resident size the process has had, in megabytes; 0 when the system does not say.
double peakMemoryMegabytes();
