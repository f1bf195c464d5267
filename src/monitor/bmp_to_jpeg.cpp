#include "bmp_to_jpeg.h"

#include "base/error.h"

#include <QFile>
#include <QRegularExpression>

#include "base/jpeg_error_manager.h"

#include <fcntl.h>
#include <jerror.h>
#include <unistd.h>
#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace {

constexpr int kQuality = 90;
constexpr int kRowsPerCall = 16;

// Owns the encoder state; frees it on every path. A libjpeg error jumps back into
// encode(), whose frame holds no C++ objects.
struct Compressor {
  jpeg_compress_struct info{};
  JpegErrorManager errors{};

  Compressor() {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
  }
  ~Compressor() { jpeg_destroy_compress(&info); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;
};

// Encodes the frame into `file`. False on a libjpeg error, with its text in
// `compressor->errors.message`.
bool encode(Compressor* compressor, FILE* file, const FrameView* frame) {
  jpeg_compress_struct* info = &compressor->info;
  if (setjmp(compressor->errors.jump))
    return false;
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, file);
  info->image_width = JDIMENSION(frame->width);
  info->image_height = JDIMENSION(frame->height);
  info->input_components = 3;
  // The rows are fed as they lie in memory; libjpeg-turbo converts blue-green-red to
  // YCbCr in its SIMD code, giving the same file as an RGB source without a copy.
  info->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, kQuality, TRUE);
  jpeg_start_compress(info, TRUE);
  JSAMPROW rows[kRowsPerCall];
  while (info->next_scanline < info->image_height) {
    const int first = int(info->next_scanline);
    const int count = frame->height - first < kRowsPerCall ? frame->height - first : kRowsPerCall;
    for (int i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(frame->row(first + i));
    jpeg_write_scanlines(info, rows, JDIMENSION(count));
  }
  jpeg_finish_compress(info);
  return true;
}

Error cannotCreate(const QString& fileName, const QString& reason) {
  return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
}

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString jpegTemporaryName(const QString& jpegFile) {
  // In the same folder, so the rename stays on one file system; hidden, so the
  // picture viewer never lists it. The process id keeps two programs apart.
  const qsizetype slash = jpegFile.lastIndexOf(u'/');
  return jpegFile.left(slash + 1) + u'.' + jpegFile.mid(slash + 1) + u'.' + QString::number(::getpid()) +
         QStringLiteral(".part");
}

}  // namespace

bool isJpegTemporaryName(const QString& fileName) {
  static const QRegularExpression pattern(QStringLiteral("^\\..+\\.jpg\\.[0-9]+\\.part$"));
  return pattern.match(fileName).hasMatch();
}

QByteArray TBmpToJpeg::writeTemporary() {
  if (Image.isEmpty())
    throw cannotCreate(JpegFile, QStringLiteral("The picture is empty."));

  const QByteArray temporaryName = QFile::encodeName(jpegTemporaryName(JpegFile));
  FILE* file = std::fopen(temporaryName.constData(), "wbe");
  if (!file) {
    m_systemError = errno;
    throw cannotCreate(JpegFile, systemReason(m_systemError));
  }

  Compressor compressor;
  const FrameView frame = Image.view();
  QString failure;
  errno = 0;
  if (!encode(&compressor, file, &frame)) {
    // A failed write (disk full, file too large) says more in the system's words.
    const bool writeFailed = compressor.errors.manager.msg_code == JERR_FILE_WRITE && errno != 0;
    m_systemError = writeFailed ? errno : 0;
    failure = writeFailed ? systemReason(errno) : QString::fromLocal8Bit(compressor.errors.message);
  }
  // The buffered rest of the file reaches the disk at the close.
  if (std::fclose(file) != 0 && failure.isEmpty()) {
    m_systemError = errno;
    failure = systemReason(errno);
  }
  if (!failure.isEmpty()) {
    ::unlink(temporaryName.constData());
    throw cannotCreate(JpegFile, failure);
  }
  return temporaryName;
}

void TBmpToJpeg::SaveJpeg() {
  m_systemError = 0;
  const QByteArray temporaryName = writeTemporary();
  if (std::rename(temporaryName.constData(), QFile::encodeName(JpegFile).constData()) != 0) {
    m_systemError = errno;
    ::unlink(temporaryName.constData());
    throw cannotCreate(JpegFile, systemReason(m_systemError));
  }
}

void TBmpToJpeg::SaveNewJpeg(const std::function<QString(int)>& nameFor) {
  m_systemError = 0;
  JpegFile = nameFor(0);
  const QByteArray temporaryName = writeTemporary();
  for (int n = 0;; ++n) {
    const QString name = n == 0 ? JpegFile : nameFor(n);
    const QByteArray target = QFile::encodeName(name);
    // link() fails with EEXIST when the name is taken, where a rename would
    // replace the file; the test for a free name and the taking are one step.
    if (::link(temporaryName.constData(), target.constData()) == 0) {
      ::unlink(temporaryName.constData());
      JpegFile = name;
      return;
    }
    int error = errno;
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS) {
      // No hard links on this file system: claim the name with an empty file
      // that only this call can have created, then move the picture over it.
      const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      error = errno;
      if (claim >= 0) {
        ::close(claim);
        if (std::rename(temporaryName.constData(), target.constData()) == 0) {
          JpegFile = name;
          return;
        }
        error = errno;
        ::unlink(target.constData());
      }
    }
    if (error != EEXIST) {
      m_systemError = error;
      ::unlink(temporaryName.constData());
      throw cannotCreate(name, systemReason(error));
    }
  }
}
