#pragma once

#include "base/clock.h"

// A clock that says what the test tells it.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(QDateTime time = QDateTime(QDate(2026, 12, 8), QTime(21, 46, 10)))
      : m_time(std::move(time)) {}
  QDateTime now() const override { return m_time; }
  void set(QDateTime time) { m_time = std::move(time); }
  void advance(std::chrono::seconds seconds) { m_time = m_time.addSecs(seconds.count()); }

 private:
  QDateTime m_time;
};
