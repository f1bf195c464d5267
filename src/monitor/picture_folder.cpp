#include "picture_folder.h"

#include "base/program_folder.h"
#include "base/settings_store.h"
#include "eventlog/date_time_text.h"

#include <QDir>
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

PictureFolder PictureFolder::fromSettings() {
  SettingsStore store;
  QString root;
  if (store.OpenKey(QStringLiteral("\\Software\\Brennova\\Settings"), true))
    root = store.ReadString(QStringLiteral("ImageDir"));
  if (root.isEmpty())
    root = programFolder() + QStringLiteral("Images");
  return PictureFolder(root);
}

QString PictureFolder::nextMotionSnapshot(const Clock& clock, const QLocale& locale) const {
  for (int n = 0;; ++n) {
    const QDateTime now = clock.now();
    const QString name =
        inFolder(m_root + u'/' + dateText(now.date(), locale),
                 QStringLiteral("Time %1 Nr %2.jpg").arg(timeText(now.time(), locale)).arg(n));
    if (!QFileInfo::exists(name))
      return name;
  }
}

QString PictureFolder::timedSnapshot(const Clock& clock, const QLocale& locale) const {
  const QDateTime now = clock.now();
  return inFolder(m_root + QStringLiteral("/TimedImages/") + dateText(now.date(), locale),
                  QStringLiteral("Time %1.jpg").arg(timeText(now.time(), locale)));
}
