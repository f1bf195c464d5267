#include "sample_grabber_cb.h"

#include "capture/bgr_conversion.h"

#include <atomic>

namespace {

// The newest frame, the one a handler keeps (the camera window's last frame) and
// the one the detector compares it with are held at once; one more is written.
constexpr std::size_t kBufferCount = 4;

}  // namespace

void TSampleGrabberCB::BufferCB(const VideoSample& sample) {
  if (!sample.isNull() && m_armed.exchange(false)) {
    FrameBitmap frame = convert(sample);
    if (frame.isEmpty()) {
      m_armed.store(true);  // not a picture after all: the next sample is taken
      if (m_window)
        m_window(false);
      return;
    }
    {
      std::lock_guard lock(m_lock);
      m_frame = std::move(frame);
      m_frameSize = static_cast<std::size_t>(m_frame.image().sizeInBytes());
    }
    if (m_window)
      m_window(true);
  }
  if (m_window)
    m_window(false);
}

FrameBitmap TSampleGrabberCB::convert(const VideoSample& sample) {
  if (sample.layout == VideoSample::Layout::Packed && sample.packedFormat != QImage::Format_BGR888)
    return FrameBitmap(sample.packedImage());  // converts: still one pass
  FrameBitmap& target = unheldBuffer(sample.width, sample.height);
  if (!convertToBgr(sample, target.scanLine(0), target.image().bytesPerLine()))
    return {};
  return target;
}

// A buffer of the size that only this list holds. Else a new one takes the place of
// an unheld one of another size or, when all are held, of the oldest choice, which
// then lives on with its holders.
FrameBitmap& TSampleGrabberCB::unheldBuffer(int width, int height) {
  FrameBitmap* spare = nullptr;
  for (FrameBitmap& buffer : m_buffers) {
    if (!buffer.image().isDetached())
      continue;
    if (buffer.width() == width && buffer.height() == height) {
      // The count is read relaxed: order the last holder's reads before our writes.
      std::atomic_thread_fence(std::memory_order_acquire);
      return buffer;
    }
    spare = &buffer;
  }
  FrameBitmap fresh(QImage(width, height, QImage::Format_BGR888));
  if (!spare && m_buffers.size() < kBufferCount) {
    m_buffers.push_back(std::move(fresh));
    return m_buffers.back();
  }
  if (!spare) {
    spare = &m_buffers[m_nextReplaced];
    m_nextReplaced = (m_nextReplaced + 1) % kBufferCount;
  }
  *spare = std::move(fresh);
  return *spare;
}

FrameBitmap TSampleGrabberCB::frame() const {
  std::lock_guard lock(m_lock);
  return m_frameSize ? m_frame : FrameBitmap();
}

std::size_t TSampleGrabberCB::frameSize() const {
  std::lock_guard lock(m_lock);
  return m_frameSize;
}
