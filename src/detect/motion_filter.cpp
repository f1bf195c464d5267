#include "motion_filter.h"

#include <algorithm>

void MotionFilter::setLightSwitchPercent(int percent) { m_lightSwitchPercent = std::clamp(percent, 0, 100); }

void MotionFilter::setMinMotionFrames(int frames) {
  m_minMotionFrames = std::clamp(frames, 1, kMaxMotionFrames);
}

FrameVerdict MotionFilter::judge(bool detected, int changedCells, int gridCells) {
  const bool lightChange =
      m_lightSwitchPercent > 0 && gridCells > 0 &&
      static_cast<long long>(changedCells) * 100 > static_cast<long long>(m_lightSwitchPercent) * gridCells;
  if (lightChange) {
    m_motionFrames = 0;
    const bool first = !m_lightChanging;
    m_lightChanging = true;
    return first ? FrameVerdict::LightChange : FrameVerdict::LightChanging;
  }
  m_lightChanging = false;
  if (!detected) {
    m_motionFrames = 0;
    return FrameVerdict::Still;
  }
  m_motionFrames = std::min(m_motionFrames + 1, m_minMotionFrames);
  return m_motionFrames >= m_minMotionFrames ? FrameVerdict::Motion : FrameVerdict::Unconfirmed;
}

void MotionFilter::restart() {
  m_motionFrames = 0;
  m_lightChanging = false;
}
