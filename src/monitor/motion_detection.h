#pragma once

#include <QString>

class Canvas;
class FrameBitmap;
class MotionOptionsPanel;
class MyMotion;
class TMaskForm;
class WindowHandlers;

// The detection step of the camera window: the options panel's detector fields
// applied to the detector, the mask switched on, off or edited, and a frame examined
// with or without it.
class MotionDetection {
 public:
  // Gives the detector its first settings. `mask` is the loaded mask, empty when
  // none; masks are files in the Mask folder of `programFolder`; boxes go through
  // `handlers`.
  MotionDetection(MyMotion& detector, MotionOptionsPanel& panel, FrameBitmap& mask, TMaskForm& maskForm,
                  WindowHandlers& handlers, const QString& programFolder);

  // The detector fields, each applied when changed; an empty field is left alone.
  void gridSensitivityChanged();
  void motionSensitivityChanged();
  void horizontalPartsChanged();
  void verticalPartsChanged();
  void quickDetectChanged();
  void showGridChanged();

  // "Use Mask" changed: loads the camera's mask, or offers to draw one.
  void useMaskChanged(const QString& caption, const FrameBitmap& lastFrame);
  // Opens the mask editor on the camera's mask, or on a new one.
  void editMask(const QString& caption, const FrameBitmap& lastFrame);

  // Examines the frame, outlining changed cells on the canvas; true when the
  // detector made its pass. A mask of another size than the frame is dropped with a box.
  bool examine(const FrameBitmap& frame, Canvas& canvas);

 private:
  void boundMotion();

  MyMotion& m_detector;
  MotionOptionsPanel& m_panel;
  FrameBitmap& m_mask;
  TMaskForm& m_maskForm;
  WindowHandlers& m_handlers;
  const QString m_programFolder;
};
