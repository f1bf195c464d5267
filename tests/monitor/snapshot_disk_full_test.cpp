#include "motion_form_fixture.h"

#include "support/full_disk.h"

#include <QDir>
#include <QFileInfo>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// The camera window on a picture folder whose disk can be filled and freed.
class SnapshotDiskFullTest : public MotionFormTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(images()));
    disk = std::make_unique<FullDisk>(images());
    if (!disk->mounted())
      GTEST_SKIP() << disk->skipReason().toStdString();
  }
  void TearDown() override {
    MotionFormTest::TearDown();
    disk.reset();
  }

  QString images() const { return home.path() + QStringLiteral("Images"); }
  QString timedFolder() const {
    return images() + QStringLiteral("/TimedImages/") + dateText(clock.now().date());
  }
  QString notice(const QString& folder) const {
    return QStringLiteral("The disk holding %1 is full: snapshots are not being saved.").arg(folder);
  }

  std::unique_ptr<FullDisk> disk;
};

TEST_F(SnapshotDiskFullTest, TimedCaptureTellsAFullDiskOnceAndSavesAgainWhenThereIsRoom) {
  TMotionForm& window = make();
  ASSERT_TRUE(waitUntil([&] { return !window.LastFrame.isEmpty(); }));
  const QString timed = timedFolder() + QStringLiteral("/Time %1.jpg").arg(timeText(clock.now().time()));
  ASSERT_TRUE(QDir().mkpath(timedFolder()));
  disk->fill();

  CaptureStderr();
  EXPECT_NO_THROW(window.ImageTimerTimer());
  EXPECT_NO_THROW(window.ImageTimerTimer());
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice(timedFolder())), 1);
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), notice(timedFolder()));
  EXPECT_EQ(window.statusPanelText(0), "");
  EXPECT_FALSE(QFileInfo::exists(timed));
  EXPECT_TRUE(QDir(timedFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(services.calls.isEmpty()) << services.calls.join('\n').toStdString();
  EXPECT_TRUE(prompts.shown.isEmpty()) << shownTexts().join('\n').toStdString();

  disk->free();
  EXPECT_NO_THROW(window.ImageTimerTimer());
  EXPECT_TRUE(QFileInfo::exists(timed));
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), "");
  EXPECT_EQ(services.calls, QStringList{logCall("Timed Capture Happend On ", "Timed Capture")});

  QFile::remove(timed);
  disk->fill();  // a new outage is told again
  CaptureStderr();
  EXPECT_NO_THROW(window.ImageTimerTimer());
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice(timedFolder())), 1);
  disk->free();
}

// The motion snapshot is written inside the frame pipeline, whose errors end the
// event silently; a full disk is told all the same, and its dated folder, which
// cannot be made there, is named.
TEST_F(SnapshotDiskFullTest, MotionSnapshotsOnAFullDiskAreToldNotDroppedSilently) {
  TMotionForm& window = make();
  window.Panel1->CheckBox2->setChecked(true);
  disk->fill();
  const QString dated = images() + u'/' + dateText(clock.now().date());
  CaptureStderr();
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return services.callsStartingWith("balloon").size() >= 3; }));
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_EQ(occurrences(GetCapturedStderr(), notice(dated)), 1);
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), notice(dated));
  EXPECT_EQ(window.statusPanelText(0), "");
  EXPECT_TRUE(services.callsStartingWith("log").isEmpty());

  disk->free();
  const int balloons = int(services.callsStartingWith("balloon").size());
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return services.callsStartingWith("log").size() >= 1; }));
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_GT(services.callsStartingWith("balloon").size(), balloons);
  EXPECT_FALSE(QDir(dated).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), "");
}

}  // namespace
