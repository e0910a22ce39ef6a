// The setup dialog as the user sees it: shown modally before the window opens, ended by "Launch"
// (kSetupResultLaunch) or by "Quit", Escape or closing it (kSetupResultQuit). On Linux it is a GTK
// 3 window (setup_dialog_gtk.cpp) whose widgets are named "launch", "quit", "resolution",
// "aspect", "multisampling", "fullscreen", "vsync" and "music" for tests and style; on Windows the
// modal dialog of template 101 (setup_dialog_win32.cpp, setup_dialog_win32.rc). Both views share
// the model's commands and the entry call (setup_dialog.cpp); the web page shows a launch panel
// of its own instead (web/index.html).
#pragma once

#include "launcher/display_modes.h"
#include "launcher/setup_model.h"

struct DemoContext;

// Initialises the toolkit (once; it leaves the C locale alone). False when there is no display to
// show the dialog on.
bool openSetupToolkit();

// Shows the dialog for `model`; on Launch fills `settings` and returns kSetupResultLaunch, else
// returns kSetupResultQuit and leaves `settings` alone. Initialises the toolkit when needed;
// without a display it says so on stderr and returns kSetupResultQuit.
int runSetupDialog(const SetupModel& model, LaunchSettings& settings);

// The entry's call: the dialog for `model` (made over the record's mode list, preset from the
// command line); Launch stores every setting in `context`, anything else leaves it untouched.
int runSetupDialog(DemoContext& context, const SetupModel& model);
