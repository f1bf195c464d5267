#include "source_lifecycle.h"

#include "base/prompts.h"
#include "capture/cap_device_info.h"
#include "capture/graph_config.h"
#include "capture/ui/video_capture.h"
#include "monitor/motion_options_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

#include <cstdio>
#include <utility>

SourceLifecycle::SourceLifecycle(TVideoCapture& capture, MotionOptionsPanel& panel, QTimer& detectOnStart,
                                 QTimer& reconnectTimer, Prompts& prompts, Window window)
    : m_capture(capture),
      m_panel(panel),
      m_detectOnStart(detectOnStart),
      m_reconnectTimer(reconnectTimer),
      m_prompts(prompts),
      m_window(std::move(window)) {
  // Pictures only: no recording and no sound.
  m_capture.setWantCapture(false);
  m_capture.setWantAudio(false);
  m_capture.setWantDVAudio(false);
  m_capture.setWantAudioPreview(false);
  m_capture.setDVResolution(TDVResolution::dvrDontWorry);
}

bool SourceLifecycle::start(const QString& deviceName, const std::function<void()>& chooseMode) {
  stopReconnecting();
  m_live = false;
  TGraphConfig config;
  config.WantPreview = true;
  config.WantBitmaps = true;
  config.VideoDeviceName = deviceName;
  config.DVResolution = TDVResolution::dvrDontWorry;
  config.BitmapPixelFormat = TPixelFormat::Bits24;
  GetVideoDeviceNames(false);
  m_capture.SetGraphConfig(config);
  m_capture.StopPreview();
  listVideoModes();
  chooseMode();
  const bool started = m_capture.StartPreview();
  updateButtons();
  if (!started)
    return false;
  if (m_detectBeforeLoss) {
    setDetect(*m_detectBeforeLoss);  // a source that ended watches as before when started again
    m_detectBeforeLoss.reset();
  }
  return true;
}

void SourceLifecycle::listVideoModes() {
  const TVideoFormat current = m_capture.GetCurrentVideoFormat();
  QComboBox* modes = m_panel.ComboBox2;
  modes->clear();
  int selected = -1;
  for (int i = 0; i < m_capture.GetVideoFormatCount(); ++i) {
    const TVideoFormat format = m_capture.GetVideoFormat(i);
    modes->addItem(VideoFormatToText(format));
    if (SameVideoFormat(current, format))
      selected = i;
  }
  modes->setCurrentIndex(selected);
}

QSize SourceLifecycle::setVideoMode(int index) {
  m_panel.CheckBox1->setChecked(false);
  const bool wasPreviewing = m_capture.Previewing();
  if (wasPreviewing)
    m_capture.StopPreview();
  m_capture.SetVideoFormat(index);
  if (wasPreviewing)
    m_capture.StartPreview();
  const TVideoFormat format = m_capture.GetCurrentVideoFormat();
  return QSize(format.Width, format.Height);
}

bool SourceLifecycle::stop() {
  const bool wasRunning = running();
  m_panel.CheckBox1->setChecked(false);
  m_detectBeforeLoss.reset();
  stopReconnecting();
  m_capture.StopPreview();
  m_live = false;
  updateButtons();
  return wasRunning;
}

bool SourceLifecycle::running() const { return m_capture.Previewing() || m_reconnect.active(); }

void SourceLifecycle::updateButtons() {
  m_panel.Button1->setEnabled(!running());
  m_panel.Button2->setEnabled(running());
}

// A loss is told once: the box when the source was running, the log entry always.
// A file that ended stays stopped; any other source is tried again on a schedule.
void SourceLifecycle::lost() {
  if (m_reconnect.attempting()) {
    m_capture.StopPreview();
    attemptFailed();
    return;
  }
  const bool wasPreviewing = m_capture.Previewing();
  if (!m_detectBeforeLoss)
    m_detectBeforeLoss = m_panel.CheckBox1->isChecked() || m_detectOnStart.isActive();
  m_detectOnStart.stop();
  setDetect(false);
  m_capture.StopPreview();
  m_live = false;
  if (wasPreviewing && reconnects())
    beginReconnecting();
  updateButtons();
  m_window.log(QStringLiteral("Device Lost on "), QStringLiteral("Device Events"));
  if (wasPreviewing)
    m_prompts.messageBox({QStringLiteral("Device %1 Lost!").arg(m_window.caption()),
                          Prompts::programCaption(), Prompts::Icon::Information, Prompts::Buttons::Ok, 0,
                          m_capture.failureDetail()});
}

// A file has an end; cameras and streams come back after a network or power cut.
bool SourceLifecycle::reconnects() const {
  return !m_capture.VideoDeviceUri().startsWith(QLatin1String("file:"));
}

void SourceLifecycle::beginReconnecting() {
  m_reconnect.begin();
  m_reconnectTimer.start();
  showReconnectStatus();
}

void SourceLifecycle::stopReconnecting() {
  if (!m_reconnect.active())
    return;
  m_reconnect.end();
  m_reconnectTimer.stop();
  m_window.showStatus({});
}

void SourceLifecycle::tick() {
  switch (m_reconnect.tick()) {
    case ReconnectSchedule::Step::None: break;
    case ReconnectSchedule::Step::Attempt:
      showReconnectStatus();
      if (!m_capture.StartPreview(FailureReport::Quiet))
        attemptFailed();
      return;  // else the first frame or a loss tells how it went
    case ReconnectSchedule::Step::AttemptTimedOut:
      m_capture.StopPreview();
      attemptFailed();
      return;
  }
  showReconnectStatus();
}

// Each failed attempt is one line for a terminal or the journal; the log keeps
// only the loss and the return.
void SourceLifecycle::attemptFailed() {
  m_reconnect.attemptFailed();
  QString reason = m_capture.failureReason();
  if (reason.isEmpty())
    reason = QStringLiteral("no picture within %1 s").arg(ReconnectSchedule::kAttemptLimit.count());
  const QString line = QStringLiteral("%1: reconnect attempt %2 failed (%3); next attempt in %4 s")
                           .arg(m_window.caption())
                           .arg(m_reconnect.attempts())
                           .arg(reason)
                           .arg(m_reconnect.pause().count());
  std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
  std::fflush(stderr);
  showReconnectStatus();
}

void SourceLifecycle::frameArrived() {
  m_live = true;
  if (m_reconnect.attempting())
    reconnected();
}

void SourceLifecycle::reconnected() {
  stopReconnecting();
  updateButtons();
  m_window.log(QStringLiteral("Device Reconnected on "), QStringLiteral("Device Events"));
  if (m_detectBeforeLoss)
    setDetect(*m_detectBeforeLoss);
  m_detectBeforeLoss.reset();
}

void SourceLifecycle::showReconnectStatus() {
  if (m_reconnect.attempting())
    m_window.showStatus(QStringLiteral("Retrying..."));
  else if (m_reconnect.active())
    m_window.showStatus(QStringLiteral("Retry in %1 s").arg(m_reconnect.remaining().count()));
}

void SourceLifecycle::detectChosen() {
  if (!m_settingDetect)
    m_detectBeforeLoss.reset();
}

void SourceLifecycle::setDetect(bool on) {
  const QScopedValueRollback setting(m_settingDetect, true);
  m_panel.CheckBox1->setChecked(on);
}
