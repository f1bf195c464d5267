#pragma once

#include <QString>

// The warning for a run whose program folder or settings folder cannot be written,
// naming each folder and what is lost with it; empty when both can be written.
// The check writes a temporary file, so a read-only mount is found also by root.
QString unwritableFoldersWarning(const QString& programFolder, const QString& settingsFile);
