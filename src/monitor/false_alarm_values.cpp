#include "false_alarm_values.h"

#include "base/error.h"
#include "base/prompts.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "detect/motion_filter.h"
#include "monitor/motion_options_panel.h"
#include "monitor/picture_retention.h"
#include "monitor/snapshot_pacer.h"
#include "monitor/spin_edit.h"

#include <chrono>

namespace {

enum class Key { Camera, Program };

struct Value {
  const char* name;
  Key key;
  SpinEdit* MotionOptionsPanel::*field;
};

const Value kValues[] = {
    {"LightSwitch", Key::Camera, &MotionOptionsPanel::LightSwitch},
    {"MinMotionFrames", Key::Camera, &MotionOptionsPanel::MinMotionFrames},
    {"SnapshotGap", Key::Camera, &MotionOptionsPanel::SnapshotGap},
    {"KeepFreeMB", Key::Program, &MotionOptionsPanel::KeepFreeMB},
    {"KeepDays", Key::Program, &MotionOptionsPanel::KeepDays},
};

QString keyPath(Key key, const QString& caption) {
  return key == Key::Camera ? cameraKey(caption) : applicationKey();
}

}  // namespace

FalseAlarmValues::FalseAlarmValues(MotionOptionsPanel& panel, MotionFilter& filter, SnapshotPacer& pacer,
                                   PictureRetention& retention, const QString& settingsFile)
    : m_panel(panel), m_settingsFile(settingsFile) {
  const auto apply = [](SpinEdit* field, auto set) {
    set(field->boundedValue());
    QObject::connect(field, &SpinEdit::textChanged, field, [field, set](const QString& text) {
      if (!text.isEmpty())  // half-typed: the value before stays in force
        set(field->boundedValue());
    });
  };
  apply(panel.LightSwitch, [&filter](int percent) { filter.setLightSwitchPercent(percent); });
  apply(panel.MinMotionFrames, [&filter](int frames) { filter.setMinMotionFrames(frames); });
  apply(panel.SnapshotGap, [&pacer](int seconds) { pacer.setGap(std::chrono::seconds(seconds)); });
  apply(panel.KeepFreeMB, [&retention](int megabytes) { retention.setKeepFreeMB(megabytes); });
  apply(panel.KeepDays, [&retention](int days) { retention.setKeepDays(days); });
  for (const Value& value : kValues) {
    const QString name = QLatin1String(value.name);
    QObject::connect(panel.*value.field, &SpinEdit::textChanged, panel.*value.field, [this, name] {
      if (m_tracking)
        m_changed.insert(name);
    });
  }
}

void FalseAlarmValues::load(const QString& caption, Prompts& prompts) {
  m_tracking = false;
  SettingsStore store(m_settingsFile);
  for (const Value& value : kValues) {
    const QString name = QLatin1String(value.name);
    if (!store.KeyExists(keyPath(value.key, caption)) || !store.OpenKey(keyPath(value.key, caption), false) ||
        !store.ValueExists(name))
      continue;
    try {
      (m_panel.*value.field)->setValue(store.ReadInteger(name));
    } catch (const Error& error) {
      prompts.messageBox({error.message(), Prompts::programCaption(), Prompts::Icon::Error});
    }
  }
  m_changed.clear();
  m_tracking = true;
}

void FalseAlarmValues::save(const QString& caption) const {
  SettingsStore store(m_settingsFile);
  for (const Value& value : kValues) {
    const QString name = QLatin1String(value.name);
    if (!m_changed.contains(name) || !store.OpenKey(keyPath(value.key, caption), true))
      continue;
    store.WriteInteger(name, (m_panel.*value.field)->boundedValue());
  }
}
