#include "picture_retention.h"

#include "base/clock.h"
#include "eventlog/date_time_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <sys/statvfs.h>

#include <cstdio>
#include <utility>

struct PictureRetention::Day {
  QDate date;
  QStringList folders;  // the motion and the timed folder of the date, as found
};

namespace {

// The date a folder name stands for when the program made it: the name must be
// exactly the locale's date text of that date. A pattern with two-digit years reads
// them in the latest century that does not lie ahead of today.
QDate dateOfFolder(const QString& name, const QLocale& locale, const QDate& today) {
  const QString pattern = locale.dateFormat(QLocale::ShortFormat).replace(u'/', u'-');
  QDate date = locale.toDate(name, pattern);
  if (!date.isValid())
    return {};
  if (!pattern.contains(QStringLiteral("yyyy")))
    while (date.addYears(100) <= today.addYears(1)) date = date.addYears(100);
  return dateText(date, locale) == name ? date : QDate();
}

}  // namespace

PictureRetention::PictureRetention(const Clock& clock, Log log, Notice notice)
    : m_clock(clock), m_log(std::move(log)), m_notice(std::move(notice)) {}

void PictureRetention::setKeepFreeMB(int megabytes) {
  m_keepFreeMB = std::max(megabytes, 0);
  m_nothingLeft = false;
}

void PictureRetention::setKeepDays(int days) {
  m_keepDays = std::max(days, 0);
  m_ageApplied = false;
}

bool PictureRetention::lowOnSpace(const QString& root) const {
  if (m_keepFreeMB == 0)
    return false;
  // Asked before every snapshot: statvfs, without the mount table that QStorageInfo reads.
  struct statvfs status {};
  if (::statvfs(QFile::encodeName(root).constData(), &status) != 0)
    return false;  // no folder yet: nothing to delete either
  return quint64(status.f_bavail) * status.f_frsize < quint64(m_keepFreeMB) * 1024 * 1024;
}

QList<PictureRetention::Day> PictureRetention::days(const QString& root, const QLocale& locale) const {
  const QDate today = m_clock.now().date();
  QMap<QDate, QStringList> found;
  for (const QString& parent : {root, root + QStringLiteral("/TimedImages")}) {
    for (const QFileInfo& folder : QDir(parent).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      if (folder.isSymLink())
        continue;
      const QDate date = dateOfFolder(folder.fileName(), locale, today);
      if (date.isValid())
        found[date].append(folder.filePath());
    }
  }
  QList<Day> result;
  for (auto day = found.cbegin(); day != found.cend(); ++day) result.append({day.key(), day.value()});
  // The newest day and today are being written to.
  if (!result.isEmpty())
    result.removeLast();
  while (!result.isEmpty() && result.last().date >= today) result.removeLast();
  return result;
}

QStringList PictureRetention::remove(const Day& day) {
  QStringList deleted;
  for (const QString& folder : day.folders) {
    bool removedAny = false;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files)) {
      if (!file.isSymLink() && file.fileName().endsWith(QStringLiteral(".jpg")) &&
          QFile::remove(file.filePath()))
        removedAny = true;
    }
    QDir().rmdir(folder);  // only when nothing foreign is left in it
    if (!removedAny)
      continue;
    deleted.append(folder);
    m_log(QStringLiteral("Images Deleted on ") + DateTimeText(m_clock.now()) + QStringLiteral(": ") + folder,
          QStringLiteral("Images"));
  }
  return deleted;
}

QStringList PictureRetention::tidy(const QString& root, const QLocale& locale) {
  const QDate today = m_clock.now().date();
  if (root != m_root || today != m_readOn) {
    m_root = root;
    m_readOn = today;
    m_ageApplied = m_nothingLeft = false;
  }
  const bool ageDue = m_keepDays > 0 && !m_ageApplied;
  bool low = lowOnSpace(root);
  if (!ageDue && (!low || m_nothingLeft)) {
    tell(low && m_nothingLeft, root);
    return {};
  }

  QList<Day> candidates = days(root, locale);
  QStringList deleted;
  if (m_keepDays > 0) {
    const QDate oldestKept = today.addDays(-m_keepDays);
    while (!candidates.isEmpty() && candidates.first().date < oldestKept)
      deleted += remove(candidates.takeFirst());
  }
  m_ageApplied = true;
  low = lowOnSpace(root);
  while (low && !candidates.isEmpty()) {
    deleted += remove(candidates.takeFirst());
    low = lowOnSpace(root);
  }
  // No older day comes before tomorrow.
  m_nothingLeft = low;
  tell(low, root);
  return deleted;
}

void PictureRetention::tell(bool lowAndStuck, const QString& root) {
  if (lowAndStuck == m_told)
    return;
  m_told = lowAndStuck;
  if (!lowAndStuck) {
    m_notice({});
    return;
  }
  const QString text =
      QStringLiteral("The disk holding %1 has less than %2 MB free and no older snapshots to delete.")
          .arg(root)
          .arg(m_keepFreeMB);
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
  m_notice(text);
}
