#pragma once

#include <QString>

// The desktop's start-up list entry for Quorvex: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Quorvex.desktop, whose Exec line is the program's path.
class AutostartEntry {
 public:
  static QString filePath();
  static bool exists();
  // Both fail silently: the start-up list is a convenience, not the program's data.
  static void write(const QString& programPath);
  static void remove();
};
