// The timer resolution through the Windows multimedia timer API: the finest period the device
// offers, at least 1 ms, from timeBeginPeriod until timeEndPeriod, so that the 1 ms clock thread
// wakes every millisecond instead of every 15.6 ms.
//   [x] device capabilities (timeGetDevCaps)   [x] period raised for the show (timeBeginPeriod)
//   [ ] timeSetEvent callback (the clock is a thread of our own, as on Linux)
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>

#include "platform/timer_resolution.h"

TimerResolution::TimerResolution() {
  TIMECAPS caps = {};
  if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return;
  const unsigned period = std::max(caps.wPeriodMin, 1u);
  if (timeBeginPeriod(period) == TIMERR_NOERROR) granted = period;
}

TimerResolution::~TimerResolution() {
  if (granted != 0) timeEndPeriod(granted);
}
