#pragma once

#include <QString>

// The writable program folder, always ending with "/": $QUORVEX_HOME/ when set,
// else $XDG_DATA_HOME/Quorvex/. Created on first use.
QString programFolder();

// The settings database: $QUORVEX_HOME/settings.db when set, else
// $XDG_CONFIG_HOME/Quorvex/settings.db. Its folder is created on first use.
QString settingsFilePath();

// An installed read-only asset (alert.wav, Help/...): the program folder first,
// then the installation's share and lib folders. Empty when none has it.
QString findAsset(const QString& relativePath);
