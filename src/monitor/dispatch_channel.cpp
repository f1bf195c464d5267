#include "dispatch_channel.h"

#include "base/app_services.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/help_topic.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "delivery/staged_files.h"
#include "eventlog/date_time_text.h"
#include "monitor/snapshot_stamp.h"
#include "monitor/status_panels.h"
#include "monitor/window_handlers.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QWidget>

#include <utility>

DispatchChannel::Kind DispatchChannel::Kind::email() {
  return {DeliveryChannel::Email,
          QStringLiteral("EMail"),
          QStringLiteral("EMailServer"),
          1,
          QStringLiteral("E-Mailing"),
          QStringLiteral("Image not Emailed on "),
          QStringLiteral("Email"),
          "EmailTimer1",
          "EmailPicsTimer"};
}

DispatchChannel::Kind DispatchChannel::Kind::ftp() {
  return {DeliveryChannel::Ftp,
          QStringLiteral("FTP"),
          QStringLiteral("FTPServer"),
          2,
          QStringLiteral("Uploading via FTP"),
          QStringLiteral("Image not Uploaded on "),
          QStringLiteral("FTP"),
          "FTPTimer1",
          "FTPPicsTimer"};
}

DispatchChannel::DispatchChannel(Kind kind, QCheckBox& box, const ProgramPaths& paths, AppServices& services,
                                 const Clock& clock, WindowHandlers& handlers, Window window,
                                 DispatchTiming timing)
    : m_kind(std::move(kind)),
      m_box(box),
      m_folder(::stagingFolder(paths.programFolder, m_kind.channel)),
      m_settingsFile(paths.settingsFile),
      m_services(services),
      m_clock(clock),
      m_handlers(handlers),
      m_window(std::move(window)),
      m_timing(timing) {
  m_limit.setObjectName(QLatin1String(m_kind.limitTimerName));
  m_limit.setSingleShot(true);
  m_limit.setInterval(m_timing.minute * 100 / 60);  // 100 s until the camera values are applied
  m_series.setObjectName(QLatin1String(m_kind.seriesTimerName));
  m_series.setInterval(m_timing.seriesStep);
  QObject::connect(&m_limit, &QTimer::timeout, &m_limit, handlers.slot([this] { limitEnded(); }));
  QObject::connect(&m_series, &QTimer::timeout, &m_series, handlers.slot([this] { takeSeriesPicture(); }));
}

void DispatchChannel::requireAccount() {
  if (m_box.isChecked() && !GetSetup())
    m_box.setChecked(false);
}

bool DispatchChannel::GetSetup() {
  SettingsStore store(m_settingsFile);
  if (store.OpenKey(applicationKey(), false) && store.ValueExists(m_kind.serverValue))
    return true;
  m_handlers.messageBox(
      {QStringLiteral("No Settings!\r\rPlease run %1 Wizard\rfrom Options menu.").arg(m_kind.wizard),
       Prompts::programCaption(), Prompts::Icon::Error, Prompts::Buttons::Ok, HelpTopic::NoDeliverySettings});
  return false;
}

void DispatchChannel::motionDetected(bool series) {
  if (!m_box.isChecked() || m_state != State::Idle)
    return;  // a motion event within the interval is not sent later either
  // Pictures left by a series that did not end in a send must not go with this one.
  removeSeriesFiles();
  if (!series) {
    Cap();
    return;
  }
  m_length = m_nextSeriesLength;
  m_taken = 0;
  m_state = State::Series;
  m_series.start();
  m_limit.start();
}

void DispatchChannel::takeSeriesPicture() {
  if (m_state != State::Series || m_taken >= m_length) {
    m_series.stop();
    return;
  }
  try {
    stage(m_window.lastFrame, m_folder + QStringLiteral("Motion%1.jpg").arg(m_taken + 1));
  } catch (const Error& error) {
    // Told once: the series ends here rather than failing again every step.
    failed(error);
    endSeries();
    return;
  }
  if (++m_taken == m_length)
    m_series.stop();
}

bool DispatchChannel::finishSeries() {
  if (m_state != State::Series || m_taken < m_length)
    return false;
  Cap();
  return true;
}

void DispatchChannel::cutShort() {
  if (m_state == State::Series)
    Cap();
}

void DispatchChannel::Cap() {
  m_series.stop();
  m_state = State::Limited;
  m_window.statusBar.setPanelText(m_kind.statusPanel, m_kind.sendingText);
  m_window.statusBar.repaint();
  if (!m_limit.isActive())  // a running interval keeps counting from its start
    m_limit.start();
  try {
    // Written also for a series, whose files the worker then sends instead.
    stage(m_window.detectedFrame, m_folder + QStringLiteral("Motion.jpg"));
    GetSetup();  // the worker checks the account itself and sends nothing without one
    m_services.startDelivery(m_kind.channel, m_window.form.property("tag").toInt());
  } catch (const Error& error) {
    failed(error);
  }
}

void DispatchChannel::setSeriesLength(int length) { m_nextSeriesLength = length; }

void DispatchChannel::setIntervalMinutes(int minutes) {
  const auto interval = m_timing.minute * minutes;
  if (m_limit.isActive())
    m_limit.start(interval);
  else
    m_limit.setInterval(interval);
}

void DispatchChannel::stop() {
  m_series.stop();
  m_limit.stop();
}

void DispatchChannel::limitEnded() {
  if (m_state == State::Limited)
    m_state = State::Idle;
}

void DispatchChannel::endSeries() {
  m_series.stop();
  m_state = m_limit.isActive() ? State::Limited : State::Idle;
}

void DispatchChannel::removeSeriesFiles() const {
  for (int n = 1; n <= kMaxSeriesLength; ++n) QFile::remove(m_folder + QStringLiteral("Motion%1.jpg").arg(n));
}

void DispatchChannel::stage(const FrameBitmap& frame, const QString& file) {
  QDir().mkpath(m_folder);  // a fresh program folder has none; a failure shows in the write
  m_jpeg.Image =
      stampSnapshot(frame, m_window.form.windowTitle(), DateTimeText(m_clock.now()), StampStyle::Regular);
  m_jpeg.JpegFile = file;
  m_jpeg.SaveJpeg();
}

void DispatchChannel::failed(const Error& error) {
  m_window.statusBar.setNotice(m_kind.statusPanel,
                               QStringLiteral("%1 Failed: %2").arg(m_kind.sendingText, error.message()));
  m_services.writeLogEntry(
      m_window.form.windowTitle(),
      m_kind.notSentText + DateTimeText(m_clock.now()) + QStringLiteral(": ") + error.message(),
      m_kind.logValue);
}
