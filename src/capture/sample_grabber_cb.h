#pragma once

#include "base/frame_bitmap.h"

#include <QImage>

#include <atomic>
#include <functional>
#include <mutex>

// The hand-off between the media framework's streaming thread and the UI thread.
// BufferCB copies a sample only when armed, so frames are dropped, never queued,
// while the UI thread is busy. The copy goes straight into the bitmap that the UI
// thread later delivers: one copy per delivered frame.
class TSampleGrabberCB {
 public:
  // Posts the notifications to the UI thread (queued, in order): sampleCopied is
  // true after a copy; every sample posts once with false as well.
  using Window = std::function<void(bool sampleCopied)>;

  // Set before the callback is installed; never changed while the graph runs.
  void setWindow(Window window) { m_window = std::move(window); }
  void setArmed(bool armed) { m_armed.store(armed); }
  bool armed() const { return m_armed.load(); }

  // Streaming thread. sample wraps the frame's memory without owning it; a null
  // sample (a frame that cannot be read as a picture) is not copied.
  void BufferCB(const QImage& sample);

  // UI thread: the newest copied frame, sharing its pixels; empty before the first copy.
  FrameBitmap frame() const;
  std::size_t frameSize() const;

 private:
  Window m_window;
  std::atomic<bool> m_armed = false;
  mutable std::mutex m_lock;  // guards m_frame and m_frameSize
  FrameBitmap m_frame;
  std::size_t m_frameSize = 0;
};
