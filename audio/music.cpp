// The show's soundtrack on the audio engine: open with the assets, start in the first frame after
// 3000 ms (muted, but still analysed, when the music box is off), stop at shutdown, and the
// spectrum of what is heard each frame.
#include "audio/music.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "audio/audio_engine.h"

namespace {

// The file's name decides how it is opened, not its contents: "music.mp3" is a stream, and any
// name without "MP3" in it (in any case) is taken for a tracker module.
bool isStreamName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name.find("MP3") != std::string::npos;
}

}  // namespace

MusicState::MusicState() = default;

// The output stops before the engine goes, so the device's thread never mixes from freed channels.
MusicState::~MusicState() {
  if (engine) engine->stop();
  engine.reset();
}

bool openMusicFile(MusicState& music, const std::string& path) {
  music.error.clear();
  if (!music.engine) music.engine = AudioEngine::open(music.output);
  if (isStreamName(path)) {
    music.streamHandle = music.engine->createStream(path, music.error);
    if (music.streamHandle == 0) return false;
    music.isModule = 0;
  } else {
    music.moduleHandle = music.engine->loadModule(path, music.error);
    if (music.moduleHandle == 0) return false;
    music.isModule = 1;
  }
  return true;
}

bool startMusicIfDue(MusicState& music, uint8_t& started, bool enabled, uint32_t ms) {
  if (ms <= kMusicStartMs || started == 1) return false;
  if (music.engine) {
    // Muted rather than left out: the beats come from what the music sounds like, heard or not.
    if (!enabled) music.engine->setVolume(music.live(), 0.0f);
    // A capture's first music frame is this one, so the driven clock must stand here already.
    if (music.engine->output() == AudioOutput::Driven) music.engine->setDrivenTime(ms);
    music.engine->start();
    music.engine->play(music.live());
  }
  started = 1;
  return true;
}

void stopMusic(MusicState& music, uint8_t& started) {
  if (started && music.engine) music.engine->stop();
  started = 0;
}

bool fetchSpectrum(MusicState& music, uint32_t ms) {
  if (!music.engine || music.live() == 0) return false;
  if (music.engine->output() == AudioOutput::Driven) music.engine->setDrivenTime(ms);
  return music.engine->spectrum(music.live(), music.spectrum);
}
