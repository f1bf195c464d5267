#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <functional>

// Runs the event loop until done() holds or the time is up; returns done().
// Tests wait for events this way, never with fixed sleeps.
inline bool waitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeout.count())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// Runs the event loop for a while, so that what should not happen has its chance.
inline void runEvents(std::chrono::milliseconds duration) {
  waitUntil([] { return false; }, duration);
}
