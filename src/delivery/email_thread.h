#pragma once

#include "delivery/delivery_worker.h"
#include "delivery/mail_message.h"

#include <QString>

// Sends the run's picture, or its series of pictures, attached to one e-mail.
// Reports in panel 1 of the camera window and under "Email" in the event log.
class EmailThread final : public DeliveryWorker {
  Q_OBJECT

 public:
  using DeliveryWorker::DeliveryWorker;

  MailMessage Message;
  QString EMailServer;
  QString EMailPassword;
  QString EMailUsername;
  QString EMail1;
  QString EMail2;
  QString EMailText;
  QString EMailType;  // kept; the body is always plain text
  QString FromMail;
  // A PEM file of certificates trusted besides the system's ("EMailTrustedCA").
  QString EMailTrustedCA;
  // The setting "Auth" exists: the client logs in on its first attempt.
  bool AuthRequested = false;

 protected:
  bool readSettings(SettingsStore& settings) override;
  QString noSettingsText() const override;
  void prepare() override;
  void deliver() override;
  Report report(qint32 resultCode, const QDateTime& now) const override;
};
