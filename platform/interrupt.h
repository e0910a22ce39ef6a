// Requests from outside to end an off-screen run early: Ctrl-C, a service manager's stop, a closed
// terminal. While an InterruptWatch lives they only set a flag, so the run can stop after the
// current frame, wait for the encoder and clear away its partial output before it exits. Signals
// on Linux (interrupt_posix.cpp), console events on Windows (interrupt_win32.cpp), the exit
// statuses shared (interrupt.cpp); the web build has no off-screen runs to interrupt.
#pragma once

enum class InterruptSource { None, Keyboard, Terminate, HangUp };

// Exit status of a run that such a request ended, as a shell reports death by SIGINT, SIGTERM
// and SIGHUP: 130, 143 and 129.
int interruptExitStatus(InterruptSource source);

// Catches the requests for its lifetime (one watch at a time); the old handling comes back after.
class InterruptWatch {
 public:
  InterruptWatch();
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// What the first request since the watch began was; None while there was none.
InterruptSource firstInterrupt();
// How many requests have come since the watch began: a second one means "now, do not wait".
int interruptCount();

// For the system's watch: forgets every request (a watch begins), and notes one as it arrives.
// noteInterrupt touches only lock-free atomics, so a signal handler may call it.
void forgetInterrupts();
void noteInterrupt(InterruptSource source);
