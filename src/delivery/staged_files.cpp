#include "delivery/staged_files.h"

#include "base/error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kSeriesMaximum = 10;

}  // namespace

QString stagingFolder(const QString& programFolder, DeliveryChannel channel) {
  return programFolder +
         (channel == DeliveryChannel::Email ? QStringLiteral("EMail/") : QStringLiteral("FTP/"));
}

QStringList deliveryFiles(const QString& folder) {
  const QString base = QDir(folder).filePath(QStringLiteral("Motion"));
  QStringList files;
  if (QFileInfo::exists(base + QStringLiteral("1.jpg"))) {
    for (int n = 1; n <= kSeriesMaximum; ++n) {
      const QString file = base + QString::number(n) + QStringLiteral(".jpg");
      if (QFileInfo::exists(file))
        files.append(file);
    }
  } else if (QFileInfo::exists(base + QStringLiteral(".jpg"))) {
    files.append(base + QStringLiteral(".jpg"));
  }
  return files;
}

QString createRunFolder(const QString& stagingFolder, const QDateTime& now) {
  QDir staging(stagingFolder);
  if (!staging.mkpath(QStringLiteral(".")))
    throw Error(QStringLiteral("Cannot create the folder %1").arg(stagingFolder));
  // mkdir fails for a name that exists, so two runs never share a folder.
  const QString stamp = QStringLiteral("Run ") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString name = stamp;
  for (int number = 2; !staging.mkdir(name); ++number) {
    if (number > 1000)
      throw Error(QStringLiteral("Cannot create a run folder in %1").arg(stagingFolder));
    name = stamp + QStringLiteral("-%1").arg(number);
  }
  return staging.filePath(name) + u'/';
}

QString moveStagedFiles(const QString& stagingFolder, const QDateTime& now) {
  const QString runFolder = createRunFolder(stagingFolder, now);
  for (const QString& file : deliveryFiles(stagingFolder)) {
    const QString target = runFolder + QFileInfo(file).fileName();
    if (!QFile::rename(file, target))
      throw Error(QStringLiteral("Cannot move %1 to %2").arg(file, target));
  }
  return runFolder;
}
