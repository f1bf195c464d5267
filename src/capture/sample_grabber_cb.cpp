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

// Pixels that frames borrow. The last frame holding them (of all copies of the
// one lent) clears `held` when it is destroyed, after its reads, on whichever
// thread that happens; the grabber writes them again only once it sees that.
struct TSampleGrabberCB::Buffer {
  Buffer(int width, int height)
      : width(width),
        height(height),
        bytesPerLine((3 * width + 3) / 4 * 4),
        pixels(new uchar[static_cast<std::size_t>(bytesPerLine) * height]) {}

  // A frame over the pixels, which keeps them alive as long as it or a copy of it
  // lives, also beyond the grabber.
  FrameBitmap lend(const std::shared_ptr<Buffer>& self) {
    held.store(true, std::memory_order_relaxed);
    auto* keep = new std::shared_ptr<Buffer>(self);
    const auto giveBack = [](void* info) {
      auto* kept = static_cast<std::shared_ptr<Buffer>*>(info);
      (*kept)->held.store(false, std::memory_order_release);
      delete kept;
    };
    return FrameBitmap(
        QImage(pixels.get(), width, height, bytesPerLine, QImage::Format_BGR888, giveBack, keep));
  }

  const int width;
  const int height;
  const int bytesPerLine;
  const std::unique_ptr<uchar[]> pixels;
  std::atomic<bool> held = false;
};

FrameBitmap TSampleGrabberCB::convert(const VideoSample& sample) {
  if (sample.layout == VideoSample::Layout::Packed && sample.packedFormat != QImage::Format_BGR888)
    return FrameBitmap(sample.packedImage());  // converts: still one pass
  FrameBitmap target = unheldBuffer(sample.width, sample.height);
  if (!convertToBgr(sample, target.scanLine(0), target.image().bytesPerLine()))
    return {};
  return target;
}

// A frame over a buffer of the size that no frame holds. Else a new buffer takes the
// place of an unheld one of another size or, when all are held, of the oldest
// choice, which then lives on with its holders.
FrameBitmap TSampleGrabberCB::unheldBuffer(int width, int height) {
  std::shared_ptr<Buffer>* spare = nullptr;
  for (std::shared_ptr<Buffer>& buffer : m_buffers) {
    if (buffer->held.load(std::memory_order_acquire))
      continue;
    if (buffer->width == width && buffer->height == height)
      return buffer->lend(buffer);
    spare = &buffer;
  }
  auto fresh = std::make_shared<Buffer>(width, height);
  ++m_buffersMade;
  if (!spare && m_buffers.size() < kBufferCount) {
    m_buffers.push_back(std::move(fresh));
    return m_buffers.back()->lend(m_buffers.back());
  }
  if (!spare) {
    spare = &m_buffers[m_nextReplaced];
    m_nextReplaced = (m_nextReplaced + 1) % kBufferCount;
  }
  *spare = std::move(fresh);
  return (*spare)->lend(*spare);
}

FrameBitmap TSampleGrabberCB::frame() const {
  std::lock_guard lock(m_lock);
  return m_frameSize ? m_frame : FrameBitmap();
}

std::size_t TSampleGrabberCB::frameSize() const {
  std::lock_guard lock(m_lock);
  return m_frameSize;
}
