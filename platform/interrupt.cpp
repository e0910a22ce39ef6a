// What every system's watch shares: the requests counted and the first one kept, and the exit
// statuses they give.
#include "platform/interrupt.h"

#include <atomic>

namespace {

std::atomic<int> requests{0};
std::atomic<int> first{static_cast<int>(InterruptSource::None)};

}  // namespace

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler needs lock-free atomics");

void forgetInterrupts() {
  requests = 0;
  first = static_cast<int>(InterruptSource::None);
}

void noteInterrupt(InterruptSource source) {
  int none = static_cast<int>(InterruptSource::None);
  first.compare_exchange_strong(none, static_cast<int>(source));
  requests.fetch_add(1);
}

InterruptSource firstInterrupt() { return static_cast<InterruptSource>(first.load()); }

int interruptCount() { return requests.load(); }

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
