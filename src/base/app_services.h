#pragma once

#include <QString>

// The one seam between the main window and what it owns for others. The camera
// window and the delivery workers receive it; tests pass their own.
class AppServices {
 public:
  virtual ~AppServices() = default;

  // Writes one event log entry (section = camera caption, key, category).
  virtual void writeLogEntry(const QString& section, const QString& key, const QString& value) = 0;
  // The display name of the chosen video device.
  virtual QString VideoSource() const = 0;
  virtual void showBalloon(const QString& title, const QString& text) = 0;
  virtual bool AlarmSounding() const = 0;
  virtual void PlaySoundAlarm() = 0;
};
