#include "program_folder.h"

#include "program_paths.h"

#include <QFileInfo>

namespace {

ProgramPaths fromEnvironment() { return ProgramPaths::locate(qEnvironmentVariable("QUORVEX_HOME")); }

}  // namespace

QString programFolder() { return fromEnvironment().programFolder; }

QString settingsFilePath() { return fromEnvironment().settingsFile; }

QString findAsset(const QString& relativePath) {
  for (const QString& folder :
       {programFolder(), QStringLiteral(QUORVEX_SHARE_DIR "/"), QStringLiteral(QUORVEX_LIB_DIR "/")}) {
    if (QFileInfo::exists(folder + relativePath))
      return folder + relativePath;
  }
  return {};
}
