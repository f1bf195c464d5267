#pragma once

#include "base/clock.h"

#include <QLocale>
#include <QString>

// Where snapshots go: motion snapshots in <root>/<date text>/"Time <time text> Nr <n>.jpg",
// timed snapshots in <root>/TimedImages/<date text>/"Time <time text>.jpg".
class PictureFolder {
 public:
  explicit PictureFolder(const QString& root);  // a trailing '/' is dropped

  // The root from the `ImageDir` setting; without one (no value, an empty one, or a
  // settings file that cannot be opened), the program folder's "Images".
  static PictureFolder fromSettings();

  QString root() const { return m_root; }

  // The first free motion snapshot name, n counting from 0; the date and time are
  // read afresh for each candidate. Creates its folder.
  QString nextMotionSnapshot(const Clock& clock, const QLocale& locale = QLocale()) const;

  // The timed snapshot name for now; an existing file of that name is to be
  // overwritten. Creates its folder.
  QString timedSnapshot(const Clock& clock, const QLocale& locale = QLocale()) const;

 private:
  QString m_root;
};
