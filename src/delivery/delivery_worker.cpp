#include "delivery/delivery_worker.h"

#include "base/app_services.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/help_topic.h"
#include "base/prompts.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "delivery/staged_files.h"
#include "dialup/connection_use.h"

#include <QDir>

#include <condition_variable>
#include <mutex>

namespace {

// Sleeps for `duration` unless a stop is requested first; false then.
bool sleepUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  return !wake.wait_for(lock, stop, duration, [] { return false; });
}

}  // namespace

void refuseLineBreaks(const QString& name, const QString& value) {
  if (value.contains(u'\r') || value.contains(u'\n'))
    throw Error(QStringLiteral("The setting %1 holds a line break").arg(name));
}

DeliveryWorker::DeliveryWorker(DeliveryContext context, QString runFolder, QObject* parent)
    : QThread(parent), m_context(std::move(context)), m_runFolder(std::move(runFolder)) {}

DeliveryWorker::~DeliveryWorker() {
  requestStop();
  wait();
}

QStringList DeliveryWorker::runFiles() const { return deliveryFiles(m_runFolder); }

void DeliveryWorker::run() {
  AppServices& services = m_context.services;
  bool acquired = false;
  bool reportDue = false;
  try {
    SettingsStore settings(m_context.settingsFile);
    const bool found = settings.OpenKey(applicationKey(), false) && readSettings(settings);
    settings.CloseKey();
    if (!found) {
      tellNoSettings();
    } else {
      prepare();
      const auto kind = static_cast<ConnectionKind>(services.ConnectionType());
      if (kind != ConnectionKind::NoInternet) {
        if (kind == ConnectionKind::DialUp) {
          services.AcquireConnection();
          acquired = true;
          waitForDialUp();
        }
        reportDue = true;
        deliver();
        if (ResultCode == 0 && !QDir(m_runFolder).removeRecursively())
          throw Error(QStringLiteral("Cannot remove the sent pictures in %1").arg(m_runFolder));
      }
    }
  } catch (const std::exception& error) {
    ResultCode = 1;
    m_errorText = QString::fromUtf8(error.what());
    reportDue = true;
  }
  if (reportDue)
    QMetaObject::invokeMethod(this, &DeliveryWorker::UpdateStatus, Qt::BlockingQueuedConnection);
  if (acquired)
    services.ReleaseConnection();
}

// The dial-up connection is checked only after each interval, also when it was up.
void DeliveryWorker::waitForDialUp() {
  AppServices& services = m_context.services;
  for (int check = 0; check < m_context.timings.dialChecks; ++check) {
    if (!sleepUnlessStopped(m_context.timings.dialCheckInterval, stopToken()))
      throw Error(QStringLiteral("Stopped while waiting for the dial-up connection"));
    if (services.IsConnected(services.DailNum()))
      return;
  }
  throw Error(QStringLiteral("Ras Connection timed out."));
}

// Message boxes belong to the user-interface thread; the run waits for the answer.
// Once the program is ending nobody is left to answer, so no box is shown.
void DeliveryWorker::tellNoSettings() {
  const Prompts::Message message{noSettingsText(), Prompts::programCaption(), Prompts::Icon::Error,
                                 Prompts::Buttons::Ok, HelpTopic::NoDeliverySettings};
  Prompts& prompts = m_context.prompts;
  const std::stop_token stop = stopToken();
  QMetaObject::invokeMethod(
      this,
      [&prompts, &message, &stop] {
        if (!stop.stop_requested())
          prompts.messageBox(message);
      },
      Qt::BlockingQueuedConnection);
}

// On the user-interface thread. The log entry is written under the caption the run
// started with, so it is kept also when the camera window was closed meanwhile.
void DeliveryWorker::UpdateStatus() {
  const Report shown = report(ResultCode, m_context.clock.now());
  m_context.services.setCameraStatus(ChildIndex, shown.panel, shown.statusText);
  try {
    m_context.services.writeLogEntry(Caption, shown.logMessage, shown.category);
  } catch (const Error& error) {
    m_errorText = error.message();  // the run's outcome stands; the log could not take it
  }
}
