// The timer resolution on POSIX: the kernel's high-resolution timers already wake a sleeping thread
// within microseconds, so there is nothing to raise.
//   [x] 1 ms sleeps (hrtimers)   [ ] system-wide period request (none exists)
#include "platform/timer_resolution.h"

TimerResolution::TimerResolution() : granted(1) {}

TimerResolution::~TimerResolution() = default;
