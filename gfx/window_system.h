// The window system beneath SDL's GL context, as the extension loader sees it: the window system's
// own extension string and the pixel-format extension it must offer. WGL on Windows
// (window_system_wgl.cpp); on Linux SDL chose the framebuffer format on GLX, EGL or Wayland by
// itself (window_system_null.cpp). The web's canvas display answers for itself and needs neither.
#pragma once

// The extension string of the window system for the current context; null when it offers none.
const char* windowSystemExtensions();

// The extension that choosing a framebuffer format needs; null when nothing is required.
const char* windowSystemPixelFormatExtension();
