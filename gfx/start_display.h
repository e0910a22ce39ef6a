// Brings the display up from the chosen settings (window or headless surface, GL context, entry
// points, swap interval, letterboxed viewport and perspective) and takes it down again.
#pragma once

#include <optional>
#include <string>

struct DemoContext;
class Display;

struct Viewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The 16:9 letterbox inside a width x height drawable. The picture is always composed in a 16:9
// band, so every aspect choice gets it, "Auto" on a desktop of no known ratio (code 0) included;
// nothing only for an empty drawable.
std::optional<Viewport> letterboxViewport(int width, int height);

// Creates the window and context on `display`, loads the entry points and sets viewport and
// projection. False with `error` set to one sentence when any step fails; the caller then tears
// down with stopDisplay.
bool startDisplay(DemoContext& context, Display& display, std::string& error);

// Sets the viewport to the letterbox of the display's drawable as it is now, and the perspective
// to match: startDisplay does it once, a display that changes size under the show again.
void fitLetterbox(Display& display);

// Destroys the window and context (restoring the display mode and cursor).
void stopDisplay(DemoContext& context);
