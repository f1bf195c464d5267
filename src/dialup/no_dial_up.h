#pragma once

#include "dialup/dial_up_binding.h"

// A system without dial-up: no entries, so every index is out of bounds.
class NoDialUp final : public DialUpBinding {
 public:
  int entryCount() const override { return 0; }
  QString entryName(int index) const override;
  bool isConnected(int index) const override;
  void dial(int index) override;
  void hangUp(int index) override;
};
