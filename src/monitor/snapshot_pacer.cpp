#include "snapshot_pacer.h"

#include "base/clock.h"

#include <algorithm>

void SnapshotPacer::setGap(std::chrono::seconds gap) {
  m_gap = std::clamp(gap, std::chrono::seconds(0), kMaxGap);
}

bool SnapshotPacer::due() {
  const QDateTime now = m_clock.now();
  if (m_gap.count() > 0 && m_last.isValid()) {
    const qint64 elapsedMs = m_last.msecsTo(now);
    if (elapsedMs >= 0 && elapsedMs < std::chrono::milliseconds(m_gap).count())
      return false;
  }
  m_last = now;
  return true;
}
