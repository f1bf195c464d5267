#include "delivery/delivery_workers.h"

#include "base/clock.h"
#include "delivery/email_thread.h"
#include "delivery/ftp_thread.h"
#include "delivery/staged_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

DeliveryWorkers::DeliveryWorkers(DeliveryContext context, QString programFolder, QObject* parent)
    : QObject(parent), m_context(std::move(context)), m_programFolder(std::move(programFolder)) {}

DeliveryWorkers::~DeliveryWorkers() {
  stopAll();
  for (const QPointer<DeliveryWorker>& worker : m_workers) delete worker.data();
}

DeliveryWorker* DeliveryWorkers::startDelivery(DeliveryChannel channel, qint32 childIndex) {
  const QString runFolder = moveStagedFiles(stagingFolder(m_programFolder, channel), m_context.clock.now());
  DeliveryWorker* worker = nullptr;
  if (channel == DeliveryChannel::Email)
    worker = new EmailThread(m_context, runFolder);
  else
    worker = new FTPThread(m_context, runFolder);
  worker->setObjectName(channel == DeliveryChannel::Email ? QStringLiteral("EmailThread")
                                                          : QStringLiteral("FTPThread"));
  worker->ChildIndex = childIndex;
  worker->Caption = m_context.services.cameraCaption(childIndex).value_or(QString());
  m_workers.emplace_back(worker);
  connect(worker, &QThread::finished, this, [this, worker] {
    std::erase_if(m_workers,
                  [worker](const QPointer<DeliveryWorker>& w) { return w == worker || w.isNull(); });
    worker->deleteLater();
  });
  worker->start();
  return worker;
}

// Events are processed by hand rather than in a nested event loop: once the
// application was told to exit, a new event loop would return at once.
bool DeliveryWorkers::stopAll(std::chrono::milliseconds limit) {
  for (const QPointer<DeliveryWorker>& worker : m_workers)
    if (worker)
      worker->requestStop();
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer wake;  // so that the wait below looks at the time now and then
  wake.start(std::chrono::milliseconds(50));
  while (runningCount() > 0 && elapsed.elapsed() < limit.count())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return runningCount() == 0;
}

int DeliveryWorkers::runningCount() const {
  return static_cast<int>(std::count_if(m_workers.begin(), m_workers.end(),
                                        [](const QPointer<DeliveryWorker>& w) { return !w.isNull(); }));
}
