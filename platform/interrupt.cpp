// The exit statuses of interrupted runs, the same on every platform.
#include "platform/interrupt.h"

int interruptExitStatus(InterruptSource source) {
  switch (source) {
    case InterruptSource::Keyboard:
      return 130;
    case InterruptSource::Terminate:
      return 143;
    case InterruptSource::HangUp:
      return 129;
    case InterruptSource::None:
      break;
  }
  return 0;
}
