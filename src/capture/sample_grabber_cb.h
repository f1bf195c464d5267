#pragma once

#include "base/frame_bitmap.h"
#include "capture/video_sample.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The hand-off between the media framework's streaming thread and the UI thread.
// BufferCB converts a sample only when armed, so frames are dropped, never queued,
// while the UI thread is busy. The conversion writes straight into the bitmap that
// the UI thread later delivers, one of a few that are reused once nobody holds them:
// one pass and no allocation per delivered frame.
class TSampleGrabberCB {
 public:
  // Posts the notifications to the UI thread (queued, in order): sampleCopied is
  // true after a copy; every sample posts once with false as well.
  using Window = std::function<void(bool sampleCopied)>;

  // Set before the callback is installed; never changed while the graph runs.
  void setWindow(Window window) { m_window = std::move(window); }
  void setArmed(bool armed) { m_armed.store(armed); }
  bool armed() const { return m_armed.load(); }

  // Streaming thread. A null sample (a frame that cannot be read as a picture) is
  // not copied.
  void BufferCB(const VideoSample& sample);
  void BufferCB(const QImage& sample) { BufferCB(VideoSample::packed(sample)); }

  // UI thread: the newest copied frame, sharing its pixels; empty before the first copy.
  FrameBitmap frame() const;
  std::size_t frameSize() const;

  // The pixel buffers made so far: a few, however many frames were converted.
  std::size_t buffersMade() const { return m_buffersMade; }

 private:
  struct Buffer;
  FrameBitmap convert(const VideoSample& sample);
  FrameBitmap unheldBuffer(int width, int height);

  Window m_window;
  std::atomic<bool> m_armed = false;
  // Streaming thread only. A buffer no frame holds cannot be reached by the UI
  // thread, so it is written without the lock.
  std::vector<std::shared_ptr<Buffer>> m_buffers;
  std::size_t m_nextReplaced = 0;
  std::size_t m_buffersMade = 0;
  mutable std::mutex m_lock;  // guards m_frame and m_frameSize
  FrameBitmap m_frame;
  std::size_t m_frameSize = 0;
};
