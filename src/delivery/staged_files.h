#pragma once

#include "base/app_services.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The camera window stages the pictures of one send in the channel's folder of the
// program folder: "EMail/" or "FTP/", as Motion.jpg (one picture) or Motion1.jpg to
// Motion10.jpg (a series; Motion.jpg is then written too but not sent).

// The channel's staging folder, ending with "/".
QString stagingFolder(const QString& programFolder, DeliveryChannel channel);

// The pictures of `folder` in the order they go out: the series files when
// Motion1.jpg is there (numbers 1 to 10 that exist, ascending), else Motion.jpg when
// it is there, else none.
QStringList deliveryFiles(const QString& folder);

// Makes a new folder for one run inside `stagingFolder` ("Run <date>-<time>",
// numbered when the name is taken) and returns it, ending with "/". Throws Error
// when it cannot be made.
QString createRunFolder(const QString& stagingFolder, const QDateTime& now);

// Moves the pictures deliveryFiles() finds in `stagingFolder` into a new run folder,
// so that a later staging can neither overwrite nor join them. Returns the run
// folder. Throws Error when the folder cannot be made or a picture not moved.
QString moveStagedFiles(const QString& stagingFolder, const QDateTime& now);
