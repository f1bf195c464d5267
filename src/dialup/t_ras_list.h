#pragma once

#include "dialup/t_ras_entry.h"

#include <vector>

// The phonebook entries, owned, in name order (then UUID), so that a position
// names the same entry in every manager and across runs.
class TRasList {
 public:
  // Adds the entry at its place; false when an entry of its UUID is there already.
  bool add(TRasEntry entry);
  int count() const { return static_cast<int>(m_entries.size()); }
  // Throw Error("List index out of bounds (<index>)") for an index outside the list.
  TRasEntry& at(int index);
  const TRasEntry& at(int index) const;

 private:
  std::vector<TRasEntry> m_entries;
};
