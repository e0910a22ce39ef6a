// What the web build adds to emscripten's desktop-GL emulation on WebGL 1: entry points it lacks or
// gets wrong, handed to the loader in place of emscripten's own. The canvas display asks here
// first.
#pragma once

// The web build's own version of the GL entry point `name`; null when emscripten's is used as is.
void* webglShimProcAddress(const char* name);
