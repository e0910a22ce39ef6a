// The system timer's resolution for the show's lifetime. The 1 ms clock thread sleeps one
// millisecond at a time, which Windows rounds up to its 15.6 ms tick unless a program asks for a
// finer one, as the multimedia timer does; Linux sleeps to the microsecond already. winmm on
// Windows (timer_resolution_winmm.cpp), nothing to do on Linux (timer_resolution_null.cpp); the
// web build has no clock thread (the browser runs the frames).
#pragma once

class TimerResolution {
 public:
  // Asks for the finest period the system offers, but no finer than 1 ms.
  TimerResolution();
  // Gives the period back.
  ~TimerResolution();
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;

  // The period granted, in ms; 0 when the system refused, so that the clock ticks coarser.
  unsigned period() const { return granted; }

 private:
  unsigned granted = 0;
};
