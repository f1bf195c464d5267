#pragma once

#include "base/clock.h"
#include "base/program_paths.h"

#include <QLocale>
#include <QString>

// Where snapshots go: motion snapshots in <root>/<date text>/"Time <time text> Nr <n>.jpg",
// timed snapshots in <root>/TimedImages/<date text>/"Time <time text>.jpg".
class PictureFolder {
 public:
  explicit PictureFolder(const QString& root);  // a trailing '/' is dropped

  // The root from the `ImageDir` setting; without one (no value, an empty one, or a
  // settings file that cannot be opened), the program folder's "Images".
  static PictureFolder fromSettings(const ProgramPaths& paths);

  QString root() const { return m_root; }

  // The motion snapshot name with number n for now. Creates its folder. The
  // writer takes the first of n = 0, 1, ... that is free (TBmpToJpeg::SaveNewJpeg),
  // asking for each name afresh, so each carries the time it was formed at.
  QString motionSnapshot(const Clock& clock, int n, const QLocale& locale = QLocale()) const;

  // The timed snapshot name for now; an existing file of that name is to be
  // overwritten. Creates its folder.
  QString timedSnapshot(const Clock& clock, const QLocale& locale = QLocale()) const;

  // Deletes the JPEG writer's temporary files that a killed or crashed run left in
  // the date folders, and returns how many. Only those last written more than a
  // minute before now: a write takes well under a second, so an older one has no
  // writer, while a younger one may belong to another instance writing right now.
  int removeStaleTemporaries(const Clock& clock) const;

 private:
  QString m_root;
};
