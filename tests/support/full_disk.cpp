#include "full_disk.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace {

QByteArray fillerPath(const QString& folder) {
  return QFile::encodeName(folder + QStringLiteral("/.filler"));
}

}  // namespace

FullDisk::FullDisk(const QString& folder) : m_folder(folder) {
  // Room for a few settings files, log lines and small pictures.
  if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=2m,mode=0755") == 0)
    m_mounted = true;
  else
    m_skipReason = QStringLiteral("cannot mount a tmpfs to fill (needs root): ") +
                   QString::fromLocal8Bit(std::strerror(errno));
}

FullDisk::~FullDisk() {
  // Detached, so files a test still holds open do not keep it mounted.
  if (m_mounted)
    ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void FullDisk::fill() {
  const int fd = ::open(fillerPath(m_folder).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  const QByteArray block(4096, 'f');
  ssize_t written = 0;
  do {
    written = ::write(fd, block.constData(), size_t(block.size()));
  } while (written > 0 || (written < 0 && errno == EINTR));
  const int error = errno;
  ::close(fd);
  ASSERT_EQ(error, ENOSPC) << std::strerror(error);
}

int occurrences(const std::string& text, const QString& part) {
  int count = 0;
  const std::string needle = part.toStdString();
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
  return count;
}

void FullDisk::free() { ASSERT_EQ(::unlink(fillerPath(m_folder).constData()), 0) << std::strerror(errno); }
