#include "read_only_folder.h"

#include <QFile>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

ReadOnlyFolder::ReadOnlyFolder(const std::function<void(const QString& folder)>& fill) {
  if (!m_dir.isValid())
    return;
  if (fill)
    fill(m_dir.path());
  const QByteArray path = QFile::encodeName(m_dir.path());
  if (::geteuid() == 0) {
    m_mounted = ::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) == 0;
    m_valid = m_mounted &&
              ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
  } else {
    m_valid = ::chmod(path.constData(), 0555) == 0;
  }
  // Root passes permission checks, so only a test write tells whether it worked.
  m_valid = m_valid && ::access(path.constData(), W_OK) != 0;
}

ReadOnlyFolder::~ReadOnlyFolder() {
  const QByteArray path = QFile::encodeName(m_dir.path());
  if (m_mounted)
    ::umount2(path.constData(), MNT_DETACH);
  else
    ::chmod(path.constData(), 0755);
}
