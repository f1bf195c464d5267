#pragma once

#include "base/program_paths.h"

#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test, removed afterwards. Code under test gets
// paths(); a program run as a subprocess gets path() as its --home.
class TempHome {
 public:
  TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  // The folder, ending with "/".
  QString path() const { return m_dir.path() + u'/'; }
  QString file(const QString& name) const { return path() + name; }
  // The program folder and settings file of a program run with this home.
  ProgramPaths paths() const { return ProgramPaths::locate(path()); }
  QString settingsFile() const { return paths().settingsFile; }

 private:
  QTemporaryDir m_dir;
};

// The path of a command-line tool of this build tree (quorvex-detect, quorvex-settings...).
QString buildProgram(const QString& name);
