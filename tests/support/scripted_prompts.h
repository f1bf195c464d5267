#pragma once

#include "base/prompts.h"

#include <QList>

#include <deque>

// Records every message box and answers from a script (Ok when the script is empty).
class ScriptedPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override;
  void beep() override { ++beeps; }

  void answerNext(Answer answer) { m_answers.push_back(answer); }

  QList<Message> shown;
  int beeps = 0;

 private:
  std::deque<Answer> m_answers;
};
