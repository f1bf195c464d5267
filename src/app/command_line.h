#pragma once

#include "capture/video_source.h"

#include <QList>
#include <QString>
#include <QStringList>

// The program's command line: its own options (--home, --source, --help,
// --version) and Qt's (-platform, -style, -display...), which are passed on to
// QApplication unchanged. Parsed before QApplication exists, so that --help and
// a wrong option are answered also where no display can be opened.
struct CommandLine {
  enum class Action { Run, ShowHelp, ShowVersion };

  Action action = Action::Run;
  QString home;  // absolute; empty when not given
  QList<VideoSourceEntry> sources;
  QStringList qtArguments;  // the program name first, then Qt's options

  // Throws Error naming the wrong argument: an unknown option, a missing value
  // (none, or one that is itself an option) or a bad NAME=URI.
  static CommandLine parse(const QStringList& arguments);

  // The arguments that start this run again from a desktop session: the program's
  // own options, without Qt's (a session has a display of its own).
  QStringList ownArguments() const;

  static QString usage();
  static QString help();
};
