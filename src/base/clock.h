#pragma once

#include <QDateTime>

// Where the system takes the current local time from; tests install a fixed one.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
 public:
  QDateTime now() const override { return QDateTime::currentDateTime(); }
};
