#pragma once

#include <QString>

class AppServices;
class Clock;
class MotionOptionsPanel;

// What a motion event tells the user besides the picture: the balloon ("Show
// Balloon Messages") and the sound alarm ("Sound Alarm"), each when its box is checked.
class MotionAlerts {
 public:
  MotionAlerts(AppServices& services, const Clock& clock, const MotionOptionsPanel& panel);

  void showBalloon(const QString& caption);
  // True when it started the alarm; an alarm already sounding is left alone.
  bool soundAlarm();

 private:
  AppServices& m_services;
  const Clock& m_clock;
  const MotionOptionsPanel& m_panel;
};
