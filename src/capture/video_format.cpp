#include "video_format.h"

#include <QStringList>

bool SameVideoFormat(const TVideoFormat& a, const TVideoFormat& b) {
  return a.SubType == b.SubType && a.Height == b.Height && a.Width == b.Width && a.BitCount == b.BitCount;
}

QString VideoFormatToText(const TVideoFormat& format) {
  static const QStringList named{"YVU9", "Y411",  "Y41P",  "YUY2",   "YVYU",   "UYVY",
                                 "Y211", "RGB24", "RGB32", "RGB565", "RGB555", "ARGB32"};
  QString text = QStringLiteral("%1x%2x%3b").arg(format.Width).arg(format.Height).arg(format.BitCount);
  if (named.contains(format.SubType))
    text += QStringLiteral(" (%1)").arg(format.SubType);
  return text;
}
