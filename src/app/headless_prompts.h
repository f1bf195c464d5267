#pragma once

#include "base/prompts.h"

#include <cstdio>

// The prompts of a run without a display, where nobody can see a box: each message
// is one line on standard error ("caption: text") and is answered at once with the
// box's default button, the first one, as a person pressing Enter would.
class HeadlessPrompts final : public Prompts {
 public:
  explicit HeadlessPrompts(std::FILE* output = stderr) : m_output(output) {}

  Answer messageBox(const Message& message) override;
  void beep() override {}

  static Answer defaultAnswer(Buttons buttons);
  // "caption: text", each line break of the text turned into " / ".
  static QString oneLine(const Message& message);

 private:
  std::FILE* m_output;
};
