#pragma once

#include "base/prompts.h"

// The real prompts: Qt message boxes on the UI thread and the desktop's beep.
class MessageBoxPrompts final : public Prompts {
 public:
  Answer messageBox(const Message& message) override;
  void beep() override;
};
