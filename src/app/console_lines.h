#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The lines a headless run prints on standard output.

// "date time  camera  category  text" for an event log entry written at `now`,
// fields separated by two blanks. The entry's key is its text followed by the
// date-time of the event (DateTimeText), which is taken off, as the line starts
// with the date and time.
QString logEntryLine(const QDateTime& now, const QString& camera, const QString& key,
                     const QString& category);

// What a run starts with, for its first line.
struct StartFacts {
  QString version;
  QString programFolder;
  QString settingsFile;
  QStringList sources;                // "NAME (URI)" or a device name
  QString camera;                     // the chosen source; empty without one
  int detectionStartsInSeconds = -1;  // negative when detection is off
};

// One line: version, folders, sources, camera and when detection starts.
QString startLine(const StartFacts& facts);
