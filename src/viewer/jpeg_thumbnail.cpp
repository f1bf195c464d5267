#include "jpeg_thumbnail.h"

#include <QFile>
#include <QImageReader>

#include "base/jpeg_error_manager.h"

#include <csetjmp>

namespace {

// Warnings (a truncated file) are not fatal: what could be decoded is shown.
void ignoreWarning(j_common_ptr, int) {}

// The largest reduction of 1, 2, 4 or 8 after which the longer side still covers the cell.
unsigned int reductionFor(unsigned int width, unsigned int height, int cellSize) {
  const unsigned int longer = width > height ? width : height;
  unsigned int denominator = 8;
  while (denominator > 1 && longer / denominator < unsigned(cellSize)) denominator /= 2;
  return denominator;
}

// Decodes into *image, which decodeScaled sizes once the header is read. False on an error.
bool decodeScaled(JpegDecompressor* decompressor, const QByteArray* bytes, int cellSize, QImage* image) {
  jpeg_decompress_struct* info = &decompressor->info;
  if (setjmp(decompressor->errors.jump))
    return false;
  jpeg_create_decompress(info);
  jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes->constData()),
               static_cast<unsigned long>(bytes->size()));
  jpeg_read_header(info, TRUE);
  info->scale_num = 1;
  info->scale_denom = reductionFor(info->image_width, info->image_height, cellSize);
  // Blue, green, red, padding: the memory order of QImage::Format_RGB32 on this CPU.
  info->out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  info->dct_method = JDCT_IFAST;
  jpeg_start_decompress(info);
  *image = QImage(int(info->output_width), int(info->output_height), QImage::Format_RGB32);
  if (image->isNull())
    return false;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = image->scanLine(int(info->output_scanline));
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

QImage fitted(const QImage& image, int cellSize) {
  if (image.isNull() || (image.width() <= cellSize && image.height() <= cellSize))
    return image;
  return image.scaled(cellSize, cellSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage decodeOther(const QString& path, int cellSize) {
  QImageReader reader(path);
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > cellSize || size.height() > cellSize))
    reader.setScaledSize(size.scaled(cellSize, cellSize, Qt::KeepAspectRatio));
  return fitted(reader.read(), cellSize);
}

}  // namespace

QImage decodeThumbnail(const QString& path, int cellSize) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray bytes = file.readAll();
  if (!bytes.startsWith("\xFF\xD8"))
    return decodeOther(path, cellSize);
  JpegDecompressor decompressor(ignoreWarning);
  QImage image;
  if (!decodeScaled(&decompressor, &bytes, cellSize, &image))
    return {};
  return fitted(image, cellSize);
}
