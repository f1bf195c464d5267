#pragma once

#include "frame_view.h"

#include <QImage>

// A picture of width x height pixels at 24 bits per pixel, bytes in blue, green,
// red order, each row padded to a multiple of 4 bytes. Copies share the pixels
// until one of them is written, so keeping a frame is cheap.
class FrameBitmap {
 public:
  FrameBitmap() = default;
  FrameBitmap(int width, int height);  // filled with black
  // Converts a picture of any depth to 24-bit blue-green-red.
  explicit FrameBitmap(const QImage& image);

  int width() const { return m_image.width(); }
  int height() const { return m_image.height(); }
  bool isEmpty() const { return m_image.isNull(); }
  FrameView view() const;
  std::uint8_t* scanLine(int y) { return m_image.scanLine(y); }
  const QImage& image() const { return m_image; }

 private:
  QImage m_image;
};
