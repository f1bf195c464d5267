#include "window_handlers.h"

Prompts::Answer WindowHandlers::messageBox(const Message& message) {
  Scope scope(*this);
  return m_prompts.messageBox(message);
}

void WindowHandlers::whenIdle(std::function<void()> end) {
  if (m_ending)
    return;
  m_ending = true;
  m_end = std::move(end);
  ++m_depth;
  leave();
}

void WindowHandlers::leave() {
  if (--m_depth > 0 || !m_end)
    return;
  // Taken out first: a box that `end` shows comes back here and finds nothing to
  // run, and nothing of this object is touched after `end`, which may free it.
  const std::function<void()> end = std::exchange(m_end, nullptr);
  end();
}
