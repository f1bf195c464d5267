#include "monitor/snapshot_writer.h"

#include "eventlog/date_time_text.h"
#include "monitor/picture_folder.h"
#include "support/fixed_clock.h"
#include "support/temp_home.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// A writer whose notices and log entries are recorded.
struct RecordedWriter {
  explicit RecordedWriter(const Clock& clock)
      : writer(
            clock, [this](const QString& text) { notices.append(text); },
            [this](const QString& message, const QString& value) { log.append(message + u'|' + value); }) {}

  QStringList notices;
  QStringList log;
  SnapshotWriter writer;
};

QStringList jpegsUnder(const QString& root) {
  QStringList found;
  QDirIterator files(root, {QStringLiteral("*.jpg")}, QDir::Files | QDir::Hidden,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) found.append(QDir(root).relativeFilePath(files.next()));
  found.sort();
  return found;
}

}  // namespace

TEST(SnapshotWriterTest, MotionSnapshotsAreNumberedTimedOnesReplacedAndEachIsLogged) {
  struct Case {
    SnapshotKind kind;
    QString fileName;  // of the second write, in the moment's folder
    int files;
    QString logEntry;
  };
  const Case cases[] = {
      {SnapshotKind::Motion, QStringLiteral("Nr 1.jpg"), 2, QStringLiteral("Motion Captured On |Images")},
      {SnapshotKind::Timed, QStringLiteral("TimedImages/"), 1,
       QStringLiteral("Timed Capture Happend On |Timed Capture")},
  };
  for (const Case& c : cases) {
    TempHome home;
    FixedClock clock;
    RecordedWriter recorded(clock);
    const PictureFolder folder(home.file(QStringLiteral("Pictures")));
    const FrameBitmap frame(64, 48);
    for (int i = 0; i < 2; ++i)  // within one second
      EXPECT_TRUE(recorded.writer.write(c.kind, frame, QStringLiteral("Cam"), folder));

    const QStringList files = jpegsUnder(folder.root());
    ASSERT_EQ(files.size(), c.files) << files.join(u'\n').toStdString();
    EXPECT_TRUE(files.last().contains(c.fileName)) << files.last().toStdString();
    EXPECT_EQ(recorded.log, QStringList({c.logEntry, c.logEntry}));
    EXPECT_GT(recorded.writer.stamped().height(), frame.height());  // the band with caption and time
    EXPECT_TRUE(recorded.notices.isEmpty()) << recorded.notices.join(u'\n').toStdString();
  }
}

TEST(SnapshotWriterTest, FailedSaveIsNotLoggedShowsANoticeAndTheNextSaveClearsIt) {
  TempHome home;
  FixedClock clock;
  RecordedWriter recorded(clock);
  // A file where the picture folder should be: no date folder can be made in it.
  const QString blocked = home.file(QStringLiteral("Blocked"));
  QFile file(blocked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  for (SnapshotKind kind : {SnapshotKind::Motion, SnapshotKind::Timed})
    EXPECT_FALSE(
        recorded.writer.write(kind, FrameBitmap(64, 48), QStringLiteral("Cam"), PictureFolder(blocked)));
  EXPECT_TRUE(recorded.log.isEmpty()) << recorded.log.join(u'\n').toStdString();
  ASSERT_EQ(recorded.notices.size(), 2);
  EXPECT_TRUE(
      recorded.notices.first().contains(QStringLiteral("snapshots are not being saved"), Qt::CaseInsensitive))
      << recorded.notices.first().toStdString();

  const PictureFolder good(home.file(QStringLiteral("Pictures")));
  EXPECT_TRUE(recorded.writer.write(SnapshotKind::Timed, FrameBitmap(64, 48), QStringLiteral("Cam"), good));
  EXPECT_EQ(recorded.notices.last(), "");
  EXPECT_EQ(recorded.log.size(), 1);
}
