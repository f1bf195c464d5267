#pragma once

#include <QDateTime>

#include <chrono>

class Clock;

// Spaces motion snapshots out: during continuous motion, every examined frame is a
// motion event, and a snapshot of each fills the disk with near-copies. With a gap,
// at most one snapshot is taken per gap; with none (the default), one per event.
class SnapshotPacer {
 public:
  static constexpr std::chrono::seconds kMaxGap{60};

  explicit SnapshotPacer(const Clock& clock) : m_clock(clock) {}

  // Clamped to 0..kMaxGap.
  void setGap(std::chrono::seconds gap);
  std::chrono::seconds gap() const { return m_gap; }

  // Whether a snapshot may be taken now; a yes counts as taken. A clock set back
  // before the last snapshot lets the next one through.
  bool due();

 private:
  const Clock& m_clock;
  std::chrono::seconds m_gap{0};
  QDateTime m_last;
};
