#include "monitor/snapshot_pacer.h"

#include "support/fixed_clock.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;

// Five seconds of continuous motion at 30 frames a second: a motion event per frame.
TEST(SnapshotPacerTest, ContinuousMotionGetsOneSnapshotPerGap) {
  const struct {
    seconds gap;
    int snapshots;
  } cases[] = {{seconds(0), 150}, {seconds(1), 5},    {seconds(2), 3},
               {seconds(60), 1},  {seconds(-3), 150}, {seconds(600), 1}};
  for (const auto& c : cases) {
    FixedClock clock;
    const QDateTime start = clock.now();
    SnapshotPacer pacer(clock);
    pacer.setGap(c.gap);
    int snapshots = 0;
    for (int frame = 0; frame < 150; ++frame) {
      clock.set(start.addMSecs(frame * 1000 / 30));
      snapshots += pacer.due();
    }
    EXPECT_EQ(snapshots, c.snapshots) << c.gap.count();
  }
}

TEST(SnapshotPacerTest, AClockSetBackDoesNotHoldSnapshotsBack) {
  FixedClock clock;
  SnapshotPacer pacer(clock);
  pacer.setGap(seconds(10));
  EXPECT_TRUE(pacer.due());
  clock.advance(seconds(5));
  EXPECT_FALSE(pacer.due());
  clock.advance(seconds(-3600));
  EXPECT_TRUE(pacer.due());
  EXPECT_FALSE(pacer.due());
}

}  // namespace
