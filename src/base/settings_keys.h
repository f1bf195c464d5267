#pragma once

#include <QString>

// The program's settings key, under which each camera has a key named by its caption.
inline QString applicationKey() { return QStringLiteral("\\Software\\Brennova\\Settings"); }

// applicationKey() + "\" + caption.
inline QString cameraKey(const QString& caption) { return applicationKey() + QLatin1Char('\\') + caption; }
