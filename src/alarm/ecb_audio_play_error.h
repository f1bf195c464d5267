#pragma once

#include "base/error.h"

#include <QString>

// A failure of the alarm sound player. FailureCode is the media framework's result
// code for a failed framework call, or 1000 / 1001 for the player's own checks.
class EcbAudioPlayError : public Error {
 public:
  EcbAudioPlayError(const QString& message, quint32 failureCode)
      : Error(message), m_failureCode(failureCode) {}
  quint32 FailureCode() const { return m_failureCode; }

  // A failed framework call: "DirectShow call failed: <code in upper-case hex>",
  // CR, then the description of the code: the known table's text when listed, else
  // frameworkText, else "Unrecognized error value.".
  static EcbAudioPlayError fromResult(quint32 result, const QString& frameworkText = {});

 private:
  quint32 m_failureCode;
};
