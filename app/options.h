// The command line. With no options the show starts with the setup dialog, the production's only
// interface; the options skip the dialog for scripts, or render the show off screen to a video
// file or pictures.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class RunMode { Dialog, Window, Capture, Frames, Still, Bench, Help, Version };

struct Options {
  RunMode mode = RunMode::Dialog;
  int width = 0;  // --window / --size; 0: the default of the mode
  int height = 0;
  bool fullscreen = false;
  bool music = true;
  bool vsync = true;
  bool reduceFlashing = false;  // --reduce-flashing, for every mode
  int fps = 60;
  int crf = -1;  // --crf: the MP4 capture's quality; -1: the encoder's default
  unsigned stillMs = 0;
  std::string output;  // --capture FILE, --frames DIR, --still MS FILE
};

// Parses argv; nothing with `error` set (one sentence) when the command line is not understood.
std::optional<Options> parseOptions(const std::vector<std::string>& arguments, std::string& error);

// The --help text.
const char* usageText();

// Parses "WIDTHxHEIGHT" with both sides from 16 to 16384.
bool parseSize(const std::string& text, int& width, int& height);
