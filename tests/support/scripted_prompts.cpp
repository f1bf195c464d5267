#include "scripted_prompts.h"

Prompts::Answer ScriptedPrompts::messageBox(const Message& message) {
  shown.append(message);
  if (whileShown)
    whileShown(message);
  if (m_answers.empty())
    return Answer::Ok;
  const Answer answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}
