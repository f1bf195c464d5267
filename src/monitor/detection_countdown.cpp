#include "detection_countdown.h"

void DetectionCountdown::start() {
  m_state = State::Counting;
  m_left = kSeconds;
  m_shown = 0;
}

void DetectionCountdown::tick() {
  if (m_state == State::Idle)
    return;
  if (m_left == 0) {
    cancel();
    return;
  }
  m_shown = m_left--;
}

QString DetectionCountdown::text() const {
  if (m_state == State::Idle || m_shown == 0)
    return {};
  return QStringLiteral("Detecting in ") + QString::number(m_shown);
}
