#include "alarm/ui/t_sound_alarm_form.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "media_files.h"
#include "support/scripted_prompts.h"
#include "support/temp_home.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class TSoundAlarmFormTest : public ::testing::Test {
 protected:
  QLineEdit* edit() { return form.findChild<QLineEdit*>("AdvFileNameEdit1"); }
  QPushButton* button(const char* name) { return form.findChild<QPushButton*>(name); }
  QString testCaption() { return button("BitBtn1")->text(); }

  void setSoundAlarm(const QString& value) {
    SettingsStore settings(home.settingsFile());
    ASSERT_TRUE(settings.OpenKey(applicationKey(), true));
    settings.WriteString("SoundAlarm", value);
  }
  QString storedSoundAlarm() {
    SettingsStore settings(home.settingsFile());
    return settings.OpenKey(applicationKey(), false) ? settings.ReadString("SoundAlarm")
                                                     : QStringLiteral("<no key>");
  }

  TempHome home;
  ScriptedPrompts prompts;
  TSoundAlarmForm form{prompts, home.settingsFile()};
};

TEST_F(TSoundAlarmFormTest, ShowingLoadsTheStoredFile) {
  edit()->setText("typed before");
  form.show();
  EXPECT_EQ(edit()->text(), "typed before");  // no settings key yet: the edit keeps its text
  form.close();

  setSoundAlarm("/sounds/bell.wav");
  form.show();
  EXPECT_EQ(form.windowTitle(), "Sound Alarm File...");
  EXPECT_EQ(edit()->text(), "/sounds/bell.wav");
}

TEST_F(TSoundAlarmFormTest, OkStoresTheTextUncheckedAndCancelKeepsTheOldValue) {
  setSoundAlarm("/old.wav");
  form.show();
  edit()->setText("/no/such/file.wav");
  button("BitBtn3")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(storedSoundAlarm(), "/old.wav");

  form.show();
  EXPECT_EQ(edit()->text(), "/old.wav");  // reloaded
  edit()->setText("/no/such/file.wav");
  button("BitBtn2")->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(storedSoundAlarm(), "/no/such/file.wav");
}

TEST_F(TSoundAlarmFormTest, TestOfAMissingFileBeepsAndSaysFileNotFound) {
  form.show();
  for (const QString& path : {QString(), home.file("missing.wav"), home.path()}) {
    edit()->setText(path);
    button("BitBtn1")->click();
  }
  EXPECT_EQ(prompts.beeps, 3);
  ASSERT_EQ(prompts.shown.size(), 3);
  EXPECT_EQ(prompts.shown[0].text, "File Not Found!");
  EXPECT_EQ(prompts.shown[0].helpContext, 23);
  EXPECT_EQ(prompts.shown[0].icon, Prompts::Icon::Error);
  EXPECT_EQ(testCaption(), "Test");
  EXPECT_EQ(form.TestPlayer(), nullptr);
}

TEST_F(TSoundAlarmFormTest, TestAndStopKeepOnePlayerAtATime) {
  writeWav(home.file("long.wav"), 5);
  form.show();
  edit()->setText(home.file("long.wav"));

  button("BitBtn1")->click();
  EXPECT_EQ(testCaption(), "Stop");
  ASSERT_NE(form.TestPlayer(), nullptr);
  EXPECT_EQ(form.TestPlayer()->State(), TcbAudioPlay::PlayState::Running);
  EXPECT_EQ(form.TestPlayer()->DeviceIndex(), TcbAudioPlay::kDefaultOutput);  // as the alarm plays

  button("BitBtn1")->click();
  EXPECT_EQ(testCaption(), "Test");
  EXPECT_EQ(form.TestPlayer()->State(), TcbAudioPlay::PlayState::Stopped);

  button("BitBtn1")->click();
  EXPECT_EQ(testCaption(), "Stop");
  EXPECT_EQ(TcbAudioPlay::liveCount(), 1);

  // A cleared edit is checked first, also on "Stop": the sound goes on.
  edit()->clear();
  button("BitBtn1")->click();
  EXPECT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(testCaption(), "Stop");
  EXPECT_EQ(form.TestPlayer()->State(), TcbAudioPlay::PlayState::Running);

  // Closing ends the sound and frees the player; the caption stays.
  form.close();
  EXPECT_EQ(form.TestPlayer(), nullptr);
  EXPECT_EQ(TcbAudioPlay::liveCount(), 0);
  EXPECT_EQ(testCaption(), "Stop");

  // Shown again, the first press only sets the caption back.
  form.show();
  edit()->setText(home.file("long.wav"));
  button("BitBtn1")->click();
  EXPECT_EQ(testCaption(), "Test");
  EXPECT_EQ(form.TestPlayer(), nullptr);
}

TEST_F(TSoundAlarmFormTest, TheCaptionReturnsToTestWhenTheSoundEnds) {
  writeWav(home.file("short.wav"), 0.2);
  form.show();
  edit()->setText(home.file("short.wav"));
  button("BitBtn1")->click();
  EXPECT_EQ(testCaption(), "Stop");
  ASSERT_TRUE(waitUntil([&] { return testCaption() == "Test"; }));
  EXPECT_EQ(form.TestPlayer()->State(), TcbAudioPlay::PlayState::Stopped);
}

TEST_F(TSoundAlarmFormTest, AFileWithoutSoundShowsThePlayersError) {
  writeVideo(home.file("silent.avi"), SoundTrack::None);
  form.show();
  edit()->setText(home.file("silent.avi"));
  button("BitBtn1")->click();
  ASSERT_EQ(prompts.shown.size(), 1);
  EXPECT_EQ(prompts.shown[0].text, "Specified file doesn't have any audio stream.");
  EXPECT_EQ(prompts.beeps, 0);
  EXPECT_EQ(testCaption(), "Test");
  EXPECT_EQ(form.TestPlayer(), nullptr);
}

}  // namespace
