#pragma once

#include "monitor/detection_countdown.h"

#include <QString>

#include <functional>

class QCheckBox;
class QObject;
class QTimer;

// When the camera window examines frames: the Detect box ("Detect Motion") is on and
// its countdown is over. `delayStart` ticks the countdown once a second;
// `detectOnStart` turns the box on a while after the window opens when the camera's
// settings say so.
class DetectionArming {
 public:
  DetectionArming(QCheckBox& detect, QObject& timerParent, std::function<void(const QString&)> showStatus);

  QTimer* detectOnStart() const { return m_detectOnStart; }
  QTimer* delayStart() const { return m_delayStart; }

  // The Detect box changed: counts down when on, clears the status when off.
  void detectSwitched();
  // Starts or ends the countdown as the Detect box stands, the status left alone.
  void followDetect();
  // One second of the countdown.
  void tick();
  // Turns the Detect box on now, once.
  void turnOn();

  bool armed() const;

 private:
  QCheckBox& m_detect;
  std::function<void(const QString&)> m_showStatus;
  QTimer* m_detectOnStart;
  QTimer* m_delayStart;
  DetectionCountdown m_countdown;
};
