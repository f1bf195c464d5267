#pragma once

#include "base/prompts.h"

#include <QDateTime>
#include <QString>

#include <cstdio>

class Clock;

// The prompts of a run without a display, where nobody can see a box: each message
// is one line on standard error ("caption: text") and is answered at once with the
// box's default button, the first one, as a person pressing Enter would. A message
// that comes again and again (a source that keeps failing) is printed once a minute
// with the count of its repeats, so it cannot flood the output.
class HeadlessPrompts final : public Prompts {
 public:
  explicit HeadlessPrompts(Clock& clock, std::FILE* output = stderr) : m_clock(clock), m_output(output) {}
  ~HeadlessPrompts() override;

  Answer messageBox(const Message& message) override;
  void beep() override {}

  static Answer defaultAnswer(Buttons buttons);
  // "caption: text / detail", each line break turned into " / ".
  static QString oneLine(const Message& message);

 private:
  void print(const QString& line);
  void printRepeats();

  Clock& m_clock;
  std::FILE* m_output;
  QString m_lastLine;
  QDateTime m_lastPrinted;
  int m_repeats = 0;
};
