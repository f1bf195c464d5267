#pragma once

#include <QString>
#include <QStringList>

// The desktop's start-up list entry for Quorvex: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Quorvex.desktop, whose Exec line is the program's path
// and the arguments that start it as this run was started.
class AutostartEntry {
 public:
  static QString filePath();
  static bool exists();
  // Both fail silently: the start-up list is a convenience, not the program's data.
  // `command` is the program's path, then its arguments.
  static void write(const QStringList& command);
  static void remove();
};
