// The sound alarm as the main window runs it: the tray item "Stop Sound Alarm"
// follows the alarm, and the Options menu opens the alarm file dialog.
#include "alarm/tcb_audio_play.h"
#include "alarm/ui/t_sound_alarm_form.h"
#include "app_fixture.h"
#include "media_files.h"

#include <QAction>
#include <QMenuBar>

namespace {

const VideoSourceEntry kCam{QStringLiteral("Cam"), QStringLiteral("test:snow")};

class SoundAlarmWiringTest : public AppFixture {
 protected:
  // The program folder's "alert.wav", which the alarm falls back to.
  void writeAlert(double seconds) { writeWav(home.file(QStringLiteral("alert.wav")), seconds); }
};

TEST_F(SoundAlarmWiringTest, TheAlarmSoundsOnceToItsEndWithTheTrayItemEnabled) {
  writeAlert(0.3);
  TMDIParent& window = start({kCam});
  ASSERT_FALSE(window.AlarmSounding());
  ASSERT_FALSE(window.StopSoundAlarm1->isEnabled());

  window.PlaySoundAlarm();
  EXPECT_TRUE(window.AlarmSounding());
  EXPECT_TRUE(window.StopSoundAlarm1->isEnabled());
  const TcbAudioPlay* player = window.soundAlarm().AlarmPlayer();
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(player->FileName(), home.file(QStringLiteral("alert.wav")));
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Running);

  // Motion while it sounds does not restart it.
  window.PlaySoundAlarm();
  EXPECT_EQ(window.soundAlarm().AlarmPlayer(), player);
  EXPECT_EQ(TcbAudioPlay::liveCount(), 1);
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Running);

  // The end of the file stops the alarm and disables the tray item.
  ASSERT_TRUE(waitUntil([&] { return !window.AlarmSounding(); }));
  EXPECT_FALSE(window.StopSoundAlarm1->isEnabled());
  EXPECT_EQ(player->State(), TcbAudioPlay::PlayState::Stopped);

  // Each later alarm plays again on a fresh player and ends by itself too, also
  // when the end of the sound comes while the window is idle.
  for (int alarm = 2; alarm <= 8; ++alarm) {
    SCOPED_TRACE(alarm);
    window.PlaySoundAlarm();
    EXPECT_TRUE(window.StopSoundAlarm1->isEnabled());
    EXPECT_EQ(window.soundAlarm().AlarmPlayer()->State(), TcbAudioPlay::PlayState::Running);
    EXPECT_EQ(TcbAudioPlay::liveCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return !window.AlarmSounding(); }));
    EXPECT_FALSE(window.StopSoundAlarm1->isEnabled());
  }
  EXPECT_TRUE(prompts.shown.isEmpty());
  EXPECT_EQ(prompts.beeps, 0);
}

TEST_F(SoundAlarmWiringTest, StopSoundAlarmStopsAtOnce) {
  writeAlert(20);
  TMDIParent& window = start({kCam});
  window.PlaySoundAlarm();
  ASSERT_TRUE(window.StopSoundAlarm1->isEnabled());

  window.StopSoundAlarm1->trigger();
  EXPECT_FALSE(window.AlarmSounding());
  EXPECT_FALSE(window.StopSoundAlarm1->isEnabled());
  EXPECT_EQ(window.soundAlarm().AlarmPlayer()->State(), TcbAudioPlay::PlayState::Stopped);

  // A late end-of-file notice finds nothing to stop and turns nothing back on.
  runEvents(std::chrono::milliseconds(200));
  EXPECT_FALSE(window.StopSoundAlarm1->isEnabled());
  EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(SoundAlarmWiringTest, SoundAlarmFileOpensTheDialogWithoutWaiting) {
  TMDIParent& window = start({kCam});
  QStringList options;
  for (QAction* action : window.menuBar()->actions()[1]->menu()->actions()) options.append(action->text());
  EXPECT_EQ(options, QStringList({"&Picture Directory", "&Sound Alarm File", "&Run at Startup",
                                  "&Connect Only Once"}));

  TSoundAlarmForm& form = windows().SoundAlarmForm;
  ASSERT_FALSE(form.isVisible());
  window.SAlarm->trigger();  // returns while the dialog is up
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  form.reject();
  EXPECT_FALSE(form.isVisible());

  // The same dialog each time.
  window.SAlarm->trigger();
  EXPECT_TRUE(form.isVisible());
}

}  // namespace
