#include "headless_prompts.h"

#include "base/clock.h"

#include <QRegularExpression>

namespace {

constexpr int kRepeatQuietSeconds = 60;

}  // namespace

HeadlessPrompts::~HeadlessPrompts() { printRepeats(); }

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
  if (!message.detail.trimmed().isEmpty())
    text += QStringLiteral(" / ") + message.detail.trimmed();
  text.replace(lineBreaks, QStringLiteral(" / "));
  return message.caption.isEmpty() ? text : message.caption + QStringLiteral(": ") + text;
}

Prompts::Answer HeadlessPrompts::messageBox(const Message& message) {
  const QString line = oneLine(message);
  const QDateTime now = m_clock.now();
  if (line == m_lastLine && m_lastPrinted.secsTo(now) < kRepeatQuietSeconds) {
    ++m_repeats;
  } else {
    if (line != m_lastLine)
      printRepeats();
    print(m_repeats > 0 ? line + QStringLiteral(" (%1 more times)").arg(m_repeats) : line);
    m_lastLine = line;
    m_lastPrinted = now;
    m_repeats = 0;
  }
  return defaultAnswer(message.buttons);
}

void HeadlessPrompts::printRepeats() {
  if (m_repeats > 0)
    print(m_lastLine + QStringLiteral(" (%1 more times)").arg(m_repeats));
  m_repeats = 0;
}

void HeadlessPrompts::print(const QString& line) {
  std::fputs((line + u'\n').toUtf8().constData(), m_output);
  std::fflush(m_output);
}
