// What the entry and the off-screen runs need from the operating system about their own process:
// the folder of the executable, a console to print on, the way a failure reaches the user, and the
// peak memory the benchmark reports. POSIX in process_posix.cpp, Windows in process_win32.cpp.
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

// The most memory the process has held at once, in megabytes; 0 when the system does not say.
double peakMemoryMegabytes();
