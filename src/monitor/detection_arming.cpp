#include "detection_arming.h"

#include <QCheckBox>
#include <QTimer>

#include <utility>

DetectionArming::DetectionArming(QCheckBox& detect, QObject& timerParent,
                                 std::function<void(const QString&)> showStatus)
    : m_detect(detect),
      m_showStatus(std::move(showStatus)),
      m_detectOnStart(new QTimer(&timerParent)),
      m_delayStart(new QTimer(&timerParent)) {
  m_detectOnStart->setObjectName(QStringLiteral("DetectOnStartTimer1"));
  m_detectOnStart->setInterval(3000);
  m_delayStart->setObjectName(QStringLiteral("DelayStart"));
  m_delayStart->setInterval(1000);
}

void DetectionArming::detectSwitched() {
  followDetect();
  if (!m_detect.isChecked())
    m_showStatus({});
}

void DetectionArming::followDetect() {
  if (m_detect.isChecked()) {
    m_countdown.start();
    m_delayStart->start();
  } else {
    m_countdown.cancel();
    m_delayStart->stop();
  }
}

void DetectionArming::tick() {
  m_countdown.tick();
  if (!m_countdown.counting())
    m_delayStart->stop();
  m_showStatus(m_countdown.text());
}

void DetectionArming::turnOn() {
  m_detect.setChecked(true);
  m_detectOnStart->stop();
}

bool DetectionArming::armed() const {
  return m_detect.isChecked() && m_countdown.state() == DetectionCountdown::State::Idle;
}
