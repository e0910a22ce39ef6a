// The SDL2 sound output, part of the SDL backend library. The entry installs it before the music
// is opened; without it the engine plays silently.
#pragma once

// Makes the audio engine open SDL's default output device for AudioOutput::Device.
void installSdlAudioDevice();
