#pragma once

#include <QString>

// The system's dial-up connections as a numbered list of entries (the phonebook),
// sorted by name. Every operation taking an index throws
// Error("List index out of bounds (<index>)") for one outside 0 to entryCount() - 1.
class DialUpBinding {
 public:
  virtual ~DialUpBinding() = default;

  virtual int entryCount() const = 0;
  virtual QString entryName(int index) const = 0;
  // Whether the entry's connection is up, as last seen.
  virtual bool isConnected(int index) const = 0;
  // Starts bringing the entry's connection up; returns at once.
  virtual void dial(int index) = 0;
  // Ends the entry's connection; returns at once.
  virtual void hangUp(int index) = 0;
};
