#pragma once

#include "base/prompts.h"

#include <QList>

#include <deque>
#include <functional>

// Records every message box and answers from a script (Ok when the script is empty).
class ScriptedPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override;
  void beep() override { ++beeps; }

  void answerNext(Answer answer) { m_answers.push_back(answer); }

  QList<Message> shown;
  int beeps = 0;
  // Runs while the box is "open", before it is answered, as things that happen in
  // a real box's event loop do.
  std::function<void(const Message&)> whileShown;

 private:
  std::deque<Answer> m_answers;
};
