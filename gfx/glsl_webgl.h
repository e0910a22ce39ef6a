// The show's GLSL 1.20 sources as WebGL's GLSL ES 1.00 accepts them, made when they are handed to
// GL in the web build; the sources themselves stay as the desktop compiles them.
#pragma once

#include <string>
#include <string_view>

// `desktopSource` without its #version line and with every float suffix gone ("1.0f" becomes
// "1.0", ".5f" becomes ".5", "2f" becomes "2.0").
std::string glslForWebGL(std::string_view desktopSource);
