#pragma once

#include <QString>

// Where the program keeps its files, worked out once at start and handed to what
// needs it.
struct ProgramPaths {
  // The writable program folder, ending with "/".
  QString programFolder;
  // The settings database.
  QString settingsFile;

  // For `home` (a --home or QUORVEX_HOME folder) both live in it; without one the
  // program folder is $XDG_DATA_HOME/Quorvex/ and the settings are
  // $XDG_CONFIG_HOME/Quorvex/settings.db. Creates the folders.
  static ProgramPaths locate(const QString& home);

  // An installed read-only asset (alert.wav, Help/...): the program folder first,
  // then the installation's share and lib folders. Empty when none has it.
  QString findAsset(const QString& relativePath) const;
};
