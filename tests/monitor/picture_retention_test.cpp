#include "monitor/picture_retention.h"

#include "eventlog/date_time_text.h"
#include "support/files.h"
#include "support/fixed_clock.h"
#include "support/full_disk.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class PictureRetentionTest : public testing::Test {
 protected:
  PictureRetentionTest() {
    EXPECT_TRUE(QDir().mkpath(root));
    retention.setKeepFreeMB(0);
  }

  // The folder of the day `daysAgo` days before today, under root or TimedImages.
  QString day(int daysAgo, const QString& under = {}, const QLocale& locale = QLocale()) const {
    return root + under + u'/' + dateText(clock.now().date().addDays(-daysAgo), locale);
  }
  static void put(const QString& file, int kilobytes = 1) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    writeFile(file, QByteArray(kilobytes * 1024, 'j'));
  }
  QString deletedEntry(const QString& folder) const {
    return QStringLiteral("Images Deleted on %1: %2 = Images").arg(DateTimeText(clock.now()), folder);
  }

  TempHome home;
  const QString root = home.path() + QStringLiteral("Images");
  FixedClock clock;
  QStringList log;
  QStringList notices;
  PictureRetention retention{clock,
                             [this](const QString& key, const QString& value) { log << key + " = " + value; },
                             [this](const QString& text) { notices << text; }};
};

// The oldest day goes first, motion and timed folders alike, until there is room; what
// the program did not write stays, and so does a folder that still holds it.
TEST_F(PictureRetentionTest, ALowDiskLosesItsOldestDaysButNothingForeignNorTheNewestDay) {
  FullDisk disk(root);  // 2 MB
  if (!disk.mounted())
    GTEST_SKIP() << disk.skipReason().toStdString();
  put(day(3) + "/Time 10-00-00 Nr 0.jpg", 300);
  put(day(3) + "/notes.txt");
  put(day(3, "/TimedImages") + "/Time 10-00-00.jpg", 200);
  put(day(2) + "/Time 11-00-00 Nr 0.jpg", 300);
  put(day(1) + "/Time 12-00-00 Nr 0.jpg", 300);
  const QStringList foreign{root + "/Holiday/beach.jpg", root + "/loose.jpg", root + "/Not a date/x.jpg",
                            day(2) + "/Time 11-00-00 Nr 0.JPG"};
  for (const QString& file : foreign) put(file, 50);

  retention.setKeepFreeMB(1);
  const QStringList deleted = retention.tidy(root);
  EXPECT_EQ(deleted, QStringList({day(3), day(3, "/TimedImages")}));
  EXPECT_EQ(log, QStringList({deletedEntry(day(3)), deletedEntry(day(3, "/TimedImages"))}));
  EXPECT_FALSE(QFileInfo::exists(day(3) + "/Time 10-00-00 Nr 0.jpg"));
  EXPECT_TRUE(QFileInfo::exists(day(3) + "/notes.txt"));
  EXPECT_FALSE(QFileInfo::exists(day(3, "/TimedImages")));
  EXPECT_TRUE(QFileInfo::exists(day(2) + "/Time 11-00-00 Nr 0.jpg"));
  for (const QString& file : foreign) EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
  EXPECT_TRUE(retention.tidy(root).isEmpty());  // room enough now

  // More than the disk holds: all but the newest day go, and that is told once.
  retention.setKeepFreeMB(4);
  CaptureStderr();
  EXPECT_EQ(retention.tidy(root), QStringList{day(2)});
  EXPECT_TRUE(retention.tidy(root).isEmpty());
  const QString notice =
      "The disk holding " + root + " has less than 4 MB free and no older snapshots to delete.";
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice), 1);
  EXPECT_EQ(notices, QStringList{notice});
  EXPECT_TRUE(QFileInfo::exists(day(1) + "/Time 12-00-00 Nr 0.jpg"));
  EXPECT_TRUE(QFileInfo::exists(day(2) + "/Time 11-00-00 Nr 0.JPG"));

  retention.setKeepFreeMB(1);
  retention.tidy(root);
  EXPECT_EQ(notices, QStringList({notice, QString()}));
}

// Days older than KeepDays go, in any date pattern; two-digit years are this century's.
TEST_F(PictureRetentionTest, DaysOlderThanKeepDaysGo) {
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                QLocale(QLocale::German, QLocale::Germany)}) {
    for (int daysAgo : {400, 40, 8, 7, 1, 0}) put(day(daysAgo, {}, locale) + "/Time 10-00-00 Nr 0.jpg");
    put(day(40, "/TimedImages", locale) + "/Time 10-00-00.jpg");
    log.clear();
    retention.setKeepDays(7);
    EXPECT_EQ(retention.tidy(root, locale),
              QStringList({day(400, {}, locale), day(40, {}, locale), day(40, "/TimedImages", locale),
                           day(8, {}, locale)}))
        << locale.name().toStdString();
    EXPECT_EQ(log.size(), 4);
    for (int daysAgo : {7, 1, 0}) EXPECT_TRUE(QFileInfo::exists(day(daysAgo, {}, locale))) << daysAgo;
    ASSERT_TRUE(QDir(root).removeRecursively());
  }
}

TEST_F(PictureRetentionTest, TheNewestDayStaysHoweverOld) {
  put(day(50) + "/Time 10-00-00 Nr 0.jpg");
  put(day(40) + "/Time 10-00-00 Nr 0.jpg");
  retention.setKeepDays(7);
  EXPECT_EQ(retention.tidy(root), QStringList{day(50)});
  EXPECT_TRUE(QFileInfo::exists(day(40) + "/Time 10-00-00 Nr 0.jpg"));
  EXPECT_TRUE(retention.tidy(QStringLiteral("/nonexistent/Images")).isEmpty());
}

}  // namespace
