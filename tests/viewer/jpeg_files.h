#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

// Writes a real baseline JPEG of one colour at quality 90; fails the test when it cannot.
inline void writeJpeg(const QString& path, QSize size, QColor colour = Qt::darkCyan) {
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(colour);
  ASSERT_TRUE(picture.save(path, "JPG", 90)) << path.toStdString();
}
