// The SDL2 sound output (output_sdl.cpp), the same on Linux, Windows and the web. The entry
// installs it before the music is opened; without it the engine plays silently (output_null.cpp).
#pragma once

// Makes the audio engine open SDL's default output device for AudioOutput::Device.
void installSdlAudioDevice();
