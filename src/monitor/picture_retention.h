#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

class Clock;

// Keeps the picture folder from filling its disk. The snapshots of a day lie in the
// date folders <root>/<date text> and <root>/TimedImages/<date text>; a day is
// deleted whole, oldest first: when the disk holding the root has less than
// `keepFreeMB` free, and when it is older than `keepDays`. Only what the program
// wrote goes: the `*.jpg` files of folders named by a date, then the folder if that
// left it empty; other files and folders stay. The newest day, and today, always
// stay. A low disk that nothing can be deleted from is told once until it recovers.
class PictureRetention {
 public:
  // The log key (message with date-time and folder) and its value.
  using Log = std::function<void(const QString& key, const QString& value)>;
  // The low-disk notice, or empty when it is over.
  using Notice = std::function<void(const QString& text)>;

  static constexpr int kDefaultKeepFreeMB = 1024;

  PictureRetention(const Clock& clock, Log log, Notice notice);

  // 0 turns the free-space rule off.
  void setKeepFreeMB(int megabytes);
  // 0 (the default) sets no age limit.
  void setKeepDays(int days);

  // Applies both rules to the picture folder `root`; returns the folders deleted.
  // Cheap while there is room: the folders are read only when a rule calls for it
  // (on a low disk, and once a day for the age limit).
  QStringList tidy(const QString& root, const QLocale& locale = QLocale());

 private:
  struct Day;
  QList<Day> days(const QString& root, const QLocale& locale) const;
  bool lowOnSpace(const QString& root) const;
  QStringList remove(const Day& day);
  void tell(bool lowAndStuck, const QString& root);

  const Clock& m_clock;
  Log m_log;
  Notice m_notice;
  int m_keepFreeMB = kDefaultKeepFreeMB;
  int m_keepDays = 0;
  // What the last reading found, so a root read through today is not read again
  // for the same reason.
  QString m_root;
  QDate m_readOn;
  bool m_ageApplied = false;
  bool m_nothingLeft = false;
  bool m_told = false;
};
