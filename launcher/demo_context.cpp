// The parts of the one global record that are more than plain fields: filling the display-mode
// list and the desktop aspect at start.
#include "launcher/demo_context.h"

void DemoContext::initDisplayModes(const DisplayModeQuery& query) {
  displayModes = enumerateDisplayModes(query);
  desktopAspect = detectDesktopAspect(query);
}
