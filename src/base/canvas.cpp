#include "canvas.h"

#include <QPainter>

void Canvas::frameRect(const QRect& rect) {
  if (m_image.isNull() || rect.isEmpty())
    return;
  QPainter painter(&m_image);
  painter.setPen(Qt::NoPen);
  painter.setBrush(m_brushColor);
  const int w = rect.width(), h = rect.height();
  painter.drawRect(rect.x(), rect.y(), w, 1);
  painter.drawRect(rect.x(), rect.y() + h - 1, w, 1);
  painter.drawRect(rect.x(), rect.y(), 1, h);
  painter.drawRect(rect.x() + w - 1, rect.y(), 1, h);
}
