// The capture fills the buffer only while it is empty, and the thread writes it only while it is
// full; the flag changes hands under the mutex.
#include "capture/frame_feed.h"

#include <chrono>

#include "capture/video_encoder.h"

FrameFeed::FrameFeed(VideoEncoder& videoEncoder, size_t frameBytes)
    : encoder(videoEncoder), buffer(frameBytes) {
  writer = std::thread([this] { run(); });
}

FrameFeed::~FrameFeed() { finish(); }

uint8_t* FrameFeed::nextBuffer() {
  const auto started = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(mutex);
  changed.wait(lock, [this] { return !full || failed; });
  waited += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return failed ? nullptr : buffer.data();
}

void FrameFeed::send() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    full = true;
  }
  changed.notify_all();
}

bool FrameFeed::finish() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    closing = true;
  }
  changed.notify_all();
  if (writer.joinable()) writer.join();
  std::lock_guard<std::mutex> lock(mutex);
  return !failed;
}

void FrameFeed::run() {
  std::unique_lock<std::mutex> lock(mutex);
  while (true) {
    changed.wait(lock, [this] { return full || closing; });
    if (!full || failed) return;
    lock.unlock();
    const bool written = encoder.send(buffer.data(), buffer.size());
    lock.lock();
    failed = !written;
    full = false;
    changed.notify_all();
  }
}
