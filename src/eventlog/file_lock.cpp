#include "eventlog/file_lock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

FileLock::FileLock(const QString& path, bool exclusive) {
  const QByteArray name = QFile::encodeName(path);
  for (;;) {
    // A reader creates nothing: where no lock file exists yet, no writer has been either.
    m_fd = exclusive ? ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
                     : ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
      return;
    int locked;
    do {
      locked = ::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH);
    } while (locked != 0 && errno == EINTR);
    // Someone removed the lock file while we waited: a lock on the old one excludes
    // nobody, so start over with the file that is there now.
    struct stat held;
    struct stat current;
    if (locked == 0 && ::fstat(m_fd, &held) == 0 && ::stat(name.constData(), &current) == 0 &&
        held.st_dev == current.st_dev && held.st_ino == current.st_ino)
      return;
    ::close(m_fd);
    m_fd = -1;
    if (locked != 0)
      return;
  }
}

FileLock::~FileLock() {
  if (m_fd >= 0)
    ::close(m_fd);
}
