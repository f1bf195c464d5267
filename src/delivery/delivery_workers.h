#pragma once

#include "base/app_services.h"
#include "delivery/delivery_context.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <vector>

class DeliveryWorker;

// The delivery workers of the program, on the user-interface thread: starts them on
// their own pictures, keeps them until they end, and stops them when the program
// ends. The workers report back through this thread, so it must keep running its
// event loop while they run.
class DeliveryWorkers : public QObject {
  Q_OBJECT

 public:
  // `programFolder` holds the staging folders EMail/ and FTP/.
  DeliveryWorkers(DeliveryContext context, QString programFolder, QObject* parent = nullptr);
  // Stops the workers still running and waits for them.
  ~DeliveryWorkers() override;

  // Moves the channel's staged pictures into a run folder of their own, makes the
  // channel's worker for the camera window at `childIndex` (whose caption it
  // records) and starts it. Returns the worker, owned here until it ends. Throws
  // Error when the pictures cannot be moved; no worker is started then.
  DeliveryWorker* startDelivery(DeliveryChannel channel, qint32 childIndex);

  // Tells every running worker to stop and runs the event loop until they have
  // ended (their reports still come) or `limit` is over. True when none is left.
  bool stopAll(std::chrono::milliseconds limit = std::chrono::seconds(5));
  int runningCount() const;

 private:
  DeliveryContext m_context;
  const QString m_programFolder;
  std::vector<QPointer<DeliveryWorker>> m_workers;
};
