#pragma once

#include "alarm/tcb_audio_play.h"
#include "base/program_paths.h"
#include "base/prompts.h"

#include <QObject>

#include <functional>
#include <memory>

// The main window's sound alarm: motion starts it, it stops by itself when the
// sound has played once to its end, or when the user stops it. It does not repeat
// while it sounds. The window only wires it to the tray item "Stop Sound Alarm".
class SoundAlarm {
 public:
  enum class State { Silent, Sounding };

  // The setting and the default sound are looked up in `paths`.
  SoundAlarm(Prompts& prompts, const ProgramPaths& paths, QObject* owner = nullptr);
  ~SoundAlarm();

  // Plays the file named by the setting `SoundAlarm`, or "alert.wav" when that
  // names no file, on a fresh player on the default output; the default beep when neither exists. Does
  // nothing while sounding. Throws EcbAudioPlayError for an unplayable file, and
  // the alarm stays silent.
  void PlaySoundAlarm();
  // Stops the sound at once and goes silent. Also the player's OnComplete.
  void stop();

  bool AlarmSounding() const { return m_state == State::Sounding; }
  State state() const { return m_state; }
  // The player of the latest alarm, kept after it stopped; null when none.
  const TcbAudioPlay* AlarmPlayer() const { return m_player.get(); }
  // The file the next alarm would play; empty when there is none.
  QString alarmFile() const;

  // Told of every change between silent and sounding (enables the tray item).
  std::function<void(bool sounding)> onSoundingChanged;

 private:
  void setState(State state);

  Prompts& m_prompts;
  const ProgramPaths m_paths;
  QObject* m_owner;
  State m_state = State::Silent;
  std::unique_ptr<TcbAudioPlay> m_player;
};
