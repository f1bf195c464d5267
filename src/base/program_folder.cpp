#include "program_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString quorvexHome() { return qEnvironmentVariable("QUORVEX_HOME"); }

QString ensureFolder(QString path) {
  if (!path.endsWith(u'/'))
    path += u'/';
  QDir().mkpath(path);
  return path;
}

}  // namespace

QString programFolder() {
  if (!quorvexHome().isEmpty())
    return ensureFolder(quorvexHome());
  return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Quorvex");
}

QString settingsFilePath() {
  if (!quorvexHome().isEmpty())
    return ensureFolder(quorvexHome()) + "settings.db";
  return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quorvex") +
         "settings.db";
}

QString findAsset(const QString& relativePath) {
  for (const QString& folder :
       {programFolder(), QStringLiteral(QUORVEX_SHARE_DIR "/"), QStringLiteral(QUORVEX_LIB_DIR "/")}) {
    if (QFileInfo::exists(folder + relativePath))
      return folder + relativePath;
  }
  return {};
}
