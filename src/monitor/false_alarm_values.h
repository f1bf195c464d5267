#pragma once

#include <QSet>
#include <QString>

class MotionFilter;
class MotionOptionsPanel;
class PictureRetention;
class Prompts;
class SnapshotPacer;

// The "Filters" options: the camera values `LightSwitch`, `MinMotionFrames` and
// `SnapshotGap` in the camera's key, and the program values `KeepFreeMB` and
// `KeepDays` in the program's key. Each field applies its value at once; a value
// absent from the settings leaves the field's default, and closing writes back only
// the values changed in this run.
class FalseAlarmValues {
 public:
  FalseAlarmValues(MotionOptionsPanel& panel, MotionFilter& filter, SnapshotPacer& pacer,
                   PictureRetention& retention, const QString& settingsFile);

  // Loads the values stored for the camera `caption` and the program. A value that
  // cannot be read is told ("Failed to get data for '<name>'") and keeps its default.
  void load(const QString& caption, Prompts& prompts);
  void save(const QString& caption) const;

 private:
  MotionOptionsPanel& m_panel;
  QString m_settingsFile;
  QSet<QString> m_changed;
  bool m_tracking = false;
};
