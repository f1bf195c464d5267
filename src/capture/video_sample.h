#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>

// One frame as the media framework hands it to a grabber, pointing into memory that
// the sample does not own. Either a packed RGB picture (a QImage format) or 8-bit
// YUV planes with the colour matrix they were encoded with.
struct VideoSample {
  enum class Layout { None, Packed, I420, I422, Nv12, Nv21 };
  // Which YUV-to-RGB matrix and range the planes use.
  enum class Matrix { Bt601, Bt601Full, Bt709, Bt709Full, Bt2020, Bt2020Full };

  Layout layout = Layout::None;
  int width = 0;
  int height = 0;
  // Packed: plane 0 only. I420, I422: Y, U, V. Nv12, Nv21: Y and the interleaved chroma.
  const std::uint8_t* planes[3] = {};
  std::ptrdiff_t strides[3] = {};
  QImage::Format packedFormat = QImage::Format_Invalid;
  Matrix matrix = Matrix::Bt601;

  bool isNull() const { return layout == Layout::None || width <= 0 || height <= 0; }

  // Wraps a packed picture's pixels; a null image gives a null sample.
  static VideoSample packed(const QImage& image) {
    VideoSample sample;
    if (image.isNull())
      return sample;
    sample.layout = Layout::Packed;
    sample.width = image.width();
    sample.height = image.height();
    sample.planes[0] = image.constBits();
    sample.strides[0] = image.bytesPerLine();
    sample.packedFormat = image.format();
    return sample;
  }
  // The packed picture, sharing the sample's memory.
  QImage packedImage() const { return QImage(planes[0], width, height, strides[0], packedFormat); }
};
