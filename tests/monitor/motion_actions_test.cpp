#include "base/settings_keys.h"
#include "motion_form_fixture.h"

#include "base/settings_store.h"
#include "monitor/snapshot_stamp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

void setImageDir(const QString& settingsFile, const QString& folder) {
  SettingsStore store(settingsFile);
  ASSERT_TRUE(store.OpenKey(applicationKey(), true));
  store.WriteString(QStringLiteral("ImageDir"), folder);
}

}  // namespace

class MotionActionsTest : public MotionFormTest {
 protected:
  QString dateFolder(const QString& root) const { return root + u'/' + dateText(clock.now().date()); }
  QString timeName() const { return timeText(clock.now().time()); }
  QString motionFile(const QString& root, int n) const {
    return dateFolder(root) + QStringLiteral("/Time %1 Nr %2.jpg").arg(timeName()).arg(n);
  }
  QString timedFile(const QString& root) const {
    return root + QStringLiteral("/TimedImages/") + dateText(clock.now().date()) +
           QStringLiteral("/Time %1.jpg").arg(timeName());
  }
  QString images() const { return home.path() + QStringLiteral("Images"); }

  // Detection on snow, where every examined frame after the first is a motion
  // event, until `events` balloons were shown; then detection off.
  void runMotionEvents(int events) {
    detectNow();
    ASSERT_TRUE(waitUntil([&] { return services.callsStartingWith("balloon").size() >= events; }));
    form->Panel1->CheckBox1->setChecked(false);
  }
};

TEST_F(MotionActionsTest, MotionEventMarksThePictureThenBalloonAlarmAndSnapshotInOrder) {
  TMotionForm& window = make();
  window.Panel1->CheckBox2->setChecked(true);
  window.Panel1->CheckBox8->setChecked(true);
  QList<QRgb> dotColours;
  services.onBalloon = [&] { dotColours.append(window.pictureCanvas().image().pixel(20, 20)); };
  runMotionEvents(3);

  const QString balloon = QStringLiteral("balloon Quorvex | Motion Detected on Cam\rAt : ") + timeName();
  const QStringList calls = services.calls.mid(0, 7);
  EXPECT_EQ(calls, QStringList({balloon, "alarm", logCall("Alarm Sounded on ", "Alarm"),
                                logCall("Motion Captured On ", "Images"), balloon,
                                logCall("Motion Captured On ", "Images"), balloon}))
      << services.calls.join('\n').toStdString();
  ASSERT_FALSE(dotColours.isEmpty());
  EXPECT_EQ(dotColours.first(), qRgb(255, 0, 0));
  EXPECT_EQ(window.pictureCanvas().brushColor(), QColor(Qt::white));
  EXPECT_EQ(window.statusPanelText(0), "");

  // Within one second the snapshots are numbered from 0.
  const int snapshots = services.callsStartingWith("log Cam | Motion Captured On ").size();
  ASSERT_GE(snapshots, 3);
  EXPECT_EQ(filesIn(dateFolder(images())).size(), snapshots);
  for (int n = 0; n < snapshots; ++n) EXPECT_TRUE(QFileInfo::exists(motionFile(images(), n))) << n;

  // A stamped 640 by 480 frame: the band of 2 x th + 5 white rows below it.
  const QImage snapshot(motionFile(images(), 0));
  const FrameBitmap expected = stampSnapshot(FrameBitmap(640, 480), "Cam", stamp(), StampStyle::Bold);
  EXPECT_EQ(snapshot.size(), QSize(640, expected.height()));
  EXPECT_EQ((expected.height() - 480 - 5) % 2, 0);
  EXPECT_GT(expected.height(), 490);
}

TEST_F(MotionActionsTest, WithCaptureImageOffAMotionEventSavesNothing) {
  TMotionForm& window = make();
  window.Panel1->CheckBox10->setChecked(false);  // no balloon either: count the events by detection
  int detections = 0;
  QObject::connect(window.MyMotion1, &MyMotion::OnDetected, [&] { ++detections; });
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return detections >= 3; }));
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_TRUE(services.calls.isEmpty()) << services.calls.join('\n').toStdString();
  EXPECT_FALSE(QFileInfo::exists(images()));
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MotionActionsTest, MotionSnapshotsKeepThePictureFolderOfTheirFirstSnapshot) {
  TMotionForm& window = make();
  window.Panel1->CheckBox2->setChecked(true);
  runMotionEvents(1);
  EXPECT_EQ(window.PictureDir, images());
  const QString chosen = home.path() + QStringLiteral("Chosen");
  setImageDir(paths.settingsFile, chosen);
  const int before = filesIn(dateFolder(images())).size();
  runMotionEvents(services.callsStartingWith("balloon").size() + 2);
  EXPECT_GT(filesIn(dateFolder(images())).size(), before);
  EXPECT_FALSE(QFileInfo::exists(chosen));
  // Timed capture reads the folder at every tick.
  window.ImageTimerTimer();
  EXPECT_TRUE(QFileInfo::exists(timedFile(chosen)));
}

// A picture folder that cannot be written: each failed snapshot clears "Saving
// Frame....", and the failure is told once in the status bar, not in a box per frame.
TEST_F(MotionActionsTest, SnapshotsThatCannotBeWrittenAreToldOnceWithoutABox) {
  writeFile(home.path() + "NotAFolder", "x");
  setImageDir(paths.settingsFile, home.path() + "NotAFolder/Images");
  TMotionForm& window = make();
  window.Panel1->CheckBox2->setChecked(true);
  detectNow();
  ASSERT_TRUE(waitUntil([&] { return services.callsStartingWith("balloon").size() >= 2; }));
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_EQ(window.statusPanelText(0), "");
  const QString notice = window.statusPanelText(TMotionForm::kSnapshotNoticePanel);
  EXPECT_TRUE(notice.startsWith("Snapshots are not being saved: Cannot create file \"" + home.path() +
                                "NotAFolder/Images/"))
      << notice.toStdString();

  window.ImageTimerTimer();
  window.ImageTimerTimer();
  EXPECT_EQ(window.statusPanelText(0), "");
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), notice);
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_TRUE(services.callsStartingWith("log").isEmpty());

  // Writable again: the next snapshot is saved and the notice goes.
  setImageDir(paths.settingsFile, images());
  window.ImageTimerTimer();
  EXPECT_EQ(window.statusPanelText(TMotionForm::kSnapshotNoticePanel), "");
  EXPECT_EQ(services.callsStartingWith("log"),
            QStringList({logCall("Timed Capture Happend On ", "Timed Capture")}));
}

TEST_F(MotionActionsTest, TimedCaptureBeforeAnyFrameWritesNothing) {
  services.videoSource = QStringLiteral("Missing");  // no such device: no frame ever
  TMotionForm& window = make();
  prompts.shown.clear();
  window.ImageTimerTimer();
  EXPECT_TRUE(window.LastFrame.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(images()));
  EXPECT_TRUE(services.calls.isEmpty());
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(MotionActionsTest, TimedCaptureWritesTheLastFrameAndOverwritesItsFile) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  ASSERT_TRUE(waitForFrames(1));
  window.ImageTimerTimer();
  const QString file = timedFile(images());
  ASSERT_TRUE(QFileInfo::exists(file));
  const QImage first(file);
  const FrameBitmap expected = stampSnapshot(FrameBitmap(640, 480), "Cam", stamp(), StampStyle::Regular);
  EXPECT_EQ(first.size(), QSize(640, expected.height()));
  window.ImageTimerTimer();  // the same second: the same name, replaced
  EXPECT_EQ(filesIn(QFileInfo(file).path()), QStringList({QFileInfo(file).fileName()}));
  const QString entry = logCall("Timed Capture Happend On ", "Timed Capture");
  EXPECT_EQ(services.calls, QStringList({entry, entry}));
}

TEST_F(MotionActionsTest, TimedCaptureSwitchAndRateDriveTheTimer) {
  TMotionForm& window = make(QStringLiteral("test:ball"));
  MotionOptionsPanel* p = window.Panel1;
  p->CheckBox7->setChecked(true);
  EXPECT_TRUE(window.ImageTimer->isActive());
  EXPECT_EQ(window.ImageTimer->interval(), 30000);
  const struct {
    const char* text;
    int intervalMs;
  } rates[] = {{"45", 45000}, {"", 45000}, {"600", 600000}, {"0", 10000}, {"99999", 600000}};
  for (const auto& rate : rates) {
    p->AdvSpinEdit5->setText(rate.text);
    EXPECT_EQ(window.ImageTimer->interval(), rate.intervalMs) << rate.text;
  }
  p->CheckBox7->setChecked(false);
  EXPECT_FALSE(window.ImageTimer->isActive());
}

TEST_F(MotionActionsTest, DemoSceneWithDefaultSettingsSavesStampedSnapshots) {
  TMotionForm& window = make(QStringLiteral("demo:"));
  window.Panel1->CheckBox2->setChecked(true);
  detectNow();
  // The box crosses the room every seven seconds.
  ASSERT_TRUE(
      waitUntil([&] { return !services.callsStartingWith("log Cam | Motion Captured On ").isEmpty(); },
                std::chrono::seconds(20)));
  window.Panel1->CheckBox1->setChecked(false);
  EXPECT_EQ(services.callsStartingWith("log").first(), logCall("Motion Captured On ", "Images"));
  const QImage snapshot(motionFile(images(), 0));
  EXPECT_EQ(snapshot.width(), 640);
  EXPECT_GT(snapshot.height(), 485);
  EXPECT_TRUE(prompts.shown.isEmpty());
}
