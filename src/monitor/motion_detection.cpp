#include "motion_detection.h"

#include "base/canvas.h"
#include "base/frame_bitmap.h"
#include "base/help_topic.h"
#include "detect/mask_file.h"
#include "detect/my_motion.h"
#include "detect/ui/t_mask_form.h"
#include "monitor/motion_options_panel.h"
#include "monitor/spin_edit.h"
#include "monitor/window_handlers.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {}  // namespace

MotionDetection::MotionDetection(MyMotion& detector, MotionOptionsPanel& panel, FrameBitmap& mask,
                                 TMaskForm& maskForm, WindowHandlers& handlers, const QString& programFolder)
    : m_detector(detector),
      m_panel(panel),
      m_mask(mask),
      m_maskForm(maskForm),
      m_handlers(handlers),
      m_programFolder(programFolder) {
  m_detector.setHorzParts(10);
  m_detector.setVertParts(10);
  m_detector.setGridSensitifity(3);
  m_detector.setMotionSensitifity(50);
  m_detector.setShowGrid(true);
}

void MotionDetection::gridSensitivityChanged() {
  m_detector.setGridSensitifity(m_panel.AdvSpinEdit1->Value());
}

void MotionDetection::motionSensitivityChanged() {
  if (!m_panel.AdvSpinEdit2->text().isEmpty())
    m_detector.setMotionSensitifity(m_panel.AdvSpinEdit2->Value());
}

void MotionDetection::horizontalPartsChanged() {
  if (!m_panel.AdvSpinEdit3->text().isEmpty())
    m_detector.setHorzParts(m_panel.AdvSpinEdit3->Value());
  boundMotion();
}

void MotionDetection::verticalPartsChanged() {
  if (!m_panel.AdvSpinEdit4->text().isEmpty())
    m_detector.setVertParts(m_panel.AdvSpinEdit4->Value());
  boundMotion();
}

// "Motion" can ask for no more cells than the grid has.
void MotionDetection::boundMotion() {
  const int maxParts = m_detector.MaxParts();
  m_panel.AdvSpinEdit2->setMaximum(maxParts);
  if (m_panel.AdvSpinEdit2->Value() > maxParts)
    m_panel.AdvSpinEdit2->setValue(maxParts);
}

void MotionDetection::quickDetectChanged() { m_detector.setQuickDetect(m_panel.CheckBox6->isChecked()); }

void MotionDetection::showGridChanged() { m_detector.setShowGrid(m_panel.CheckBox9->isChecked()); }

void MotionDetection::useMaskChanged(const QString& caption, const FrameBitmap& lastFrame) {
  if (!m_panel.CheckBox11->isChecked()) {
    m_detector.setMasked(false);
    return;
  }
  const QString path = maskFilePath(m_programFolder, caption);
  if (QFileInfo::exists(path)) {
    m_mask = {};  // a file that cannot be read leaves no older mask in use
    m_mask = loadMaskFile(path);
    m_detector.setMasked(true);
    return;
  }
  const Prompts::Answer answer =
      m_handlers.messageBox({QStringLiteral("No Mask Found!\rCreate one Now?"), Prompts::programCaption(),
                             Prompts::Icon::Question, Prompts::Buttons::YesNo, HelpTopic::NoMask});
  if (answer != Prompts::Answer::Yes || m_handlers.ending())
    return;  // stays on without a mask: the next examined frame drops it
  m_maskForm.GetImg(lastFrame, lastFrame.height(), lastFrame.width(), caption);
  m_maskForm.show();
  m_panel.CheckBox11->setChecked(false);
}

void MotionDetection::editMask(const QString& caption, const FrameBitmap& lastFrame) {
  m_panel.CheckBox11->setChecked(false);
  if (QFileInfo::exists(maskFilePath(m_programFolder, caption)))
    m_maskForm.EditMask(lastFrame, lastFrame.height(), lastFrame.width(), caption);
  else
    m_maskForm.GetImg(lastFrame, lastFrame.height(), lastFrame.width(), caption);
  m_maskForm.show();
}

bool MotionDetection::examine(const FrameBitmap& frame, Canvas& canvas) {
  if (!m_panel.CheckBox11->isChecked()) {
    m_detector.DoDetectIt(frame, canvas);
    return true;
  }
  if (m_mask.width() == frame.width() && m_mask.height() == frame.height()) {
    m_detector.DoDetectItMask(frame, m_mask, canvas);
    return true;
  }
  m_detector.setMasked(false);
  m_panel.CheckBox11->setChecked(false);
  m_handlers.messageBox(
      {QStringLiteral("Mask is the wrong size! Mask Dropped!\rPlease Correct by Editing Mask."),
       Prompts::programCaption(), Prompts::Icon::Error, Prompts::Buttons::Ok, HelpTopic::WrongMaskSize});
  return false;
}
