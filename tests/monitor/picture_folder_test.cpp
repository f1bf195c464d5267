#include "monitor/picture_folder.h"

#include "base/program_folder.h"
#include "base/settings_store.h"
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

void writeImageDir(const QString* value) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenKey(QStringLiteral("\\Software\\Brennova\\Settings"), true));
  if (value)
    store.WriteString(QStringLiteral("ImageDir"), *value);
}

}  // namespace

TEST(PictureFolderTest, RootComesFromImageDirElseProgramFolderImages) {
  TempHome home;
  const QString fallback = programFolder() + QStringLiteral("Images");
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
    writeImageDir(c.imageDir);
    EXPECT_EQ(PictureFolder::fromSettings().root(), c.expected);
  }
}

TEST(PictureFolderTest, MotionSnapshotsWithinOneSecondAreNumbered) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock;  // 08-12-2026 21:46:10
  for (int n = 0; n < 3; ++n) {
    const QString name = folder.nextMotionSnapshot(clock, kBritish);
    EXPECT_EQ(name, home.file(QStringLiteral("Cam/08-12-2026/Time 21-46-10 Nr %1.jpg").arg(n)));
    touch(name);
  }
}

TEST(PictureFolderTest, FreedNumberIsTakenAgainAndOtherFilesDoNotCount) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock;
  const QString day = home.file(QStringLiteral("Cam/08-12-2026/"));
  QDir().mkpath(day);
  touch(day + QStringLiteral("Time 21-46-10 Nr 1.jpg"));
  // A write in progress has a hidden name, which must not hold a number.
  touch(day + QStringLiteral(".Time 21-46-10 Nr 0.jpg.123.part"));
  EXPECT_EQ(folder.nextMotionSnapshot(clock, kBritish), day + QStringLiteral("Time 21-46-10 Nr 0.jpg"));
  touch(day + QStringLiteral("Time 21-46-10 Nr 0.jpg"));
  EXPECT_EQ(folder.nextMotionSnapshot(clock, kBritish), day + QStringLiteral("Time 21-46-10 Nr 2.jpg"));
}

TEST(PictureFolderTest, MidnightNamesCarryTheZeroTime) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("Cam")));
  const FixedClock clock(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0)));
  EXPECT_EQ(folder.nextMotionSnapshot(clock, kBritish),
            home.file(QStringLiteral("Cam/09-12-2026/Time 00-00-00 Nr 0.jpg")));
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish),
            home.file(QStringLiteral("Cam/TimedImages/09-12-2026/Time 00-00-00.jpg")));
}

TEST(PictureFolderTest, FoldersAreCreatedWithAllParents) {
  TempHome home;
  const PictureFolder folder(home.file(QStringLiteral("a/b/Cam")));
  const FixedClock clock;
  const QString motion = folder.nextMotionSnapshot(clock, kBritish);
  const QString timed = folder.timedSnapshot(clock, kBritish);
  EXPECT_TRUE(QFileInfo(QFileInfo(motion).path()).isDir());
  EXPECT_TRUE(QFileInfo(QFileInfo(timed).path()).isDir());
  EXPECT_FALSE(QFileInfo::exists(motion));  // only the folder, not the file
}

TEST(PictureFolderTest, TimedSnapshotKeepsItsNameSoItIsOverwritten) {
  TempHome home;
  writeImageDir(nullptr);
  const PictureFolder folder = PictureFolder::fromSettings();
  const FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(21, 46, 40)));
  const QString expected = home.file(QStringLiteral("Images/TimedImages/08-12-2026/Time 21-46-40.jpg"));
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish), expected);
  touch(expected);
  EXPECT_EQ(folder.timedSnapshot(clock, kBritish), expected);
}
