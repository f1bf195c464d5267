#include "base/settings_keys.h"
#include "motion_form_fixture.h"
#include "scenes.h"

#include "base/settings_store.h"

#include <QDir>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace {

// The camera window fed frames by the test through its frame handler, on a source
// that delivers none of its own, with the clock moving 1/30 s per frame.
class FalseAlarmsTest : public MotionFormTest {
 protected:
  void store(const QString& key, const QString& name, const std::optional<qint32>& value) {
    if (!value)
      return;
    SettingsStore settings(paths.settingsFile);
    ASSERT_TRUE(settings.OpenKey(key, true));
    settings.WriteInteger(name, *value);
  }
  TMotionForm& makeQuiet() {
    services.videoSource = QStringLiteral("Missing");
    TMotionForm& window = make();
    prompts.shown.clear();
    services.calls.clear();
    window.Panel1->AdvSpinEdit2->setValue(3);  // 3 changed cells make motion
    window.Panel1->CheckBox2->setChecked(true);
    detectNow();
    return window;
  }
  void feed(const std::vector<FrameBitmap>& frames) {
    for (const FrameBitmap& frame : frames) {
      clock.set(start.addMSecs(++framesFed * 1000 / 30));
      form->VideoCapture1BitmapGrabbed(form->VideoCapture1, frame);
    }
  }
  // A box going to and fro, two cells a frame: motion in every pass.
  static std::vector<FrameBitmap> movingBox(int frames, int brightness = 40) {
    std::vector<FrameBitmap> result;
    for (int i = 0; i < frames; ++i)
      result.push_back(scene(brightness, (i / 4) % 2 ? 8 - 2 * (i % 4) : 2 * (i % 4)));
    return result;
  }
  int snapshotFiles() const {
    return QDir(home.path() + "Images/" + dateText(start.date())).entryList({"*.jpg"}, QDir::Files).size();
  }
  qsizetype count(const QString& prefix) const { return services.callsStartingWith(prefix).size(); }

  const QDateTime start = clock.now();
  int framesFed = 0;
};

TEST_F(FalseAlarmsTest, ALightChangeIsOneLogEntryAndNoMotionEvent) {
  const struct {
    std::optional<qint32> lightSwitch;
    qsizetype lightEntries;
    qsizetype motionEvents;
  } cases[] = {{std::nullopt, 0, 1}, {0, 0, 1}, {60, 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lightSwitch.value_or(-1));
    store(cameraKey("Cam"), "LightSwitch", c.lightSwitch);
    makeQuiet();
    // The lamp goes on and stays on.
    feed({scene(40, 1), scene(40, 1), scene(160, 1), scene(160, 1), scene(160, 1)});
    EXPECT_EQ(count("log Cam | Light Change on "), c.lightEntries);
    if (c.lightEntries) {
      EXPECT_EQ(services.callsStartingWith("log"),
                QStringList{QStringLiteral("log Cam | Light Change on %1 | Device Events").arg(stamp())});
    }
    EXPECT_EQ(count("balloon"), c.motionEvents);
    EXPECT_EQ(snapshotFiles(), c.motionEvents);
    // Motion after it is an event again.
    feed({scene(160, 3), scene(160, 5)});
    EXPECT_EQ(count("balloon"), c.motionEvents + 2);
    form.reset();
    ASSERT_TRUE(QDir(home.path() + "Images").removeRecursively());
    ASSERT_TRUE(QFile::remove(paths.settingsFile));
  }
}

// Five seconds of continuous motion: a snapshot per event, or one per second.
TEST_F(FalseAlarmsTest, SnapshotGapSpacesSnapshotsDuringContinuousMotion) {
  const struct {
    std::optional<qint32> gap;
    int snapshots;
  } cases[] = {{std::nullopt, 149}, {1, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.gap.value_or(-1));
    store(cameraKey("Cam"), "SnapshotGap", c.gap);
    makeQuiet();
    framesFed = -1;  // the first frame at the start: 150 frames end before 5 s
    feed(movingBox(150));
    EXPECT_EQ(count("balloon"), 149);
    EXPECT_EQ(count("log Cam | Motion Captured On "), c.snapshots);
    EXPECT_EQ(snapshotFiles(), c.snapshots);
    form.reset();
    ASSERT_TRUE(QDir(home.path() + "Images").removeRecursively());
  }
}

TEST_F(FalseAlarmsTest, SnapshotsDeleteDaysOlderThanKeepDaysFirst) {
  store(applicationKey(), "KeepDays", 2);
  const QString old = home.path() + "Images/" + dateText(start.date().addDays(-3));
  ASSERT_TRUE(QDir().mkpath(old));
  writeFile(old + "/Time 10-00-00 Nr 0.jpg", "j");
  const QString yesterday = home.path() + "Images/" + dateText(start.date().addDays(-1));
  ASSERT_TRUE(QDir().mkpath(yesterday));
  writeFile(yesterday + "/Time 10-00-00 Nr 0.jpg", "j");
  makeQuiet();
  feed(movingBox(2));
  EXPECT_FALSE(QFileInfo::exists(old));
  const QStringList logged = services.callsStartingWith("log");
  ASSERT_EQ(logged.size(), 2);
  EXPECT_EQ(logged[0], QStringLiteral("log Cam | Images Deleted on %1: %2 | Images").arg(stamp(), old));
  EXPECT_TRUE(logged[1].startsWith("log Cam | Motion Captured On ")) << logged[1].toStdString();
  EXPECT_TRUE(QFileInfo::exists(yesterday + "/Time 10-00-00 Nr 0.jpg"));
}

// The Filters values load into their fields and apply at once; closing writes back
// only those changed, and a value that cannot be read is told and left as it is.
TEST_F(FalseAlarmsTest, FilterValuesLoadApplyAndSaveOnlyWhatChanged) {
  store(cameraKey("Cam"), "LightSwitch", 40);
  store(cameraKey("Cam"), "MinMotionFrames", 3);
  store(applicationKey(), "KeepDays", 7);
  {
    SettingsStore settings(paths.settingsFile);
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString("KeepFreeMB", "lots");
  }
  services.videoSource = QStringLiteral("Missing");
  TMotionForm& window = make();
  EXPECT_TRUE(shownTexts().contains("Failed to get data for 'KeepFreeMB'"))
      << shownTexts().join('\n').toStdString();
  MotionOptionsPanel* p = window.Panel1;
  EXPECT_EQ(p->LightSwitch->Value(), 40);
  EXPECT_EQ(p->MinMotionFrames->Value(), 3);
  EXPECT_EQ(p->SnapshotGap->Value(), 0);
  EXPECT_EQ(p->KeepDays->Value(), 7);
  EXPECT_EQ(p->KeepFreeMB->Value(), 1024);

  // Three passes with motion make the first event.
  services.calls.clear();
  p->AdvSpinEdit2->setValue(3);
  detectNow();
  feed(movingBox(3));
  EXPECT_EQ(count("balloon"), 0);
  feed(movingBox(1));
  EXPECT_EQ(count("balloon"), 1);

  p->SnapshotGap->setValue(5);
  bool canClose = false;
  window.FormCloseQuery(canClose);
  ASSERT_TRUE(canClose);
  SettingsStore settings(paths.settingsFile);
  ASSERT_TRUE(settings.OpenKey(cameraKey("Cam"), false));
  EXPECT_EQ(settings.ReadInteger("SnapshotGap"), 5);
  EXPECT_EQ(settings.ReadInteger("LightSwitch"), 40);
  EXPECT_EQ(settings.ReadInteger("MinMotionFrames"), 3);
  ASSERT_TRUE(settings.OpenKey(applicationKey(), false));
  EXPECT_EQ(settings.ReadString("KeepFreeMB"), "lots");
  EXPECT_EQ(settings.ReadInteger("KeepDays"), 7);
}

}  // namespace
