#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// A drawing surface over an image that remembers its brush colour, the way the
// detector and the motion actions expect to draw on the live picture.
class Canvas {
 public:
  Canvas() = default;
  explicit Canvas(QImage image) : m_image(std::move(image)) {}

  QImage& image() { return m_image; }
  const QImage& image() const { return m_image; }
  QColor brushColor() const { return m_brushColor; }
  void setBrushColor(QColor colour) { m_brushColor = colour; }

  // A frame one pixel wide along the inside of rect, in the brush colour.
  void frameRect(const QRect& rect);

 private:
  QImage m_image;
  QColor m_brushColor = Qt::white;
};
