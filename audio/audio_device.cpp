// The registered sound-device backend. The core cannot name SDL, so the entry installs the SDL
// output here before the music is opened.
#include "audio/audio_device.h"

namespace {
AudioDeviceFactory registeredFactory = nullptr;
}  // namespace

void setAudioDeviceFactory(AudioDeviceFactory factory) { registeredFactory = factory; }

AudioDeviceFactory audioDeviceFactory() { return registeredFactory; }
