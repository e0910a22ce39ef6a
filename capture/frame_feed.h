// A frame handed to the encoder by a thread of its own, so that the renderer draws the next frame
// while the encoder takes the last one. One buffer is enough: it is only needed again when the
// next frame is read back, by which time ffmpeg has long taken the last (it copies its input into
// its own queue); the capture waits only when it has not, and that wait is the encoder's share.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class VideoEncoder;

class FrameFeed {
 public:
  FrameFeed(VideoEncoder& encoder, size_t frameBytes);
  ~FrameFeed();  // stops the thread
  FrameFeed(const FrameFeed&) = delete;
  FrameFeed& operator=(const FrameFeed&) = delete;

  // The buffer to fill with the next frame, once the encoder has taken the frame that was in it;
  // null when the encoder stopped taking frames.
  uint8_t* nextBuffer();
  // Hands the filled buffer to the encoder.
  void send();
  // Waits until the frame sent is written and stops the thread; false when the encoder stopped
  // taking frames.
  bool finish();

  double waitedSeconds() const { return waited; }

 private:
  void run();

  VideoEncoder& encoder;
  std::vector<uint8_t> buffer;
  std::mutex mutex;
  std::condition_variable changed;
  bool full = false;     // a frame is waiting to be written, or being written
  bool closing = false;  // no more frames will come
  bool failed = false;
  double waited = 0;
  std::thread writer;
};
