#pragma once

#include <QString>

#include <stdexcept>

// The one exception type of the system: it carries the exact text shown to the user,
// and the errno of the failed system call behind it (0 when none), taken where the call
// failed: errno itself may have changed by the time the error is handled.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message, int systemError = 0)
      : std::runtime_error(message.toStdString()), m_systemError(systemError) {}
  QString message() const { return QString::fromUtf8(what()); }
  int systemError() const { return m_systemError; }

 private:
  int m_systemError;
};
