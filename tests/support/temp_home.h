#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test: sets QUORVEX_HOME for its lifetime and
// restores the previous value afterwards.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  // The folder, ending with "/".
  QString path() const { return m_dir.path() + u'/'; }
  QString file(const QString& name) const { return path() + name; }

 private:
  QTemporaryDir m_dir;
  QByteArray m_previous;
  bool m_hadPrevious;
};

// The path of a command-line tool of this build tree (quorvex-detect, quorvex-settings...).
QString buildProgram(const QString& name);
