#include "frame_file.h"

#include "base/error.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include "base/jpeg_error_manager.h"

#include <csetjmp>
#include <cstdlib>

namespace {

// A libjpeg error jumps back into decodeAll(), whose frame holds no C++ objects.
// Warnings (corrupt or missing data, which the decoder papers over) are kept, the
// first one's text too.
void keepWarning(j_common_ptr info, int level) {
  if (level >= 0)
    return;  // trace messages
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  if (info->err->num_warnings++ == 0)
    (*info->err->format_message)(info, errors->message);
}

// Decodes every row and reads up to the end marker. False on an error.
bool decodeAll(JpegDecompressor* decompressor, const unsigned char* data, unsigned long size) {
  jpeg_decompress_struct* info = &decompressor->info;
  if (setjmp(decompressor->errors.jump))
    return false;
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, size);
  jpeg_read_header(info, TRUE);
  jpeg_start_decompress(info);
  JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                              info->output_width * JDIMENSION(info->output_components), 1);
  while (info->output_scanline < info->output_height) jpeg_read_scanlines(info, row, 1);
  jpeg_finish_decompress(info);
  return true;
}

// Empty when the JPEG data decode completely, else what is wrong.
QString jpegDamage(const QByteArray& bytes) {
  JpegDecompressor decompressor(keepWarning);
  const bool decoded = decodeAll(&decompressor, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                 static_cast<unsigned long>(bytes.size()));
  if (decoded && decompressor.errors.manager.num_warnings == 0)
    return {};
  return QString::fromLocal8Bit(decompressor.errors.message);
}

// Empty when an uncompressed BMP holds all its pixel rows, else what is wrong.
// Compressed ones are left to the reader, which refuses a short one itself.
QString bmpDamage(const QByteArray& bytes) {
  if (bytes.size() < 54)
    return QStringLiteral("the file ends inside its header");
  const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
  if (qFromLittleEndian<quint32>(data + 14) < 40)
    return {};  // the old 12-byte header: left to the reader
  const qint64 pixelsAt = qFromLittleEndian<quint32>(data + 10);
  const qint64 width = qFromLittleEndian<qint32>(data + 18);
  const qint64 height = std::abs(qint64{qFromLittleEndian<qint32>(data + 22)});
  const qint64 bitsPerPixel = qFromLittleEndian<quint16>(data + 28);
  const quint32 compression = qFromLittleEndian<quint32>(data + 30);
  if (compression != 0 && compression != 3)  // not plain rows or bit fields
    return {};
  const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  if (pixelsAt + rowBytes * height > bytes.size())
    return QStringLiteral("the file ends after %1 of its %2 bytes")
        .arg(bytes.size())
        .arg(pixelsAt + rowBytes * height);
  return {};
}

Error cannotRead(const QString& path, const QString& reason) {
  return Error(QStringLiteral("cannot read %1: %2").arg(path, reason));
}

}  // namespace

FrameBitmap readFrameFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw cannotRead(path, file.errorString());
  const QByteArray bytes = file.readAll();
  QString damage;
  if (bytes.startsWith("\xFF\xD8"))
    damage = jpegDamage(bytes);
  else if (bytes.startsWith("BM"))
    damage = bmpDamage(bytes);
  if (!damage.isEmpty())
    throw cannotRead(path, QStringLiteral("incomplete picture (%1)").arg(damage));

  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  const QImage image = reader.read();
  if (image.isNull())
    throw cannotRead(path, reader.errorString());
  return FrameBitmap(image);
}
