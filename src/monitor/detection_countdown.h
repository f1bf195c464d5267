#pragma once

#include <QString>

// The pause between turning detection on and examining frames: it counts down
// from kSeconds, one tick a second, and ends on the tick after "Detecting in 1".
// It counts only what tick() tells it, so it runs as fast as it is ticked.
class DetectionCountdown {
 public:
  static constexpr int kSeconds = 5;

  enum class State { Idle, Counting };

  // Begins counting from kSeconds, also when already counting.
  void start();
  // Ends the count at once.
  void cancel() { m_state = State::Idle; }
  // One second passed: shows the seconds left, or ends the count.
  void tick();

  State state() const { return m_state; }
  bool counting() const { return m_state == State::Counting; }
  // The status text: "Detecting in N" for the second shown last, empty when idle
  // or before the first tick.
  QString text() const;

 private:
  State m_state = State::Idle;
  int m_left = 0;   // the seconds still to show
  int m_shown = 0;  // the second shown last, 0 for none
};
