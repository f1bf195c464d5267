#include "picture_folder.h"
#include "base/settings_keys.h"

#include "base/settings_store.h"
#include "eventlog/date_time_text.h"
#include "monitor/bmp_to_jpeg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A folder that cannot be created is left for the JPEG writer to report, with the
// name of the file it could not create.
QString inFolder(const QString& folder, const QString& fileName) {
  QDir().mkpath(folder);
  return folder + u'/' + fileName;
}

}  // namespace

PictureFolder::PictureFolder(const QString& root) : m_root(QDir::cleanPath(root)) {}

PictureFolder PictureFolder::fromSettings(const ProgramPaths& paths) {
  SettingsStore store(paths.settingsFile);
  QString root;
  if (store.OpenKey(applicationKey(), true))
    root = store.ReadString(QStringLiteral("ImageDir"));
  if (root.isEmpty())
    root = paths.programFolder + QStringLiteral("Images");
  return PictureFolder(root);
}

QString PictureFolder::motionSnapshot(const Clock& clock, int n, const QLocale& locale) const {
  const QDateTime now = clock.now();
  return inFolder(m_root + u'/' + dateText(now.date(), locale),
                  QStringLiteral("Time %1 Nr %2.jpg").arg(timeText(now.time(), locale)).arg(n));
}

QString PictureFolder::timedSnapshot(const Clock& clock, const QLocale& locale) const {
  const QDateTime now = clock.now();
  return inFolder(m_root + QStringLiteral("/TimedImages/") + dateText(now.date(), locale),
                  QStringLiteral("Time %1.jpg").arg(timeText(now.time(), locale)));
}

int PictureFolder::removeStaleTemporaries(const Clock& clock) const {
  const QDateTime staleBefore = clock.now().addSecs(-60);
  int removed = 0;
  // Snapshots lie in <root>/<date> and <root>/TimedImages/<date>; nothing deeper.
  const QStringList folders{m_root, m_root + QStringLiteral("/TimedImages")};
  for (const QString& parent : folders) {
    for (const QFileInfo& day : QDir(parent).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      const QDir dayFolder(day.filePath());
      for (const QFileInfo& file :
           dayFolder.entryInfoList({QStringLiteral(".*.jpg.*.part")}, QDir::Files | QDir::Hidden)) {
        if (isJpegTemporaryName(file.fileName()) && file.lastModified() < staleBefore &&
            QFile::remove(file.filePath()))
          ++removed;
      }
    }
  }
  return removed;
}
