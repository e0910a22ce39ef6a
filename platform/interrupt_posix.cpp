// InterruptWatch on POSIX signals: SIGINT, SIGTERM and SIGHUP set the flag instead of ending the
// process. The handler touches nothing but two lock-free atomics.
//   [x] Ctrl-C (130)   [x] SIGTERM (143)   [x] terminal closed, SIGHUP (129)
//   [x] handler touches only atomics   [ ] SIGKILL (cannot be caught)
#include <signal.h>

#include <atomic>
#include <iterator>

#include "platform/interrupt.h"

namespace {

constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
constexpr InterruptSource kSourceOf[] = {InterruptSource::Keyboard, InterruptSource::Terminate,
                                         InterruptSource::HangUp};

std::atomic<int> requests{0};
std::atomic<int> first{static_cast<int>(InterruptSource::None)};
struct sigaction previous[std::size(kWatched)];

void onSignal(int number) {
  for (size_t i = 0; i < std::size(kWatched); ++i) {
    if (kWatched[i] != number) continue;
    int none = static_cast<int>(InterruptSource::None);
    first.compare_exchange_strong(none, static_cast<int>(kSourceOf[i]));
  }
  requests.fetch_add(1);
}

}  // namespace

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");

InterruptWatch::InterruptWatch() {
  requests = 0;
  first = static_cast<int>(InterruptSource::None);
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

InterruptSource firstInterrupt() { return static_cast<InterruptSource>(first.load()); }

int interruptCount() { return requests.load(); }
