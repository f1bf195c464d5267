#include "app/termination_signals.h"

#include <QSignalSpy>

#include <csignal>

#include <gtest/gtest.h>

namespace {

TEST(TerminationSignalsTest, SigtermAndSigintArriveAsOneQueuedSignalEach) {
  TerminationSignals termination;
  QSignalSpy spy(&termination, &TerminationSignals::received);
  for (int number : {SIGTERM, SIGINT}) {
    spy.clear();
    ASSERT_EQ(std::raise(number), 0);
    EXPECT_EQ(spy.count(), 0);  // nothing runs inside the handler
    EXPECT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy.count(), 1);
  }
}

}  // namespace
