#pragma once

#include <QString>

#include <stdexcept>

// The one exception type of the system: it carries the exact text shown to the user.
class Error : public std::runtime_error {
 public:
  explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString message() const { return QString::fromUtf8(what()); }
};
