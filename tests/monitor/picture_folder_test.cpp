#include "monitor/picture_folder.h"
#include "base/settings_keys.h"

#include "base/settings_store.h"
#include "monitor/bmp_to_jpeg.h"
#include "support/fixed_clock.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QLocale kBritish(QLocale::English, QLocale::UnitedKingdom);

void touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

void writeImageDir(const QString& settingsFile, const QString* value) {
  SettingsStore store(settingsFile);
  ASSERT_TRUE(store.OpenKey(applicationKey(), true));
  if (value)
    store.WriteString(QStringLiteral("ImageDir"), *value);
}

}  // namespace

TEST(PictureFolderTest, RootComesFromImageDirElseProgramFolderImages) {
  TempHome home;
  const QString fallback = home.path() + QStringLiteral("Images");
  const QString chosen = home.file(QStringLiteral("Cam"));
  const QString chosenWithSlash = chosen + u'/';
  const QString empty;
  struct Case {
    const char* name;
    const QString* imageDir;
    QString expected;
  } cases[] = {
      {"no value", nullptr, fallback},
      {"empty value", &empty, fallback},
      {"chosen folder", &chosen, chosen},
      {"chosen folder with slash", &chosenWithSlash, chosen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeImageDir(home.settingsFile(), c.imageDir);
    EXPECT_EQ(PictureFolder::fromSettings(home.paths()).root(), c.expected);
  }
}

TEST(PictureFolderTest, MotionSnapshotsWithinOneSecondAreNumbered) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock;  // 08-12-2026 21:46:10
  TBmpToJpeg writer;
  writer.Image = FrameBitmap(16, 8);
  for (int n = 0; n < 3; ++n) {
    writer.SaveNewJpeg([&](int number) { return folder.motionSnapshot(clock, number, kBritish); });
    EXPECT_EQ(writer.JpegFile, home.file(QStringLiteral("Cam/08-12-2026/Time 21-46-10 Nr %1.jpg").arg(n)));
  }
}

TEST(PictureFolderTest, MidnightNamesCarryTheZeroTime) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0)));
  EXPECT_EQ(folder.motionSnapshot(clock, 0, kBritish),
            home.file(QStringLiteral("Cam/09-12-2026/Time 00-00-00 Nr 0.jpg")));
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish),
            home.file(QStringLiteral("Cam/TimedImages/09-12-2026/Time 00-00-00.jpg")));
}

TEST(PictureFolderTest, FoldersAreCreatedWithAllParents) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("a/b/Cam")));
  const FixedClock clock;
  const QString motion = folder.motionSnapshot(clock, 0, kBritish);
  const QString timed = folder.timedSnapshot(clock, kBritish);
  EXPECT_TRUE(QFileInfo(QFileInfo(motion).path()).isDir());
  EXPECT_TRUE(QFileInfo(QFileInfo(timed).path()).isDir());
  EXPECT_FALSE(QFileInfo::exists(motion));  // only the folder, not the file
}

TEST(PictureFolderTest, TimedSnapshotKeepsItsNameSoItIsOverwritten) {
  TempHome home;
  writeImageDir(home.settingsFile(), nullptr);
  const PictureFolder folder = PictureFolder::fromSettings(home.paths());
  const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(21, 46, 40)));
  const QString expected = home.file(QStringLiteral("Images/TimedImages/08-12-2026/Time 21-46-40.jpg"));
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish), expected);
  touch(expected);
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish), expected);
}

// A run killed while writing leaves its hidden temporary behind; the next start
// removes it, but never the file of a write that may still be going on.
TEST(PictureFolderTest, RemovesOnlyStaleTemporariesOfTheWriter) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock;
  const QDateTime now = clock.now();
  const QString day = home.file(QStringLiteral("Cam/08-12-2026/"));
  const QString timedDay = home.file(QStringLiteral("Cam/TimedImages/07-12-2026/"));
  const struct {
    QString path;
    QDateTime written;
    bool removed;
  } files[] = {
      {day + ".Time 21-40-00 Nr 0.jpg.4242.part", now.addSecs(-61), true},
      {timedDay + ".Time 08-00-00.jpg.17.part", now.addDays(-1), true},
      {day + ".Time 21-46-00 Nr 0.jpg.4243.part", now.addSecs(-10), false},  // being written
      {day + "Time 21-00-00 Nr 0.jpg", now.addDays(-1), false},
      {day + "Time 21-00-00 Nr 1.jpg.4242.part", now.addDays(-1), false},  // not hidden
      {day + ".notes.txt.4242.part", now.addDays(-1), false},
      {day + ".Time 21-00-00 Nr 2.jpg.part", now.addDays(-1), false},  // no process id
  };
  for (const auto& file : files) {
    QDir().mkpath(QFileInfo(file.path).path());
    QFile out(file.path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << file.path.toStdString();
    ASSERT_TRUE(out.setFileTime(file.written, QFileDevice::FileModificationTime));
  }
  EXPECT_EQ(folder.removeStaleTemporaries(clock), 2);
  for (const auto& file : files)
    EXPECT_EQ(QFileInfo::exists(file.path), !file.removed) << file.path.toStdString();
  EXPECT_EQ(PictureFolder(home.file(QStringLiteral("Missing"))).removeStaleTemporaries(clock), 0);
}
