#pragma once

#include "base/handler_guard.h"
#include "base/prompts.h"

#include <functional>
#include <utility>

// Keeps count of what of one window is under way: its handlers, and the message
// boxes shown on its behalf (as the Prompts the window and its parts show them
// through). A box runs a nested event loop, in which anything may happen, the main
// window closing included; a window ended through whenIdle() stays alive until the
// handler that waits on the box has returned.
class WindowHandlers final : public Prompts {
 public:
  explicit WindowHandlers(Prompts& prompts) : m_prompts(prompts) {}

  Answer messageBox(const Message& message) override;
  void beep() override { m_prompts.beep(); }

  // Counts what runs during its lifetime as under way.
  class Scope {
   public:
    explicit Scope(WindowHandlers& handlers) : m_handlers(handlers) { ++m_handlers.m_depth; }
    ~Scope() { m_handlers.leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    WindowHandlers& m_handlers;
  };

  // Runs the handler through guarded(), counted.
  template <class Handler>
  void enter(Handler&& handler) {
    Scope scope(*this);
    guarded(*this, std::forward<Handler>(handler));
  }
  // Slots that enter the handler as enter() does: without the signal's arguments,
  // and with them; and with them as enterSilently() does.
  template <class Handler>
  auto slot(Handler handler) {
    return [this, handler = std::move(handler)] { enter(handler); };
  }
  template <class Handler>
  auto slotWithArguments(Handler handler) {
    return
        [this, handler = std::move(handler)](auto&&... arguments) { enter([&] { handler(arguments...); }); };
  }
  template <class Handler>
  auto silentSlot(Handler handler) {
    return [this, handler = std::move(handler)](auto&&... arguments) {
      enterSilently([&] { handler(arguments...); });
    };
  }
  // Runs the handler through guardedSilently(), counted.
  template <class Handler>
  void enterSilently(Handler&& handler) {
    Scope scope(*this);
    guardedSilently(std::forward<Handler>(handler));
  }

  // Runs `end` once nothing is under way: at once when nothing is, else when the
  // last handler or box is done. `end` runs once.
  void whenIdle(std::function<void()> end);
  bool busy() const { return m_depth > 0; }
  bool ending() const { return m_ending; }

 private:
  void leave();

  Prompts& m_prompts;
  int m_depth = 0;
  bool m_ending = false;
  std::function<void()> m_end;
};
