#include "dialup/no_dial_up.h"

#include "base/error.h"

namespace {

[[noreturn]] void outOfBounds(int index) {
  throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
}

}  // namespace

QString NoDialUp::entryName(int index) const { outOfBounds(index); }

bool NoDialUp::isConnected(int index) const { outOfBounds(index); }

void NoDialUp::dial(int index) { outOfBounds(index); }

void NoDialUp::hangUp(int index) { outOfBounds(index); }
