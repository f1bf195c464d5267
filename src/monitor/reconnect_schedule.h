#pragma once

#include <chrono>

// When to try a lost source again: the first attempt 2 s after the loss, then
// after each failed attempt a pause twice as long as the last, at most a minute.
// It counts whole seconds told by tick(), so it runs as fast as it is ticked.
// An attempt that neither succeeds nor fails within kAttemptLimit counts as failed.
class ReconnectSchedule {
 public:
  static constexpr std::chrono::seconds kFirstPause{2};
  static constexpr std::chrono::seconds kLongestPause{60};
  static constexpr std::chrono::seconds kAttemptLimit{20};

  enum class State { Idle, Waiting, Attempting };
  enum class Step { None, Attempt, AttemptTimedOut };

  // The source was lost: the first pause begins.
  void begin();
  // One second passed. Attempt when a pause has just ended; AttemptTimedOut when
  // an attempt ran out of time (it then counts as failed and the next pause runs).
  Step tick();
  // The attempt under way failed: the next, longer pause begins.
  void attemptFailed();
  // The source is back, or the user gave up on it.
  void end();

  State state() const { return m_state; }
  bool active() const { return m_state != State::Idle; }
  bool attempting() const { return m_state == State::Attempting; }
  // The seconds left of the pause under way.
  std::chrono::seconds remaining() const { return m_remaining; }
  // The length of the pause under way, or of the one before the attempt under way.
  std::chrono::seconds pause() const { return m_pause; }
  // The attempts made since begin(), the one under way included.
  int attempts() const { return m_attempts; }

 private:
  State m_state = State::Idle;
  std::chrono::seconds m_pause{0};
  std::chrono::seconds m_remaining{0};
  std::chrono::seconds m_attemptTime{0};
  int m_attempts = 0;
};
