#pragma once

#include <QImage>
#include <QString>

// The picture of a file reduced to fit a square cell of cellSize pixels (never
// enlarged), for the viewer's thumbnail strip. JPEG files are decoded at 1/2, 1/4
// or 1/8 of their size when that still covers the cell, which skips most of the
// decoding work; other formats go through Qt's image reader. A null image when the
// file cannot be read or decoded. Safe to call on any thread.
QImage decodeThumbnail(const QString& path, int cellSize);
