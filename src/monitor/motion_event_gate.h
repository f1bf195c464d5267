#pragma once

#include "detect/motion_filter.h"

#include <QMetaObject>

#include <functional>

class MyMotion;

// Passes the detector's motion on to the motion actions only when the filter lets
// it through: the detector reports motion inside its pass, the gate judges the pass
// once it is over.
class MotionEventGate {
 public:
  using Action = std::function<void()>;

  // `motionEvent` runs for each motion event; `lightChange` once per change of light.
  MotionEventGate(MyMotion& detector, Action motionEvent, Action lightChange);
  ~MotionEventGate();
  MotionEventGate(const MotionEventGate&) = delete;
  MotionEventGate& operator=(const MotionEventGate&) = delete;

  MotionFilter& filter() { return m_filter; }

  // The detector finished a pass over a frame.
  FrameVerdict passDone();
  // Frames stopped being examined (detection switched).
  void restart() { m_filter.restart(); }

 private:
  MyMotion& m_detector;
  Action m_motionEvent;
  Action m_lightChange;
  MotionFilter m_filter;
  bool m_detected = false;
  QMetaObject::Connection m_connection;
};
