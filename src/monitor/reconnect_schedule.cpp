#include "reconnect_schedule.h"

#include <algorithm>

void ReconnectSchedule::begin() {
  m_state = State::Waiting;
  m_pause = m_remaining = kFirstPause;
  m_attempts = 0;
}

ReconnectSchedule::Step ReconnectSchedule::tick() {
  if (m_state == State::Attempting) {
    m_attemptTime += std::chrono::seconds(1);
    if (m_attemptTime < kAttemptLimit)
      return Step::None;
    attemptFailed();
    return Step::AttemptTimedOut;
  }
  if (m_state != State::Waiting)
    return Step::None;
  m_remaining -= std::chrono::seconds(1);
  if (m_remaining > std::chrono::seconds(0))
    return Step::None;
  m_state = State::Attempting;
  m_attemptTime = std::chrono::seconds(0);
  ++m_attempts;
  return Step::Attempt;
}

void ReconnectSchedule::attemptFailed() {
  if (m_state != State::Attempting)
    return;
  m_state = State::Waiting;
  m_pause = m_remaining = std::min(m_pause * 2, kLongestPause);
}

void ReconnectSchedule::end() {
  m_state = State::Idle;
  m_remaining = std::chrono::seconds(0);
}
