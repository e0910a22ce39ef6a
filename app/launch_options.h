// How the command line reaches the live show's settings: the setup dialog opens with the boxes and
// the resolution the options ask for, and --window / --fullscreen take the dialog's Launch with
// those controls without showing it, so both paths follow one rule. What the dialog cannot show
// is refused, never dropped.
#pragma once

#include <string>

#include "launcher/setup_model.h"

struct Options;

// --no-music and --no-vsync untick their boxes, --size and --window pick the resolution, and on the
// window path Fullscreen is ticked only by --fullscreen.
SetupPreset setupPresetOf(const Options& options);

// False with `error` set (one sentence naming the option) when the dialog cannot open as the
// command line asks: a --size that is none of its resolutions.
bool dialogTakesOptions(const Options& options, const SetupModel& model, std::string& error);
