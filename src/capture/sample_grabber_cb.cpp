#include "sample_grabber_cb.h"

#include <cstring>

void TSampleGrabberCB::BufferCB(const QImage& sample) {
  if (!sample.isNull() && m_armed.exchange(false)) {
    {
      std::lock_guard lock(m_lock);
      if (sample.format() == QImage::Format_BGR888) {
        // Reuse the buffer unless a handler still holds the last delivered frame.
        if (m_frame.width() != sample.width() || m_frame.height() != sample.height() ||
            !m_frame.image().isDetached())
          m_frame = FrameBitmap(QImage(sample.width(), sample.height(), QImage::Format_BGR888));
        const auto rowBytes = static_cast<std::size_t>(sample.width()) * 3;
        for (int y = 0; y < sample.height(); ++y)
          std::memcpy(m_frame.scanLine(y), sample.constScanLine(y), rowBytes);
      } else {
        m_frame = FrameBitmap(sample);  // converts: still one copy
      }
      m_frameSize = static_cast<std::size_t>(m_frame.image().sizeInBytes());
    }
    if (m_window)
      m_window(true);
  }
  if (m_window)
    m_window(false);
}

FrameBitmap TSampleGrabberCB::frame() const {
  std::lock_guard lock(m_lock);
  return m_frameSize ? m_frame : FrameBitmap();
}

std::size_t TSampleGrabberCB::frameSize() const {
  std::lock_guard lock(m_lock);
  return m_frameSize;
}
