// The buffers alternate: the capture fills one while the thread writes the other, and each is
// written in the order it was sent.
#include "capture/frame_feed.h"

#include <chrono>

#include "capture/video_encoder.h"

FrameFeed::FrameFeed(VideoEncoder& videoEncoder, size_t frameBytes) : encoder(videoEncoder) {
  for (std::vector<uint8_t>& buffer : buffers) buffer.resize(frameBytes);
  writer = std::thread([this] { run(); });
}

FrameFeed::~FrameFeed() { finish(true); }

uint8_t* FrameFeed::nextBuffer() {
  const auto started = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(mutex);
  changed.wait(lock, [this] { return queued < 2 || failed; });
  waited += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return failed ? nullptr : buffers[filling].data();
}

void FrameFeed::send() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ++queued;
    filling = 1 - filling;
  }
  changed.notify_all();
}

bool FrameFeed::finish(bool drop) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    closing = true;
    // The frame being written stays queued until it is; the one after it can go.
    if (drop && queued > 1) queued = 1;
  }
  changed.notify_all();
  if (writer.joinable()) writer.join();
  std::lock_guard<std::mutex> lock(mutex);
  return !failed;
}

void FrameFeed::run() {
  std::unique_lock<std::mutex> lock(mutex);
  while (true) {
    changed.wait(lock, [this] { return queued > 0 || closing; });
    if (queued == 0 || failed) return;
    const std::vector<uint8_t>& frame = buffers[writing];
    lock.unlock();
    const bool written = encoder.send(frame.data(), frame.size());
    lock.lock();
    failed = failed || !written;
    --queued;
    writing = 1 - writing;
    changed.notify_all();
  }
}
