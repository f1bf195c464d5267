#include "monitor/detection_countdown.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The status text after each of `ticks` ticks.
QStringList textsOver(DetectionCountdown& countdown, int ticks) {
  QStringList texts;
  for (int i = 0; i < ticks; ++i) {
    countdown.tick();
    texts.append(countdown.text());
  }
  return texts;
}

}  // namespace

TEST(DetectionCountdownTest, CountsFiveToOneAndEndsOnTheNextTick) {
  DetectionCountdown countdown;
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Idle);
  EXPECT_EQ(textsOver(countdown, 1), QStringList{""});  // idle: a tick changes nothing
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Idle);

  countdown.start();
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Counting);
  EXPECT_EQ(countdown.text(), "");  // nothing shown before the first second
  EXPECT_EQ(textsOver(countdown, 5), QStringList({"Detecting in 5", "Detecting in 4", "Detecting in 3",
                                                  "Detecting in 2", "Detecting in 1"}));
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Counting);
  EXPECT_EQ(textsOver(countdown, 2), QStringList({"", ""}));
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Idle);
}

TEST(DetectionCountdownTest, CancelEndsAtOnceAndAStartCountsFromFiveAgain) {
  DetectionCountdown countdown;
  countdown.start();
  textsOver(countdown, 3);
  countdown.cancel();
  EXPECT_EQ(countdown.state(), DetectionCountdown::State::Idle);
  EXPECT_EQ(countdown.text(), "");

  countdown.start();
  EXPECT_EQ(textsOver(countdown, 1), QStringList{"Detecting in 5"});
  textsOver(countdown, 2);
  countdown.start();  // started again while counting
  EXPECT_EQ(textsOver(countdown, 1), QStringList{"Detecting in 5"});
}
