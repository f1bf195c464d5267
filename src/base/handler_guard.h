#pragma once

#include "error.h"
#include "prompts.h"

#include <exception>
#include <utility>

// Every UI handler is entered through guarded(): an error ends the handler, its
// text is shown in a box titled "Quorvex" and the program goes on.
template <class Handler>
void guarded(Prompts& prompts, Handler&& handler) {
  QString message;
  try {
    std::forward<Handler>(handler)();
    return;
  } catch (const std::exception& error) {
    message = QString::fromUtf8(error.what());
  } catch (...) {
    message = QStringLiteral("Unknown error");
  }
  prompts.messageBox({message, Prompts::programCaption(), Prompts::Icon::Error, Prompts::Buttons::Ok, 0});
}

// A slot that enters the object's handler through guarded().
template <class Object>
auto guardedSlot(Prompts& prompts, Object* object, void (Object::*handler)()) {
  return [&prompts, object, handler] { guarded(prompts, [object, handler] { (object->*handler)(); }); };
}

// Frame delivery drops a frame whose handling failed, without a word.
template <class Handler>
void guardedSilently(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
  }
}
