// Test main for logic tests that run an event loop or receive queued calls: a
// QCoreApplication, so no widget or platform plugin is involved.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
