#include "writable_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

namespace {

bool canWriteIn(const QString& folder) {
  if (!QFileInfo(folder).isDir())
    return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".quorvex-write-check-XXXXXX")));
  return probe.open();
}

}  // namespace

QString unwritableFoldersWarning(const QString& programFolder, const QString& settingsFile) {
  const QString programPath = QDir::cleanPath(programFolder);
  const QString settingsPath = QFileInfo(settingsFile).absolutePath();
  QStringList problems;
  if (programPath == settingsPath) {
    if (!canWriteIn(programPath))
      problems << QStringLiteral(
                      "Cannot write to the folder %1: no snapshots, no event log and no settings "
                      "are saved in this run.")
                      .arg(programPath);
    return problems.join(u'\r');
  }
  if (!canWriteIn(programPath))
    problems << QStringLiteral(
                    "Cannot write to the program folder %1: no snapshots and no event log are saved "
                    "in this run.")
                    .arg(programPath);
  if (!canWriteIn(settingsPath))
    problems << QStringLiteral("Cannot write to the settings folder %1: settings are not saved in this run.")
                    .arg(settingsPath);
  return problems.join(u'\r');
}
