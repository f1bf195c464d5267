#pragma once

// What one examined frame amounts to once the false alarms are taken out.
enum class FrameVerdict {
  Still,          // no motion
  Unconfirmed,    // motion, not yet seen in enough frames in a row
  Motion,         // a motion event: its actions run
  LightChange,    // the first frame of a change over most of the picture: logged, no event
  LightChanging,  // a later frame of the same change
};

// Sits between the detector's result and the motion actions. A frame in which more
// than `lightSwitchPercent` of the grid's cells changed at once is a change of light
// (a lamp switched on, the sun behind a cloud), not motion; consecutive such frames
// are one change. Motion must be seen in `minMotionFrames` consecutive examined
// frames before it is an event, so one noisy frame is ignored; while it goes on,
// every frame with motion is an event.
class MotionFilter {
 public:
  static constexpr int kMaxMotionFrames = 30;

  // 0 (the default) turns the filter off; clamped to 0..100.
  void setLightSwitchPercent(int percent);
  int lightSwitchPercent() const { return m_lightSwitchPercent; }
  // Clamped to 1..kMaxMotionFrames; 1, the default, lets every detection through.
  void setMinMotionFrames(int frames);
  int minMotionFrames() const { return m_minMotionFrames; }

  // One examined frame: whether the detector found motion, and how many of the
  // grid's cells changed, counted over the whole grid.
  FrameVerdict judge(bool detected, int changedCells, int gridCells);
  // Frames stopped being examined: what was seen before no longer counts.
  void restart();

 private:
  int m_lightSwitchPercent = 0;
  int m_minMotionFrames = 1;
  int m_motionFrames = 0;
  bool m_lightChanging = false;
};
