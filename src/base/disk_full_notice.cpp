#include "disk_full_notice.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>

namespace {

// The error number says it when known; otherwise a disk without a free block or
// file slot for this user is full enough to explain the failure. A folder that could
// not be made is judged by the disk of its nearest existing parent.
bool lacksSpace(const QString& folder, int error) {
  if (error != 0)
    return error == ENOSPC || error == EDQUOT;
  QString existing = folder;
  while (!QFileInfo::exists(existing) && existing != QFileInfo(existing).absolutePath())
    existing = QFileInfo(existing).absolutePath();
  struct statvfs status {};
  return ::statvfs(QFile::encodeName(existing).constData(), &status) == 0 &&
         (status.f_bavail == 0 || (status.f_files != 0 && status.f_favail == 0));
}

}  // namespace

bool DiskFullNotice::failed(const QString& folder, int error) {
  if (!lacksSpace(folder, error))
    return false;
  tell(QStringLiteral("The disk holding %1 is full: %2 are not being saved.").arg(folder, m_unsaved));
  return true;
}

void DiskFullNotice::cannotSave(const QString& reason) {
  QString text = QStringLiteral("%1 are not being saved: %2").arg(m_unsaved, reason);
  text[0] = text[0].toUpper();
  tell(text);
}

void DiskFullNotice::tell(const QString& text) {
  if (!m_text.isEmpty())
    return;
  m_text = text;
  std::fprintf(stderr, "%s\n", m_text.toLocal8Bit().constData());
  std::fflush(stderr);
}

bool DiskFullNotice::saved() {
  const bool ended = !m_text.isEmpty();
  m_text.clear();
  return ended;
}
