#include "dialup/t_ras_list.h"

#include "base/error.h"

#include <algorithm>

namespace {

// Case-insensitive first, so that "bob" sits beside "Bob"; exact spelling and the
// UUID settle the rest, so the order never depends on the order of listing.
bool before(const TRasEntry& left, const TRasEntry& right) {
  if (const int byName = QString::compare(left.EntryName, right.EntryName, Qt::CaseInsensitive))
    return byName < 0;
  if (const int bySpelling = QString::compare(left.EntryName, right.EntryName))
    return bySpelling < 0;
  return left.Uuid < right.Uuid;
}

}  // namespace

bool TRasList::add(TRasEntry entry) {
  const auto same = [&entry](const TRasEntry& other) { return other.Uuid == entry.Uuid; };
  if (std::any_of(m_entries.begin(), m_entries.end(), same))
    return false;
  m_entries.insert(std::upper_bound(m_entries.begin(), m_entries.end(), entry, before), std::move(entry));
  return true;
}

TRasEntry& TRasList::at(int index) {
  return const_cast<TRasEntry&>(static_cast<const TRasList&>(*this).at(index));
}

const TRasEntry& TRasList::at(int index) const {
  if (index < 0 || index >= count())
    throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
  return m_entries[static_cast<size_t>(index)];
}
