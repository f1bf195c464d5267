#include "frame_bitmap.h"

FrameBitmap::FrameBitmap(int width, int height) : m_image(width, height, QImage::Format_BGR888) {
  m_image.fill(Qt::black);
}

FrameBitmap::FrameBitmap(const QImage& image)
    : m_image(image.format() == QImage::Format_BGR888 ? image
                                                      : image.convertToFormat(QImage::Format_BGR888)) {}

FrameView FrameBitmap::view() const {
  if (m_image.isNull())
    return {};
  return {m_image.constBits(), m_image.width(), m_image.height(), m_image.bytesPerLine()};
}
