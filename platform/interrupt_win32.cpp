// InterruptWatch on the Windows console: Ctrl-C (exit status 130, as SIGINT), Ctrl-Break (143, the
// console's stop request, as SIGTERM) and closing the console, logging off or shutting down (129,
// a hang-up, as SIGHUP) set the flag instead of ending the process. Windows ends the process once
// the handler returns from one of the last three, so the handler waits there, within the five
// seconds Windows grants, until the run has cleared its partial output away.
//   [x] Ctrl-C (130)   [x] Ctrl-Break (143)   [x] console closed, log-off, shut-down (129)
//   [x] handler on its own thread touches only atomics and an event
//   [ ] TerminateProcess from outside (cannot be caught on Windows)
#include <windows.h>

#include "platform/interrupt.h"

namespace {

// Windows kills the process five seconds after a close event; the run gets most of that.
constexpr DWORD kCloseGraceMs = 4000;

// Set when the watch ends, that is when the run has cleaned up.
HANDLE runFinished = nullptr;

InterruptSource sourceOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return InterruptSource::Keyboard;
    case CTRL_BREAK_EVENT:
      return InterruptSource::Terminate;
    default:
      return InterruptSource::HangUp;
  }
}

BOOL WINAPI onConsoleEvent(DWORD event) {
  noteInterrupt(sourceOf(event));
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && runFinished != nullptr) {
    WaitForSingleObject(runFinished, kCloseGraceMs);
  }
  return TRUE;
}

}  // namespace

InterruptWatch::InterruptWatch() {
  forgetInterrupts();
  if (runFinished != nullptr) CloseHandle(runFinished);  // the previous watch's, long set
  runFinished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  // The handle stays open: a handler still waiting on it is released by the event.
  if (runFinished != nullptr) SetEvent(runFinished);
}
