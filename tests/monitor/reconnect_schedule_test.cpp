#include "monitor/reconnect_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Step = ReconnectSchedule::Step;

// Ticks until the next attempt is due; returns the seconds it took.
int secondsToNextAttempt(ReconnectSchedule& schedule) {
  int seconds = 1;
  while (schedule.tick() != Step::Attempt) ++seconds;
  return seconds;
}

}  // namespace

TEST(ReconnectScheduleTest, PausesDoubleAfterEachFailedAttemptUpToAMinute) {
  ReconnectSchedule schedule;
  EXPECT_EQ(schedule.tick(), Step::None);  // idle: nothing is due
  schedule.begin();
  EXPECT_EQ(schedule.remaining().count(), 2);
  std::vector<int> pauses;
  for (int attempt = 1; attempt <= 7; ++attempt) {
    pauses.push_back(secondsToNextAttempt(schedule));
    EXPECT_TRUE(schedule.attempting());
    EXPECT_EQ(schedule.attempts(), attempt);
    schedule.attemptFailed();
  }
  EXPECT_EQ(pauses, std::vector<int>({2, 4, 8, 16, 32, 60, 60}));

  // Back and lost again: the pauses start short again.
  schedule.end();
  EXPECT_FALSE(schedule.active());
  EXPECT_EQ(schedule.tick(), Step::None);
  schedule.begin();
  EXPECT_EQ(secondsToNextAttempt(schedule), 2);
  EXPECT_EQ(schedule.attempts(), 1);
}

TEST(ReconnectScheduleTest, AnAttemptWithoutOutcomeTimesOutAndCountsAsFailed) {
  ReconnectSchedule schedule;
  schedule.begin();
  secondsToNextAttempt(schedule);
  for (int second = 1; second < ReconnectSchedule::kAttemptLimit.count(); ++second)
    ASSERT_EQ(schedule.tick(), Step::None) << second;
  EXPECT_EQ(schedule.tick(), Step::AttemptTimedOut);
  EXPECT_EQ(schedule.state(), ReconnectSchedule::State::Waiting);
  EXPECT_EQ(schedule.remaining().count(), 4);
  schedule.attemptFailed();  // a late failure of the timed-out attempt changes nothing
  EXPECT_EQ(schedule.remaining().count(), 4);
}
