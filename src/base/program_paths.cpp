#include "program_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString ensureFolder(QString path) {
  if (!path.endsWith(u'/'))
    path += u'/';
  QDir().mkpath(path);
  return path;
}

}  // namespace

ProgramPaths ProgramPaths::locate(const QString& home) {
  if (!home.isEmpty()) {
    const QString folder = ensureFolder(home);
    return {folder, folder + QStringLiteral("settings.db")};
  }
  return {ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Quorvex"),
          ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quorvex") +
              QStringLiteral("settings.db")};
}

QString ProgramPaths::findAsset(const QString& relativePath) const {
  for (const QString& folder :
       {programFolder, QStringLiteral(QUORVEX_SHARE_DIR "/"), QStringLiteral(QUORVEX_LIB_DIR "/")}) {
    if (QFileInfo::exists(folder + relativePath))
      return folder + relativePath;
  }
  return {};
}
