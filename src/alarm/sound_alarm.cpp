#include "sound_alarm.h"
#include "base/settings_keys.h"

#include "base/settings_store.h"

#include <QFileInfo>

namespace {}  // namespace

SoundAlarm::SoundAlarm(Prompts& prompts, const ProgramPaths& paths, QObject* owner)
    : m_prompts(prompts), m_paths(paths), m_owner(owner) {}

SoundAlarm::~SoundAlarm() = default;

QString SoundAlarm::alarmFile() const {
  SettingsStore settings(m_paths.settingsFile);
  if (settings.OpenKey(applicationKey(), false)) {
    const QString chosen = settings.ReadString(QStringLiteral("SoundAlarm"));
    if (QFileInfo(chosen).isFile())
      return chosen;
  }
  return m_paths.findAsset(QStringLiteral("alert.wav"));
}

void SoundAlarm::PlaySoundAlarm() {
  if (AlarmSounding())
    return;
  const QString path = alarmFile();
  m_player.reset();
  if (path.isEmpty()) {
    m_prompts.beep();
    return;
  }
  m_player = std::make_unique<TcbAudioPlay>(m_prompts, m_owner, TcbAudioPlay::kDefaultOutput, path);
  m_player->OnComplete = [this](TcbAudioPlay*) { stop(); };
  // Sounding only once it plays: a failed Play leaves the alarm silent, so the
  // next motion event can try again.
  m_player->Play();
  setState(State::Sounding);
}

void SoundAlarm::stop() {
  setState(State::Silent);
  if (m_player)
    m_player->Stop();
}

void SoundAlarm::setState(State state) {
  m_state = state;
  if (onSoundingChanged)
    onSoundingChanged(state == State::Sounding);
}
