// Frames handed to the encoder by a thread of their own, so that the renderer draws the next frame
// while the encoder takes the last one: two buffers, one being filled by the capture while the
// other is written to ffmpeg's input. The capture waits only when the encoder is two frames behind,
// and that wait is what the summary calls the encoder's share.
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
  ~FrameFeed();  // stops the thread; frames not yet written are dropped
  FrameFeed(const FrameFeed&) = delete;
  FrameFeed& operator=(const FrameFeed&) = delete;

  // The buffer to fill with the next frame, once the encoder has taken the frame that was in it;
  // null when the encoder stopped taking frames.
  uint8_t* nextBuffer();
  // Hands the buffer from nextBuffer() to the encoder.
  void send();
  // Waits until every frame sent is written (or, with `drop`, only the one being written), and
  // stops the thread; false when the encoder stopped taking frames.
  bool finish(bool drop);

  double waitedSeconds() const { return waited; }

 private:
  void run();

  VideoEncoder& encoder;
  std::vector<uint8_t> buffers[2];
  std::mutex mutex;
  std::condition_variable changed;
  int filling = 0;       // the buffer the capture fills next
  int queued = 0;        // frames sent and not yet written (0, 1 or 2)
  int writing = 0;       // the buffer the thread writes next
  bool closing = false;  // no more frames will come
  bool failed = false;
  double waited = 0;
  std::thread writer;
};
