#include "motion_event_gate.h"

#include "detect/my_motion.h"

#include <utility>

MotionEventGate::MotionEventGate(MyMotion& detector, Action motionEvent, Action lightChange)
    : m_detector(detector), m_motionEvent(std::move(motionEvent)), m_lightChange(std::move(lightChange)) {
  m_connection = QObject::connect(&detector, &MyMotion::OnDetected, [this] { m_detected = true; });
}

MotionEventGate::~MotionEventGate() { QObject::disconnect(m_connection); }

FrameVerdict MotionEventGate::passDone() {
  const bool detected = std::exchange(m_detected, false);
  const FrameVerdict verdict =
      m_filter.judge(detected, m_detector.lastChangedCellTotal(), m_detector.MaxParts());
  if (verdict == FrameVerdict::Motion)
    m_motionEvent();
  else if (verdict == FrameVerdict::LightChange)
    m_lightChange();
  return verdict;
}
