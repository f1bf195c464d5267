#pragma once

#include "delivery/delivery_worker.h"

#include <QString>

// Uploads the run's picture, or its series of pictures, to the user's FTP server:
// "motion.jpg", or "motion1.jpg" ... in series order, in FTPDirectory. Reports in
// panel 2 of the camera window and under "FTP" in the event log.
class FTPThread final : public DeliveryWorker {
  Q_OBJECT

 public:
  using DeliveryWorker::DeliveryWorker;

  QString FTPServer;
  QString FTPPassword;
  QString FTPUsername;
  QString FTPProxy;
  QString FTPProxyPassword;
  QString FTPProxyUsername;
  QString FTPDirectory;
  QString FTPProxyPort;

 protected:
  bool readSettings(SettingsStore& settings) override;
  QString noSettingsText() const override;
  void prepare() override;
  void deliver() override;
  Report report(qint32 resultCode, const QDateTime& now) const override;
};
