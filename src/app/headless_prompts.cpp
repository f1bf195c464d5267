#include "headless_prompts.h"

#include <QRegularExpression>

Prompts::Answer HeadlessPrompts::defaultAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
    case Buttons::AbortRetryIgnore:
    case Buttons::AbortIgnore: return Answer::Abort;
  }
  return Answer::Ok;
}

QString HeadlessPrompts::oneLine(const Message& message) {
  static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\r\n]+\\s*"));
  QString text = message.text.trimmed();
  text.replace(lineBreaks, QStringLiteral(" / "));
  return message.caption.isEmpty() ? text : message.caption + QStringLiteral(": ") + text;
}

Prompts::Answer HeadlessPrompts::messageBox(const Message& message) {
  std::fputs((oneLine(message) + u'\n').toUtf8().constData(), m_output);
  std::fflush(m_output);
  return defaultAnswer(message.buttons);
}
