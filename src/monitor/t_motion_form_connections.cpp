// How the camera window's controls, timers and capture component reach its
// handlers: every one through the window's handler guard.

#include "t_motion_form.h"

#include "capture/ui/video_capture.h"
#include "monitor/motion_options_panel.h"
#include "monitor/spin_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <utility>

void TMotionForm::connectHandlers() {
  const auto handle = [this](void (TMotionForm::*handler)()) {
    return m_handlers.slot(std::bind_front(handler, this));
  };
  MotionOptionsPanel* p = Panel1;
  for (QPushButton* hide : {p->SpeedButton1, p->SpeedButton2, p->SpeedButton4, p->SpeedButton5, Panel2})
    connect(hide, &QPushButton::clicked, this, handle(&TMotionForm::PaintBox1DblClick));
  connect(p->Button1, &QPushButton::clicked, this, handle(&TMotionForm::SpeedButton1Click));
  connect(p->Button2, &QPushButton::clicked, this, handle(&TMotionForm::Button2Click));
  connect(p->ComboBox2, &QComboBox::activated, this, handle(&TMotionForm::ComboBox2Change));
  connect(p->SpeedButton3, &QPushButton::clicked, this, handle(&TMotionForm::SpeedButton3Click));

  const std::pair<QCheckBox*, void (TMotionForm::*)()> boxes[] = {
      {p->CheckBox1, &TMotionForm::CheckBox1Click},  {p->CheckBox7, &TMotionForm::CheckBox7Click},
      {p->CheckBox3, &TMotionForm::CheckBox3Click},  {p->CheckBox4, &TMotionForm::CheckBox4Click},
      {p->CheckBox6, &TMotionForm::CheckBox6Click},  {p->CheckBox9, &TMotionForm::CheckBox9Click},
      {p->CheckBox11, &TMotionForm::CheckBox11Click}};
  for (const auto& [box, handler] : boxes) connect(box, &QCheckBox::toggled, this, handle(handler));
  const std::pair<SpinEdit*, void (TMotionForm::*)()> fields[] = {
      {p->AdvSpinEdit1, &TMotionForm::AdvSpinEdit1Change},
      {p->AdvSpinEdit2, &TMotionForm::TrackBar1Change},
      {p->AdvSpinEdit3, &TMotionForm::TrackBar2Change},
      {p->AdvSpinEdit4, &TMotionForm::TrackBar3Change},
      {p->AdvSpinEdit5, &TMotionForm::AdvSpinEdit5Change},
      {p->AdvSpinEdit6, &TMotionForm::AdvSpinEdit6Change},
      {p->AdvSpinEdit7, &TMotionForm::AdvSpinEdit7Change}};
  for (const auto& [field, handler] : fields) connect(field, &SpinEdit::textChanged, this, handle(handler));

  connect(DetectOnStartTimer1, &QTimer::timeout, this, handle(&TMotionForm::DetectOnStartTimer1Timer));
  connect(DelayStart, &QTimer::timeout, this, handle(&TMotionForm::DelayStartTimer));
  connect(ImageTimer, &QTimer::timeout, this, handle(&TMotionForm::ImageTimerTimer));
  connect(ReconnectTimer, &QTimer::timeout, this, handle(&TMotionForm::ReconnectTimerTimer));

  connect(VideoCapture1, &TVideoCapture::OnBitmapGrabbed, this,
          m_handlers.silentSlot(std::bind_front(&TMotionForm::VideoCapture1BitmapGrabbed, this)));
  connect(VideoCapture1, &TVideoCapture::OnFrameRendered, this,
          m_handlers.slotWithArguments(std::bind_front(&TMotionForm::VideoCapture1FrameRendered, this)));
  connect(VideoCapture1, &TVideoCapture::OnDeviceLost, this,
          m_handlers.slotWithArguments(std::bind_front(&TMotionForm::VideoCapture1DeviceLost, this)));
  // A stream's one format is known only once it runs.
  connect(VideoCapture1, &TVideoCapture::OnVideoFormatKnown, this, handle(&TMotionForm::ListVideoModes));
}
