#include "mask_file.h"

#include "base/error.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <array>
#include <cstdint>

namespace {

// The 16 colours of the standard 4-bit palette, as 0xRRGGBB.
constexpr std::array<QRgb, 16> kPalette = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                           0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                           0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteSize = 4 * 16;

std::uint8_t nearestPaletteIndex(QRgb colour) {
  int best = 0;
  int bestDistance = INT32_MAX;
  for (int i = 0; i < 16; ++i) {
    const int dr = qRed(colour) - qRed(kPalette[i]);
    const int dg = qGreen(colour) - qGreen(kPalette[i]);
    const int db = qBlue(colour) - qBlue(kPalette[i]);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return static_cast<std::uint8_t>(best);
}

// Little-endian fields of the BMP headers.
void put16(QByteArray& out, std::uint16_t value) { out.append(char(value & 0xFF)).append(char(value >> 8)); }

void put32(QByteArray& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.append(char((value >> shift) & 0xFF));
}

QByteArray fourBitBmp(const QImage& mask) {
  const QImage image = mask.convertToFormat(QImage::Format_RGB32);
  const int width = image.width(), height = image.height();
  const qint64 rowBytes = (qint64(width) + 7) / 8 * 4;  // 4 bits a pixel, rows padded to 4 bytes
  const qint64 imageBytes = rowBytes * height;
  const qint64 offset = kFileHeaderSize + kInfoHeaderSize + kPaletteSize;

  QByteArray out;
  out.reserve(offset + imageBytes);
  out.append("BM");
  put32(out, std::uint32_t(offset + imageBytes));
  put32(out, 0);  // two reserved words
  put32(out, std::uint32_t(offset));

  put32(out, kInfoHeaderSize);
  put32(out, std::uint32_t(width));
  put32(out, std::uint32_t(height));  // positive: rows stored bottom-up
  put16(out, 1);                      // planes
  put16(out, 4);                      // bits per pixel
  put32(out, 0);                      // no compression
  put32(out, std::uint32_t(imageBytes));
  put32(out, 0);   // horizontal resolution, unspecified
  put32(out, 0);   // vertical resolution
  put32(out, 16);  // colours used
  put32(out, 0);   // all colours important

  for (QRgb colour : kPalette) {
    out.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour))).append('\0');
  }

  QByteArray row(rowBytes, '\0');
  for (int y = height - 1; y >= 0; --y) {
    row.fill('\0');
    const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width; ++x) {
      // The left pixel of each byte sits in the high nibble.
      const int shift = (x % 2 == 0) ? 4 : 0;
      row[x / 2] = char(row[x / 2] | (nearestPaletteIndex(pixels[x]) << shift));
    }
    out.append(row);
  }
  return out;
}

Error cannotCreate(const QString& path, const QString& reason) {
  return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

}  // namespace

QString maskFilePath(const QString& programFolder, const QString& caption) {
  QString name = caption;
  name.replace(u'/', u'_');
  return programFolder + QStringLiteral("Mask/Mask for ") + name + QStringLiteral(".bmp");
}

FrameBitmap loadMaskFile(const QString& path) {
  QImageReader reader(path, "bmp");
  const QImage image = reader.read();
  if (image.isNull())
    throw Error(QStringLiteral("Bitmap image is not valid"));
  return FrameBitmap(image);
}

void saveMaskFile(const QString& path, const QImage& mask) {
  if (mask.isNull())
    throw Error(QStringLiteral("Bitmap image is not valid"));
  QDir().mkpath(QFileInfo(path).absolutePath());  // a failure shows up as the open's reason below

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw cannotCreate(path, file.errorString());
  const QByteArray bytes = fourBitBmp(mask);
  if (file.write(bytes) != bytes.size() || !file.commit())
    throw cannotCreate(path, file.errorString());
}
