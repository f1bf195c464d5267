#include "snapshot_stamp.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cstring>

namespace {

constexpr int kRightMargin = 20;
constexpr int kGap = 5;

QFont stampFont(StampStyle style) {
  QFont font(QStringLiteral("Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  font.setBold(style == StampStyle::Bold);
  return font;
}

}  // namespace

FrameBitmap stampSnapshot(const FrameBitmap& frame, const QString& caption, const QString& dateTimeText,
                          StampStyle style) {
  if (frame.isEmpty())
    return {};
  const QFont font = stampFont(style);
  // Measured against the picture itself, so sizes follow its resolution like the painter's.
  const QFontMetrics metrics(font, &frame.image());
  const int textHeight = metrics.height();
  const int width = frame.width();
  const int height = frame.height() + 2 * textHeight + kGap;

  // copy() keeps the frame's rows at the top and adds the band below it.
  QImage image = frame.image().copy(0, 0, width, height);
  for (int y = frame.height(); y < height; ++y) std::memset(image.scanLine(y), 0xFF, size_t(width) * 3);

  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.setBackground(Qt::white);
  painter.setBackgroundMode(Qt::OpaqueMode);
  const auto drawRightAligned = [&](const QString& text, int top) {
    const int x = width - metrics.horizontalAdvance(text) - kRightMargin;
    painter.drawText(x, top + metrics.ascent(), text);
  };
  drawRightAligned(caption, height - 2 * textHeight);
  drawRightAligned(QStringLiteral("Quorvex : ") + dateTimeText, height - textHeight);
  painter.end();
  return FrameBitmap(image);
}
