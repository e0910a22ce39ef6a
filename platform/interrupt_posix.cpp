// InterruptWatch on POSIX signals: SIGINT, SIGTERM and SIGHUP set the flag instead of ending the
// process. The handler touches nothing but two lock-free atomics.
//   [x] Ctrl-C (130)   [x] SIGTERM (143)   [x] terminal closed, SIGHUP (129)
//   [x] handler touches only atomics   [ ] SIGKILL (cannot be caught)
#include <signal.h>

#include <iterator>

#include "platform/interrupt.h"

namespace {

constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
constexpr InterruptSource kSourceOf[] = {InterruptSource::Keyboard, InterruptSource::Terminate,
                                         InterruptSource::HangUp};

struct sigaction previous[std::size(kWatched)];

void onSignal(int number) {
  for (size_t i = 0; i < std::size(kWatched); ++i) {
    if (kWatched[i] == number) noteInterrupt(kSourceOf[i]);
  }
}

}  // namespace

InterruptWatch::InterruptWatch() {
  forgetInterrupts();
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: the libraries underneath (the GL driver's threads, stdio) need not
  // expect EINTR; the frame loop looks at the flag between frames.
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kWatched); ++i) sigaction(kWatched[i], &action, &previous[i]);
}

InterruptWatch::~InterruptWatch() {
  for (size_t i = 0; i < std::size(kWatched); ++i) sigaction(kWatched[i], &previous[i], nullptr);
}
