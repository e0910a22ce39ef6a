// The names the show's window goes by: its title, and the window class other programs find it by
// (the Win32 class; the WM_CLASS on X11).
#pragma once

inline constexpr const char* kWindowTitle = "nightloom2o18";
inline constexpr const char* kWindowClass = "demo_zor";
