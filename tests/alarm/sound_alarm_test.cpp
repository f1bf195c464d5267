#include "alarm/sound_alarm.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "media_files.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QFile>

#include <gtest/gtest.h>

#include <optional>

namespace {

// An alarm in a fresh program folder that holds the shipped "alert.wav", with a
// record of what the tray item was told.
class SoundAlarmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QFile::copy(builtAlertWav(), home.file("alert.wav")));
    alarm.onSoundingChanged = [this](bool sounding) { trayEnabled.append(sounding); };
  }

  void setSoundAlarm(const QString& value) {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString("SoundAlarm", value);
  }

  TempHome home;
  ScriptedPrompts prompts;
  SoundAlarm alarm{prompts, home.paths()};
  QList<bool> trayEnabled;
};

TEST_F(SoundAlarmTest, PlaysTheChosenFileOrFallsBackToAlertWav) {
  writeWav(home.file("chosen.wav"), 0.2);
  const struct {
    std::optional<QString> setting;
    QString played;
  } cases[] = {
      {std::nullopt, "alert.wav"},
      {"", "alert.wav"},
      {home.file("deleted.wav"), "alert.wav"},
      {home.path(), "alert.wav"},  // a folder is no sound file
      {home.file("chosen.wav"), "chosen.wav"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting.value_or("<absent>").toStdString());
    if (c.setting)
      setSoundAlarm(*c.setting);
    alarm.PlaySoundAlarm();
    ASSERT_NE(alarm.AlarmPlayer(), nullptr);
    EXPECT_EQ(alarm.AlarmPlayer()->FileName(), home.file(c.played));
    // Not pinned to the first listed device: where the desktop sends sound.
    EXPECT_EQ(alarm.AlarmPlayer()->DeviceIndex(), TcbAudioPlay::kDefaultOutput);
    EXPECT_TRUE(alarm.AlarmSounding());
    alarm.stop();
  }
  EXPECT_EQ(prompts.beeps, 0);
}

TEST_F(SoundAlarmTest, SoundsOnceToTheEndThenFallsSilent) {
  alarm.PlaySoundAlarm();
  EXPECT_EQ(alarm.state(), SoundAlarm::State::Sounding);
  EXPECT_EQ(trayEnabled, QList<bool>{true});
  const TcbAudioPlay* player = alarm.AlarmPlayer();
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Running);

  alarm.PlaySoundAlarm();  // motion while sounding does not restart it
  EXPECT_EQ(alarm.AlarmPlayer(), player);
  EXPECT_EQ(TcbAudioPlay::liveCount(), 1);
  EXPECT_EQ(trayEnabled, QList<bool>{true});

  ASSERT_TRUE(waitUntil([&] { return !alarm.AlarmSounding(); }));
  EXPECT_EQ(trayEnabled, (QList<bool>{true, false}));
  EXPECT_EQ(alarm.AlarmPlayer(), player);  // kept until the next alarm
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Stopped);
}

TEST_F(SoundAlarmTest, StopEndsTheSoundAtOnceAndTheNextAlarmStartsAfresh) {
  alarm.PlaySoundAlarm();
  alarm.stop();
  EXPECT_FALSE(alarm.AlarmSounding());
  EXPECT_EQ(trayEnabled, (QList<bool>{true, false}));
  EXPECT_EQ(alarm.AlarmPlayer()->State(), TcbAudioPlay::PlayState::Stopped);
  runEvents(std::chrono::milliseconds(200));
  EXPECT_EQ(trayEnabled.size(), 2);  // no late completion

  alarm.PlaySoundAlarm();
  EXPECT_TRUE(alarm.AlarmSounding());
  EXPECT_EQ(alarm.AlarmPlayer()->State(), TcbAudioPlay::PlayState::Running);
  EXPECT_EQ(TcbAudioPlay::liveCount(), 1);  // the old player went first
}

TEST_F(SoundAlarmTest, WithoutAnyFileItBeeps) {
  QFile::remove(home.file("alert.wav"));
  if (!home.paths().findAsset("alert.wav").isEmpty())
    GTEST_SKIP() << "an installed alert.wav is found";
  alarm.PlaySoundAlarm();
  alarm.PlaySoundAlarm();
  EXPECT_EQ(prompts.beeps, 2);
  EXPECT_FALSE(alarm.AlarmSounding());
  EXPECT_EQ(alarm.AlarmPlayer(), nullptr);
  EXPECT_TRUE(trayEnabled.isEmpty());
}

TEST_F(SoundAlarmTest, AnUnplayableFileRaisesAndLeavesTheAlarmSilent) {
  writeVideo(home.file("silent.avi"), SoundTrack::None);
  setSoundAlarm(home.file("silent.avi"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      alarm.PlaySoundAlarm();
      ADD_FAILURE() << "no error";
    } catch (const EcbAudioPlayError& error) {
      EXPECT_EQ(error.FailureCode(), 1000u);
    }
    EXPECT_FALSE(alarm.AlarmSounding());
    EXPECT_EQ(alarm.AlarmPlayer(), nullptr);
  }
  EXPECT_TRUE(trayEnabled.isEmpty());
  EXPECT_EQ(prompts.beeps, 0);
}

}  // namespace
